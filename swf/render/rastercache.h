// Pictures of shapes whose fills cost much to draw (bitmaps, gradients),
// kept from frame to frame. A shape drawn again under the same matrix, up
// to a move by whole device pixels, and the same colour transform is
// copied from its picture: the raster engine then blends premultiplied
// pixels it has already made instead of sampling the bitmap or gradient
// again for every pixel. The store is bounded in bytes; the pictures used
// longest ago go first, never those of the frame being drawn.
#pragma once

#include "swf/model/shape.h"
#include "swf/types.h"

#include <QImage>
#include <QTransform>

#include <array>
#include <functional>
#include <map>

namespace swf {

class RasterCache {
public:
    // Called once per frame drawn.
    void beginFrame();
    void clear();

    // The picture of `shape` under `transform` (device pixels) and `cx`,
    // covering `pixels`, made by `draw` (given a painter on a transparent
    // image of that size, whose origin is at pixels.topLeft()). Null the
    // first time a shape is asked for under these: a picture is made only
    // for what is drawn more than once.
    const QImage *picture(const Shape &shape, const QTransform &transform, const ColorTransform &cx,
                          double stageScale, const QRect &pixels,
                          const std::function<void(QPainter &)> &draw);

    int count() const { return int(m_pictures.size()); }
    qint64 bytes() const { return m_bytes; }

private:
    struct Key {
        const Shape *shape;
        std::array<double, 5> linear; // m11, m12, m21, m22, stage scale
        std::array<int, 2> phase;     // the translation within its pixel, in 1/256
        std::array<qint16, 8> cx;
        auto operator<=>(const Key &) const = default;
    };
    struct Entry {
        QImage image; // null until asked for a second time
        quint64 lastFrame = 0;
    };

    void evict();

    std::map<Key, Entry> m_pictures;
    qint64 m_bytes = 0;
    quint64 m_frame = 1;
};

} // namespace swf
