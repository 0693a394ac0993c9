// Glyph outlines of embedded fonts, built once per glyph through the shape
// cache, and the painting of glyph runs shared by static text and text
// fields.
#pragma once

#include "swf/geometry/shapecache.h"
#include "swf/model/font.h"

#include <QPainter>
#include <QPainterPath>

namespace swf {

// The glyph's outline in glyph units (the font's EM square is
// Font::emSquare() high); null past the glyph table or for an empty glyph.
const QPainterPath *glyphOutline(const Font &font, qint64 index, ShapeCache &shapes);

// The transform from glyph units to text coordinates (twips) of a glyph
// whose origin is at `origin` in a text `height` twips high.
QTransform glyphTransform(const Font &font, double height, QPointF origin);

} // namespace swf
