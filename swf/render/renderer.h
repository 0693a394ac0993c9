// Draws a player's display list with QPainter, anti-aliased, scaled to show
// the whole stage ("show all": aspect kept, centred, the margins in the
// background colour).
#pragma once

#include "swf/geometry/morphcache.h"
#include "swf/geometry/shapecache.h"
#include "swf/render/bitmapcache.h"
#include "swf/render/layercache.h"
#include "swf/render/layerpool.h"
#include "swf/render/rastercache.h"
#include "swf/runtime/player.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <array>
#include <memory>

namespace swf {

class Renderer {
public:
    // A picture of `size` pixels (each side capped) on `background`.
    QImage render(const Player &player, QSize size, const QColor &background);
    // Draws into `viewport` of an active painter.
    void render(const Player &player, QPainter &painter, const QRect &viewport,
                const QColor &background);
    // A picture of `size` pixels with the stage at one pixel per 20 twips,
    // its top left corner at the picture's, as the Flash Player shows a
    // movie at its own size: a stage of a fractional size is cut, not scaled.
    QImage renderUnscaled(const Player &player, QSize size, const QColor &background);

    // Draws `object` with its children onto `image` (premultiplied ARGB32),
    // as a script's BitmapData.draw does: without the object's own matrix,
    // colour transform and filters, but under `transform` (the object's
    // twips to the image's pixels) and `cx`, within `clip` (image pixels).
    void renderObject(const Player &player, const DisplayObject &object, QImage &image,
                      const QTransform &transform, const ColorTransform &cx, const QRect &clip,
                      bool smoothing);
    // The movie's own background colour, or white when it sets none.
    static QColor backgroundOf(const Movie &movie);
    // That of level 0's movie; when it sets none, that of the lowest level
    // whose movie does.
    static QColor backgroundOf(const Player &player);
    // Stage twips to viewport pixels under "show all".
    static QTransform showAll(const Rect &stage, const QRectF &viewport);

    const ShapeCache &shapes() const { return m_shapes; }
    const BitmapCache &bitmaps() const { return m_bitmaps; }
    const RasterCache &rasters() const { return m_rasters; }
    const LayerCache &layerCache() const { return m_layerCache; }

private:
    struct Target {
        std::unique_ptr<quint32[]> pixels;
        QSize size;
    };
    QImage target(QSize size);
    static QImage picture(const std::shared_ptr<Target> &target);
    void draw(const Player &player, QPainter &painter, const QRect &viewport,
              const QTransform &transform, const QColor &background);
    void beginDrawing(const Player &player);

    ShapeCache m_shapes;
    BitmapCache m_bitmaps;
    MorphCache m_morphs;
    LayerPool m_layers;
    RasterCache m_rasters;
    LayerCache m_layerCache;
    // The memory of the last pictures drawn.
    std::array<std::shared_ptr<Target>, 2> m_targets;
};

} // namespace swf
