// Stroke outlines with a cap of its own at each open end, and strokes
// hinted onto whole device pixels (LINESTYLE2's start and end caps and
// its pixel-hinting flag, which a QPen cannot express).
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

// `path` mapped to device pixels by `transform`, each anchor moved onto
// the pixel grid a stroke `widthPixels` wide (a whole number) lies on
// crisply: pixel centres for odd widths, pixel edges for even ones.
// Control points move with their anchors, so curves keep their tangents.
QPainterPath hintedDevicePath(const QPainterPath &path, const QTransform &transform,
                              int widthPixels);

} // namespace swf
