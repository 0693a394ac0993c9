#include "swf/render/textglyphs.h"

namespace swf {

const QPainterPath *glyphOutline(const Font &font, qint64 index, ShapeCache &shapes)
{
    const FontGlyph *glyph = font.glyph(index);
    if (!glyph || !glyph->shape)
        return nullptr;
    // Glyphs have one style table with one fill, so one layer with at most
    // one fill path.
    ShapeGeometry &geometry = shapes.geometry(*glyph->shape);
    if (geometry.layers.empty() || geometry.layers.front().fills.empty())
        return nullptr;
    return &geometry.layers.front().fills.front().path;
}

QTransform glyphTransform(const Font &font, double height, QPointF origin)
{
    const double scale = height / font.emSquare();
    return QTransform(scale, 0, 0, scale, origin.x(), origin.y());
}

} // namespace swf
