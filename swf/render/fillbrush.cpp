#include "swf/render/fillbrush.h"

#include "swf/limits.h"
#include "swf/model/bitmap.h"
#include "swf/render/gradientramp.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

namespace swf {

namespace {

// Gradients are drawn in a square of 32768 twips centred on the origin.
constexpr double kGradientHalf = 16384.0;
// Edge pixels repeated around a clipped bitmap at most, per side.
constexpr int kMaxClampMargin = 1024;

QColor transformed(Rgba color, const ColorTransform &cx)
{
    return cx.apply(color).toColor();
}

QGradient::Spread spread(SpreadMode mode)
{
    switch (mode) {
    case SpreadMode::Reflect:
        return QGradient::ReflectSpread;
    case SpreadMode::Repeat:
        return QGradient::RepeatSpread;
    case SpreadMode::Pad:
        break;
    }
    return QGradient::PadSpread;
}

QBrush gradientBrush(const FillStyle &fill, const ColorTransform &cx)
{
    const Gradient &g = fill.gradient;
    if (g.records.size() <= 1) {
        const Rgba only = g.records.empty() ? Rgba{0, 0, 0, 255} : g.records.front().color;
        return QBrush(transformed(only, cx));
    }
    QGradient gradient;
    if (fill.kind == FillKind::LinearGradient) {
        gradient = QLinearGradient(-kGradientHalf, 0, kGradientHalf, 0);
    } else {
        // Qt needs the focal point strictly inside the circle.
        const double focal =
            fill.kind == FillKind::FocalGradient ? std::clamp(g.focalPoint, -0.998, 0.998) : 0.0;
        gradient = QRadialGradient(QPointF(0, 0), kGradientHalf, QPointF(focal * kGradientHalf, 0));
    }
    gradient.setStops(gradientStops(g, cx));
    gradient.setSpread(spread(g.spread));
    gradient.setInterpolationMode(QGradient::ComponentInterpolation);
    QBrush brush(gradient);
    brush.setTransform(fill.matrix.toTransform());
    return brush;
}

// Pixels by which `area` (shape coordinates) reaches past the bitmap under
// `toShape`, rounded up, plus one for smoothing at the edge.
int clampMargin(const QRectF &area, const QTransform &toShape, QSize size)
{
    if (area.isEmpty())
        return 1;
    bool invertible = false;
    const QTransform toBitmap = toShape.inverted(&invertible);
    if (!invertible)
        return 1;
    const QRectF r = toBitmap.mapRect(area);
    const double reach =
        std::max({-r.left(), -r.top(), r.right() - size.width(), r.bottom() - size.height(), 0.0});
    if (!std::isfinite(reach))
        return 1;
    const double margin = std::ceil(reach) + 1.0;
    const double w = size.width() + 2 * margin, h = size.height() + 2 * margin;
    if (margin > kMaxClampMargin || w * h > double(limits::kMaxBitmapPixels))
        return 1;
    return int(margin);
}

QBrush bitmapBrush(const FillStyle &fill, const ColorTransform &cx, DrawContext &context,
                   const QRectF &area)
{
    const Character *character =
        fill.scriptBitmap ? fill.scriptBitmap.get() : context.movie.character(fill.bitmapId);
    if (!character || character->kind() != CharacterKind::Bitmap)
        return Qt::NoBrush;
    const auto &bitmap = static_cast<const Bitmap &>(*character);
    const bool clipped =
        fill.kind == FillKind::ClippedBitmap || fill.kind == FillKind::NonSmoothedClippedBitmap;
    const QTransform toShape = fill.matrix.toTransform();
    int margin = 0;
    if (clipped) {
        const QImage base = context.bitmaps.image(bitmap);
        if (base.isNull())
            return Qt::NoBrush;
        margin = clampMargin(area, toShape, base.size());
    }
    const QImage image = context.bitmaps.variant(bitmap, cx, margin);
    if (image.isNull())
        return Qt::NoBrush;
    QBrush brush(image);
    brush.setTransform(QTransform::fromTranslate(-margin, -margin) * toShape);
    return brush;
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

QBrush fillBrush(const FillStyle &fill, const DrawState &state, DrawContext &context,
                 const QRectF &area)
{
    if (fill.kind == FillKind::Solid)
        return QBrush(transformed(fill.color, state.colorTransform));
    if (fill.isGradient())
        return gradientBrush(fill, state.colorTransform);
    return bitmapBrush(fill, state.colorTransform, context, area);
}

bool smoothedFill(const FillStyle &fill)
{
    return fill.kind == FillKind::RepeatingBitmap || fill.kind == FillKind::ClippedBitmap;
}

QPen linePen(const LineStyle &style, int shapeVersion, const DrawState &state, DrawContext &context)
{
    QBrush brush = style.fill ? fillBrush(*style.fill, state, context)
                              : QBrush(transformed(style.color, state.colorTransform));
    QPen pen(brush, style.width);
    const QTransform &t = state.transform;
    if (style.noHScale || style.noVScale) {
        // Not scaled by the object: as wide as on the stage, in device pixels.
        pen.setCosmetic(true);
        pen.setWidthF(std::max(1.0, style.width * context.stageScale));
    } else if (style.width * std::sqrt(std::abs(t.determinant())) < 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    }
    if (shapeVersion >= 4) {
        pen.setCapStyle(penCap(style.startCap));
        pen.setJoinStyle(penJoin(style.join));
        // Both the file and Qt cut a miter off at this many line widths
        // from the join point.
        if (style.join == JoinStyle::Miter)
            pen.setMiterLimit(std::max(1.0, style.miterLimit));
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

} // namespace swf
