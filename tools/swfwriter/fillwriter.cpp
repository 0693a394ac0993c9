#include "tools/swfwriter/fillwriter.h"

#include "tools/swfwriter/records.h"

#include <cmath>

namespace swfwriter {

QByteArray gradientFill(const GradientSpec &gradient, int shapeVersion)
{
    BitWriter w;
    w.u8(quint8(gradient.kind));
    writeMatrix(w, gradient.matrix);
    w.ub(2, quint32(gradient.spread));
    w.ub(2, quint32(gradient.interpolation));
    w.ub(4, quint32(std::min<size_t>(gradient.records.size(), 15)));
    for (size_t i = 0; i < gradient.records.size() && i < 15; ++i) {
        w.u8(gradient.records[i].ratio);
        if (shapeVersion >= 3)
            writeRgba(w, gradient.records[i].color);
        else
            writeRgb(w, gradient.records[i].color);
    }
    if (gradient.kind == swf::FillKind::FocalGradient)
        w.fixed8(gradient.focalPoint);
    return w.data();
}

QByteArray bitmapFill(swf::FillKind kind, quint16 bitmapId, const swf::Matrix &matrix)
{
    BitWriter w;
    w.u8(quint8(kind));
    w.u16(bitmapId);
    writeMatrix(w, matrix);
    return w.data();
}

swf::Matrix gradientBox(const QRect &twips, double degrees)
{
    const double a = degrees * M_PI / 180.0;
    const double sx = twips.width() / 32768.0, sy = twips.height() / 32768.0;
    swf::Matrix m;
    m.scaleX = sx * std::cos(a);
    m.rotateSkew0 = sx * std::sin(a);
    m.rotateSkew1 = -sy * std::sin(a);
    m.scaleY = sy * std::cos(a);
    m.translateX = twips.x() + twips.width() / 2;
    m.translateY = twips.y() + twips.height() / 2;
    return m;
}

} // namespace swfwriter
