// Plain value types of SWF shared by every layer of the engine: rectangles
// and coordinates in twips (1/20 pixel), colours, matrices and colour
// transforms.
#pragma once

#include <QColor>
#include <QRectF>
#include <QTransform>

#include <algorithm>

namespace swf {

inline constexpr double kTwipsPerPixel = 20.0;

struct Rect {
    qint32 xMin = 0;
    qint32 xMax = 0;
    qint32 yMin = 0;
    qint32 yMax = 0;

    qint64 width() const { return qint64(xMax) - xMin; }
    qint64 height() const { return qint64(yMax) - yMin; }
    bool isEmpty() const { return width() <= 0 || height() <= 0; }
    QRectF toRectF() const { return QRectF(xMin, yMin, double(width()), double(height())); }
    friend bool operator==(const Rect &, const Rect &) = default;
};

struct Rgba {
    quint8 r = 0;
    quint8 g = 0;
    quint8 b = 0;
    quint8 a = 255;

    QColor toColor() const { return QColor(r, g, b, a); }
    friend bool operator==(const Rgba &, const Rgba &) = default;
};

// The SWF matrix: x' = scaleX·x + rotateSkew1·y + translateX,
// y' = rotateSkew0·x + scaleY·y + translateY; translation in twips.
struct Matrix {
    double scaleX = 1.0;
    double rotateSkew0 = 0.0;
    double rotateSkew1 = 0.0;
    double scaleY = 1.0;
    qint32 translateX = 0;
    qint32 translateY = 0;

    QTransform toTransform() const
    {
        return QTransform(scaleX, rotateSkew0, rotateSkew1, scaleY, translateX, translateY);
    }
    friend bool operator==(const Matrix &, const Matrix &) = default;
};

// Colour transform: each channel is multiplied in 8.8 fixed point, then
// the addition term is added, and the result clamped to 0…255.
struct ColorTransform {
    qint16 multR = 256;
    qint16 multG = 256;
    qint16 multB = 256;
    qint16 multA = 256;
    qint16 addR = 0;
    qint16 addG = 0;
    qint16 addB = 0;
    qint16 addA = 0;

    bool isIdentity() const { return *this == ColorTransform{}; }

    Rgba apply(Rgba c) const
    {
        return {channel(c.r, multR, addR), channel(c.g, multG, addG), channel(c.b, multB, addB),
                channel(c.a, multA, addA)};
    }

    // The transform that applies `inner` first and then `outer`.
    static ColorTransform concat(const ColorTransform &outer, const ColorTransform &inner)
    {
        ColorTransform r;
        r.multR = mul(outer.multR, inner.multR);
        r.multG = mul(outer.multG, inner.multG);
        r.multB = mul(outer.multB, inner.multB);
        r.multA = mul(outer.multA, inner.multA);
        r.addR = add(outer.addR, inner.addR, outer.multR);
        r.addG = add(outer.addG, inner.addG, outer.multG);
        r.addB = add(outer.addB, inner.addB, outer.multB);
        r.addA = add(outer.addA, inner.addA, outer.multA);
        return r;
    }

    friend bool operator==(const ColorTransform &, const ColorTransform &) = default;

private:
    static quint8 channel(int value, int mult, int addend)
    {
        return quint8(std::clamp(((value * mult) >> 8) + addend, 0, 255));
    }
    static qint16 mul(int a, int b) { return qint16(std::clamp((a * b) >> 8, -32768, 32767)); }
    static qint16 add(int outerAdd, int innerAdd, int outerMult)
    {
        return qint16(std::clamp(outerAdd + ((innerAdd * outerMult) >> 8), -32768, 32767));
    }
};

} // namespace swf
