#include "swf/parse/filterrecords.h"

#include "swf/parse/records.h"

#include <algorithm>

namespace swf {

namespace {

// The Flash Player limits blurs to 255 pixels and 15 passes.
constexpr double kMaxBlur = 255.0;
constexpr int kMaxPasses = 15;

void readShadowFlags(Reader &r, Filter &f, bool bevelLayout)
{
    const quint8 flags = r.u8();
    f.inner = flags & 0x80;
    f.knockout = flags & 0x40;
    f.compositeSource = flags & 0x20;
    if (bevelLayout) {
        f.onTop = flags & 0x10;
        f.passes = flags & 0x0f;
    } else {
        f.passes = flags & 0x1f;
    }
}

void readBlurs(Reader &r, Filter &f)
{
    f.blurX = std::clamp(r.fixed16(), 0.0, kMaxBlur);
    f.blurY = std::clamp(r.fixed16(), 0.0, kMaxBlur);
}

void readAngleDistance(Reader &r, Filter &f)
{
    f.angle = r.fixed16();
    f.distance = std::clamp(r.fixed16(), -1000.0, 1000.0);
}

void readStrength(Reader &r, Filter &f)
{
    f.strength = std::clamp(r.fixed8(), 0.0, 255.0);
}

void readGradientFilter(Reader &r, Filter &f)
{
    // All the colours come first, then all the ratios.
    f.gradient.records.resize(r.u8());
    for (GradientRecord &record : f.gradient.records)
        record.color = readRgba(r);
    for (GradientRecord &record : f.gradient.records)
        record.ratio = r.u8();
    readBlurs(r, f);
    readAngleDistance(r, f);
    readStrength(r, f);
    readShadowFlags(r, f, true);
}

void readConvolution(Reader &r, Filter &f)
{
    f.matrixX = r.u8();
    f.matrixY = r.u8();
    f.divisor = r.f32();
    f.bias = r.f32();
    for (int i = 0; i < f.matrixX * f.matrixY && r.ok(); ++i)
        f.kernel.push_back(r.f32());
    f.defaultColor = readRgba(r);
    const quint8 flags = r.u8();
    f.clamp = flags & 0x02;
    f.preserveAlpha = flags & 0x01;
}

bool readFilter(Reader &r, Filter &f)
{
    switch (f.kind) {
    case Filter::Kind::DropShadow:
        f.color = readRgba(r);
        readBlurs(r, f);
        readAngleDistance(r, f);
        readStrength(r, f);
        readShadowFlags(r, f, false);
        break;
    case Filter::Kind::Blur:
        readBlurs(r, f);
        f.passes = r.u8() >> 3;
        break;
    case Filter::Kind::Glow:
        f.color = readRgba(r);
        readBlurs(r, f);
        readStrength(r, f);
        readShadowFlags(r, f, false);
        break;
    case Filter::Kind::Bevel:
        f.color = readRgba(r);
        f.highlight = readRgba(r);
        readBlurs(r, f);
        readAngleDistance(r, f);
        readStrength(r, f);
        readShadowFlags(r, f, true);
        break;
    case Filter::Kind::GradientGlow:
    case Filter::Kind::GradientBevel:
        readGradientFilter(r, f);
        break;
    case Filter::Kind::Convolution:
        readConvolution(r, f);
        break;
    case Filter::Kind::ColorMatrix:
        for (float &v : f.matrix)
            v = r.f32();
        break;
    }
    f.passes = std::clamp(f.passes, 0, kMaxPasses);
    return r.ok();
}

} // namespace

bool readFilterList(Reader &r, std::vector<Filter> &filters)
{
    const int count = r.u8();
    for (int i = 0; i < count && r.ok(); ++i) {
        const quint8 type = r.u8();
        if (type > quint8(Filter::Kind::GradientBevel))
            return false;
        Filter filter;
        filter.kind = Filter::Kind(type);
        if (readFilter(r, filter))
            filters.push_back(std::move(filter));
    }
    return r.ok();
}

} // namespace swf
