// Drawing of DefineShape characters: each layer's fills, then its lines.
#include "swf/model/shape.h"
#include "swf/render/drawkinds.h"
#include "swf/render/fillbrush.h"
#include "swf/runtime/displayobject.h"

namespace swf {

void drawShape(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &shape = static_cast<const Shape &>(object.character());
    ShapeGeometry &geometry = context.shapes.geometry(shape);
    QPainter &painter = context.painter;
    painter.setTransform(state.transform);
    for (ShapeLayer &layer : geometry.layers) {
        for (const StyledPath &fill : layer.fills) {
            const QBrush brush = fillBrush(layer.styles->fills[fill.style], state, context);
            if (brush.color().alpha() == 0 && brush.style() == Qt::SolidPattern)
                continue;
            painter.fillPath(fill.path, brush);
        }
        for (LinePath &line : layer.lines) {
            const QPen pen =
                linePen(layer.styles->lines[line.style], shape.version, state, context);
            if (pen.isCosmetic()) {
                painter.strokePath(line.path, pen);
                continue;
            }
            if (!line.outlined) {
                QPainterPathStroker stroker(pen);
                line.outline = stroker.createStroke(line.path);
                line.outlined = true;
            }
            painter.fillPath(line.outline, pen.brush());
        }
    }
}

QPainterPath shapeOutline(const DisplayObject &object, DrawContext &context)
{
    const auto &shape = static_cast<const Shape &>(object.character());
    return context.shapes.geometry(shape).fillOutline();
}

} // namespace swf
