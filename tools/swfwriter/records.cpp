#include "tools/swfwriter/records.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace swfwriter {

namespace {

int bitsForAll(std::initializer_list<qint64> values)
{
    int bits = 1;
    for (qint64 v : values)
        bits = std::max(bits, BitWriter::signedBits(v));
    return bits;
}

qint64 fixed16(double v)
{
    return std::llround(v * 65536.0);
}

} // namespace

void writeRect(BitWriter &w, const swf::Rect &rect)
{
    w.align();
    const int bits = bitsForAll({rect.xMin, rect.xMax, rect.yMin, rect.yMax});
    w.ub(5, quint32(bits));
    w.sb(bits, rect.xMin);
    w.sb(bits, rect.xMax);
    w.sb(bits, rect.yMin);
    w.sb(bits, rect.yMax);
    w.align();
}

void writeMatrix(BitWriter &w, const swf::Matrix &m)
{
    w.align();
    const bool hasScale = m.scaleX != 1.0 || m.scaleY != 1.0;
    w.ub(1, hasScale);
    if (hasScale) {
        const int bits = bitsForAll({fixed16(m.scaleX), fixed16(m.scaleY)});
        w.ub(5, quint32(bits));
        w.sb(bits, qint32(fixed16(m.scaleX)));
        w.sb(bits, qint32(fixed16(m.scaleY)));
    }
    const bool hasRotate = m.rotateSkew0 != 0.0 || m.rotateSkew1 != 0.0;
    w.ub(1, hasRotate);
    if (hasRotate) {
        const int bits = bitsForAll({fixed16(m.rotateSkew0), fixed16(m.rotateSkew1)});
        w.ub(5, quint32(bits));
        w.sb(bits, qint32(fixed16(m.rotateSkew0)));
        w.sb(bits, qint32(fixed16(m.rotateSkew1)));
    }
    const bool hasTranslate = m.translateX != 0 || m.translateY != 0;
    const int bits = hasTranslate ? bitsForAll({m.translateX, m.translateY}) : 0;
    w.ub(5, quint32(bits));
    w.sb(bits, m.translateX);
    w.sb(bits, m.translateY);
    w.align();
}

void writeColorTransform(BitWriter &w, const swf::ColorTransform &cx, bool withAlpha)
{
    w.align();
    const bool hasAdd = cx.addR || cx.addG || cx.addB || (withAlpha && cx.addA);
    const bool hasMult =
        cx.multR != 256 || cx.multG != 256 || cx.multB != 256 || (withAlpha && cx.multA != 256);
    const int bits =
        bitsForAll({cx.multR, cx.multG, cx.multB, cx.multA, cx.addR, cx.addG, cx.addB, cx.addA});
    w.ub(1, hasAdd);
    w.ub(1, hasMult);
    w.ub(4, quint32(bits));
    if (hasMult) {
        w.sb(bits, cx.multR);
        w.sb(bits, cx.multG);
        w.sb(bits, cx.multB);
        if (withAlpha)
            w.sb(bits, cx.multA);
    }
    if (hasAdd) {
        w.sb(bits, cx.addR);
        w.sb(bits, cx.addG);
        w.sb(bits, cx.addB);
        if (withAlpha)
            w.sb(bits, cx.addA);
    }
    w.align();
}

void writeRgb(BitWriter &w, swf::Rgba color)
{
    w.u8(color.r);
    w.u8(color.g);
    w.u8(color.b);
}

void writeRgba(BitWriter &w, swf::Rgba color)
{
    writeRgb(w, color);
    w.u8(color.a);
}

swf::Matrix translation(double xPixels, double yPixels)
{
    swf::Matrix m;
    m.translateX = px(xPixels);
    m.translateY = px(yPixels);
    return m;
}

swf::Matrix scaleRotateTranslate(double scaleX, double scaleY, double degrees, double xPixels,
                                 double yPixels)
{
    const double rad = degrees * M_PI / 180.0;
    const double c = std::cos(rad);
    const double s = std::sin(rad);
    swf::Matrix m;
    m.scaleX = scaleX * c;
    m.rotateSkew0 = scaleX * s;
    m.rotateSkew1 = -scaleY * s;
    m.scaleY = scaleY * c;
    m.translateX = px(xPixels);
    m.translateY = px(yPixels);
    return m;
}

} // namespace swfwriter
