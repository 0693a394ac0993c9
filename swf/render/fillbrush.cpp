#include "swf/render/fillbrush.h"

#include <cmath>

namespace swf {

namespace {

QColor transformed(Rgba color, const ColorTransform &cx)
{
    return cx.apply(color).toColor();
}

QColor gradientPlaceholder(const Gradient &gradient, const ColorTransform &cx)
{
    if (gradient.records.empty())
        return QColor(0, 0, 0, 0);
    int r = 0, g = 0, b = 0, a = 0;
    for (const GradientRecord &record : gradient.records) {
        const Rgba c = cx.apply(record.color);
        r += c.r;
        g += c.g;
        b += c.b;
        a += c.a;
    }
    const int n = int(gradient.records.size());
    return QColor(r / n, g / n, b / n, a / n);
}

Qt::PenCapStyle penCap(CapStyle cap)
{
    switch (cap) {
    case CapStyle::Round:
        return Qt::RoundCap;
    case CapStyle::None:
        return Qt::FlatCap;
    case CapStyle::Square:
        return Qt::SquareCap;
    }
    return Qt::RoundCap;
}

Qt::PenJoinStyle penJoin(JoinStyle join)
{
    switch (join) {
    case JoinStyle::Round:
        return Qt::RoundJoin;
    case JoinStyle::Bevel:
        return Qt::BevelJoin;
    case JoinStyle::Miter:
        return Qt::MiterJoin;
    }
    return Qt::RoundJoin;
}

} // namespace

QBrush fillBrush(const FillStyle &fill, const DrawState &state, DrawContext &)
{
    if (fill.kind == FillKind::Solid)
        return QBrush(transformed(fill.color, state.colorTransform));
    if (fill.isGradient())
        return QBrush(gradientPlaceholder(fill.gradient, state.colorTransform));
    return QBrush(transformed(Rgba{128, 128, 128, 255}, state.colorTransform));
}

QPen linePen(const LineStyle &style, int shapeVersion, const DrawState &state, DrawContext &context)
{
    QBrush brush = style.fill ? fillBrush(*style.fill, state, context)
                              : QBrush(transformed(style.color, state.colorTransform));
    // Width in device pixels: the line's twips under the transform's mean scale.
    const double scale = std::sqrt(std::abs(state.transform.determinant()));
    QPen pen(brush, style.width);
    if (style.width * scale < 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    }
    if (shapeVersion >= 4) {
        pen.setCapStyle(penCap(style.startCap));
        pen.setJoinStyle(penJoin(style.join));
        if (style.join == JoinStyle::Miter)
            pen.setMiterLimit(qMax(1.0, style.miterLimit));
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

} // namespace swf
