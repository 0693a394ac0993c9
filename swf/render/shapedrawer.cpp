// Drawing of DefineShape characters: each layer's fills, then its lines.
#include "swf/model/shape.h"
#include "swf/render/drawkinds.h"
#include "swf/render/fillbrush.h"
#include "swf/render/strokeoutline.h"
#include "swf/runtime/displayobject.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

void fillArea(QPainter &painter, const QPainterPath &path, const FillStyle &style,
              const DrawState &state, DrawContext &context)
{
    // Only clipped bitmaps need the area they cover; finding it walks the path.
    const bool clipped =
        style.kind == FillKind::ClippedBitmap || style.kind == FillKind::NonSmoothedClippedBitmap;
    const QBrush brush =
        fillBrush(style, state, context, clipped ? path.controlPointRect() : QRectF());
    if (brush.style() == Qt::NoBrush ||
        (brush.style() == Qt::SolidPattern && brush.color().alpha() == 0))
        return;
    if (brush.style() == Qt::TexturePattern) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothedFill(style));
        painter.fillPath(path, brush);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        return;
    }
    painter.fillPath(path, brush);
}

// Fills `outline`, in device pixels, with `pen`'s brush, whose own
// transform is in shape coordinates.
void fillDeviceOutline(QPainter &painter, const QPainterPath &outline, const QPen &pen,
                       const QTransform &transform)
{
    QBrush brush = pen.brush();
    brush.setTransform(brush.transform() * transform);
    painter.setTransform(QTransform());
    painter.fillPath(outline, brush);
    painter.setTransform(transform);
}

// A pixel-hinted stroke: a whole number of device pixels wide, its
// anchors on the pixel grid, so thin lines come out crisp.
void strokeHinted(QPainter &painter, const LinePath &line, QPen pen, StrokeCaps caps,
                  const QTransform &transform)
{
    const double width = pen.isCosmetic()
                             ? pen.widthF()
                             : pen.widthF() * std::sqrt(std::abs(transform.determinant()));
    const int pixels = std::max(1, int(std::lround(std::min(width, 1e6))));
    pen.setCosmetic(false);
    pen.setWidth(pixels);
    const QPainterPath path = hintedDevicePath(line.path, transform, pixels);
    fillDeviceOutline(painter, strokeOutline(path, pen, caps), pen, transform);
}

void strokeLine(QPainter &painter, LinePath &line, const LineStyle &style, int shapeVersion,
                const DrawState &state, DrawContext &context)
{
    QPen pen = linePen(style, shapeVersion, state, context);
    if (pen.brush().style() == Qt::NoBrush)
        return;
    const StrokeCaps caps = strokeCaps(style, shapeVersion);
    if (style.pixelHinting && shapeVersion >= 4) {
        strokeHinted(painter, line, pen, caps, state.transform);
        return;
    }
    if (pen.isCosmetic()) {
        if (caps.start == caps.end) {
            painter.strokePath(line.path, pen);
            return;
        }
        // Device-pixel widths with a cap of each kind: outlined on the device.
        pen.setCosmetic(false);
        fillDeviceOutline(painter, strokeOutline(state.transform.map(line.path), pen, caps), pen,
                          state.transform);
        return;
    }
    if (!line.outlined) {
        line.outline = strokeOutline(line.path, pen, caps);
        line.outlined = true;
    }
    painter.fillPath(line.outline, pen.brush());
}

// Bitmap and gradient fills sample their source for every pixel; solid
// fills and lines cost little to draw again.
bool fillsCostly(const ShapeGeometry &geometry)
{
    for (const ShapeLayer &layer : geometry.layers) {
        for (const StyledPath &fill : layer.fills) {
            if (layer.styles->fills[fill.style].kind != FillKind::Solid)
                return true;
        }
    }
    return false;
}

// A shape with costly fills drawn before under the same matrix (up to
// whole pixels) is copied from its picture; it is drawn as itself when
// the picture would be much larger than the area drawn on.
bool drawFromPicture(const Shape &shape, ShapeGeometry &geometry, const DrawState &state,
                     DrawContext &context)
{
    if (shape.usesNonScalingStrokes || !fillsCostly(geometry))
        return false;
    const QRect pixels =
        state.transform.mapRect(shape.bounds.toRectF()).toAlignedRect().adjusted(-1, -1, 1, 1);
    const QRect area = context.layerArea;
    if (qint64(pixels.width()) * pixels.height() > 2 * qint64(area.width()) * area.height())
        return false;
    const QImage *image = context.rasters.picture(
        shape, state.transform, state.colorTransform, context.stageScale, pixels,
        [&](QPainter &painter) {
            DrawContext inner{painter,
                              context.shapes,
                              context.movie,
                              context.bitmaps,
                              context.morphs,
                              context.layers,
                              context.rasters,
                              context.layerCache,
                              context.stageScale,
                              QRect(QPoint(0, 0), pixels.size()),
                              context.layerDepth};
            const DrawState local{state.transform *
                                      QTransform::fromTranslate(-pixels.left(), -pixels.top()),
                                  state.colorTransform};
            drawGeometry(geometry, shape.version, local, inner);
        });
    if (!image)
        return false;
    QPainter &painter = context.painter;
    painter.setTransform(QTransform());
    painter.drawImage(pixels.topLeft(), *image);
    return true;
}

} // namespace

void drawGeometry(ShapeGeometry &geometry, int shapeVersion, const DrawState &state,
                  DrawContext &context)
{
    QPainter &painter = context.painter;
    painter.setTransform(state.transform);
    for (ShapeLayer &layer : geometry.layers) {
        for (const StyledPath &fill : layer.fills)
            fillArea(painter, fill.path, layer.styles->fills[fill.style], state, context);
        for (LinePath &line : layer.lines)
            strokeLine(painter, line, layer.styles->lines[line.style], shapeVersion, state,
                       context);
    }
}

void drawShape(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &shape = static_cast<const Shape &>(*object.character());
    ShapeGeometry &geometry = context.shapes.geometry(shape);
    if (!drawFromPicture(shape, geometry, state, context))
        drawGeometry(geometry, shape.version, state, context);
}

void drawDrawing(const Drawing &drawing, const DrawState &state, DrawContext &context)
{
    drawGeometry(drawing.geometry(), drawing.shape().version, state, context);
}

QPainterPath shapeOutline(const DisplayObject &object, DrawContext &context)
{
    const auto &shape = static_cast<const Shape &>(*object.character());
    return context.shapes.geometry(shape).fillOutline();
}

} // namespace swf
