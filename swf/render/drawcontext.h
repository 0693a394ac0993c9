// What every drawer gets: the painter, the caches, the movie, and the
// transforms of the object being drawn.
#pragma once

#include "swf/model/movie.h"
#include "swf/render/shapecache.h"
#include "swf/types.h"

#include <QPainter>
#include <QTransform>

namespace swf {

class DisplayObject;

struct DrawContext {
    QPainter &painter;
    ShapeCache &shapes;
    const Movie &movie;
};

// Where and how one leaf object is drawn: its matrix to device pixels and
// its colour transform with those of its parents applied.
struct DrawState {
    QTransform transform;
    ColorTransform colorTransform;
};

} // namespace swf
