// What every drawer gets: the painter, the caches, the movie, and the
// transforms of the object being drawn.
#pragma once

#include "swf/geometry/morphcache.h"
#include "swf/geometry/shapecache.h"
#include "swf/model/movie.h"
#include "swf/render/bitmapcache.h"
#include "swf/render/layercache.h"
#include "swf/render/layerpool.h"
#include "swf/render/rastercache.h"
#include "swf/types.h"

#include <QPainter>
#include <QTransform>

namespace swf {

class DisplayObject;

struct DrawContext {
    QPainter &painter;
    ShapeCache &shapes;
    const Movie &movie;
    BitmapCache &bitmaps;
    MorphCache &morphs;
    LayerPool &layers;
    RasterCache &rasters;
    LayerCache &layerCache;
    // Device pixels per twip of the stage, for strokes that do not scale
    // with their object.
    double stageScale = 1.0;
    // The painter's device area that layers (blend modes) may cover.
    QRect layerArea;
    // Layers (blend modes, filters) this context's painter lies inside.
    int layerDepth = 0;
};

// Where and how one leaf object is drawn: its matrix to device pixels and
// its colour transform with those of its parents applied.
struct DrawState {
    QTransform transform;
    ColorTransform colorTransform;
};

} // namespace swf
