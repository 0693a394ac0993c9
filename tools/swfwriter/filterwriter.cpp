#include "tools/swfwriter/filterwriter.h"

#include "tools/swfwriter/bitwriter.h"

#include <cmath>
#include <cstring>

namespace swfwriter {

namespace {

void fixed16(BitWriter &w, double v)
{
    w.u32(quint32(qint32(std::lround(v * 65536.0))));
}

void f32(BitWriter &w, float v)
{
    quint32 bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    w.u32(bits);
}

void rgba(BitWriter &w, swf::Rgba c)
{
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    w.u8(c.a);
}

void blurs(BitWriter &w, const swf::Filter &f)
{
    fixed16(w, f.blurX);
    fixed16(w, f.blurY);
}

void angleDistanceStrength(BitWriter &w, const swf::Filter &f)
{
    fixed16(w, f.angle);
    fixed16(w, f.distance);
    w.fixed8(f.strength);
}

// Shadows and glows keep five bits for passes, bevels four and on-top.
void flags(BitWriter &w, const swf::Filter &f, bool bevelLayout)
{
    quint32 bits = (f.inner << 7) | (f.knockout << 6) | (f.compositeSource << 5);
    bits |= bevelLayout ? (f.onTop << 4) | (f.passes & 0x0f) : (f.passes & 0x1f);
    w.u8(bits);
}

} // namespace

QByteArray filterRecord(const swf::Filter &f)
{
    using Kind = swf::Filter::Kind;
    BitWriter w;
    w.u8(quint32(f.kind));
    switch (f.kind) {
    case Kind::DropShadow:
        rgba(w, f.color);
        blurs(w, f);
        angleDistanceStrength(w, f);
        flags(w, f, false);
        break;
    case Kind::Blur:
        blurs(w, f);
        w.u8(quint32(f.passes << 3));
        break;
    case Kind::Glow:
        rgba(w, f.color);
        blurs(w, f);
        w.fixed8(f.strength);
        flags(w, f, false);
        break;
    case Kind::Bevel:
        rgba(w, f.color);
        rgba(w, f.highlight);
        blurs(w, f);
        angleDistanceStrength(w, f);
        flags(w, f, true);
        break;
    case Kind::GradientGlow:
    case Kind::GradientBevel:
        w.u8(quint32(f.gradient.records.size()));
        for (const swf::GradientRecord &record : f.gradient.records)
            rgba(w, record.color);
        for (const swf::GradientRecord &record : f.gradient.records)
            w.u8(record.ratio);
        blurs(w, f);
        angleDistanceStrength(w, f);
        flags(w, f, true);
        break;
    case Kind::Convolution:
        w.u8(quint32(f.matrixX));
        w.u8(quint32(f.matrixY));
        f32(w, f.divisor);
        f32(w, f.bias);
        for (float k : f.kernel)
            f32(w, k);
        rgba(w, f.defaultColor);
        w.u8((f.clamp << 1) | f.preserveAlpha);
        break;
    case Kind::ColorMatrix:
        for (float v : f.matrix)
            f32(w, v);
        break;
    }
    return w.data();
}

QByteArray filterList(const std::vector<swf::Filter> &filters)
{
    QByteArray list(1, char(filters.size()));
    for (const swf::Filter &f : filters)
        list += filterRecord(f);
    return list;
}

} // namespace swfwriter
