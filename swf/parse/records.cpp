#include "swf/parse/records.h"

namespace swf {

Rect readRect(Reader &r)
{
    r.align();
    const int bits = int(r.ub(5));
    Rect rect;
    rect.xMin = r.sb(bits);
    rect.xMax = r.sb(bits);
    rect.yMin = r.sb(bits);
    rect.yMax = r.sb(bits);
    r.align();
    return rect;
}

Matrix readMatrix(Reader &r)
{
    r.align();
    Matrix m;
    if (r.flag()) {
        const int bits = int(r.ub(5));
        m.scaleX = r.fb(bits);
        m.scaleY = r.fb(bits);
    }
    if (r.flag()) {
        const int bits = int(r.ub(5));
        m.rotateSkew0 = r.fb(bits);
        m.rotateSkew1 = r.fb(bits);
    }
    const int bits = int(r.ub(5));
    m.translateX = r.sb(bits);
    m.translateY = r.sb(bits);
    r.align();
    return m;
}

ColorTransform readColorTransform(Reader &r, bool withAlpha)
{
    r.align();
    ColorTransform cx;
    const bool hasAdd = r.flag();
    const bool hasMult = r.flag();
    const int bits = int(r.ub(4));
    if (hasMult) {
        cx.multR = qint16(r.sb(bits));
        cx.multG = qint16(r.sb(bits));
        cx.multB = qint16(r.sb(bits));
        if (withAlpha)
            cx.multA = qint16(r.sb(bits));
    }
    if (hasAdd) {
        cx.addR = qint16(r.sb(bits));
        cx.addG = qint16(r.sb(bits));
        cx.addB = qint16(r.sb(bits));
        if (withAlpha)
            cx.addA = qint16(r.sb(bits));
    }
    r.align();
    return cx;
}

Rgba readRgb(Reader &r)
{
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
}

Rgba readRgba(Reader &r)
{
    Rgba c = readRgb(r);
    c.a = r.u8();
    return c;
}

} // namespace swf
