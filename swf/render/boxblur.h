// Box blurs, the blur of every surface filter: a box `size` pixels wide
// (rounded from the filter's blur in device pixels) run `passes` times
// along each axis; what lies outside the image counts as transparent.
#pragma once

#include <QImage>

#include <vector>

namespace swf {

// One channel of an image, a byte a pixel, rows packed.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<quint8> values;

    quint8 *row(int y) { return values.data() + size_t(y) * size_t(width); }
    const quint8 *row(int y) const { return values.data() + size_t(y) * size_t(width); }
    // The value at (x, y), or `outside` beyond the edges.
    quint8 at(int x, int y, quint8 outside) const
    {
        return x < 0 || y < 0 || x >= width || y >= height ? outside
                                                           : values[size_t(y) * width + x];
    }
};

// The alpha channel of a premultiplied ARGB image.
Plane alphaPlane(const QImage &image);

// Blurs `plane` with boxes `sizeX` by `sizeY` pixels (1 leaves an axis).
void blurPlane(Plane &plane, int sizeX, int sizeY, int passes);

// Blurs every channel of a premultiplied ARGB image alike.
void blurImage(QImage &image, int sizeX, int sizeY, int passes);

} // namespace swf
