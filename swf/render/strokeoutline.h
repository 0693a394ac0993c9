// Stroke outlines with a cap of its own at each open end (LINESTYLE2's
// start and end caps, which a QPen cannot express).
#pragma once

#include "swf/model/shape.h"

#include <QPainterPath>
#include <QPen>
#include <QTransform>

namespace swf {

struct StrokeCaps {
    Qt::PenCapStyle start = Qt::RoundCap;
    Qt::PenCapStyle end = Qt::RoundCap;
};

// The caps of `style`: its own in DefineShape4, round before.
StrokeCaps strokeCaps(const LineStyle &style, int shapeVersion);

// The area `path` covers when stroked with `pen` (its width, join and
// miter limit), each open subpath starting with `caps.start` and ending
// with `caps.end`. Subpaths that end where they start are joined there.
QPainterPath strokeOutline(const QPainterPath &path, const QPen &pen, StrokeCaps caps);

} // namespace swf
