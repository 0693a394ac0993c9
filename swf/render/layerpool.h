// Memory for layers (blend modes, filters, cached bitmaps), kept from frame
// to frame: one buffer per nesting level, grown to the largest layer that
// level has needed. A movie that draws the same layers every frame
// allocates nothing after its first, and each layer clears only its own
// pixels, not the whole picture.
#pragma once

#include <QImage>

#include <memory>
#include <vector>

namespace swf {

class LayerPool {
public:
    // A transparent premultiplied image of `size` over level `level`'s
    // buffer: valid until the next take() at that level or clear(). Null
    // when the memory cannot be had.
    QImage take(int level, QSize size);
    // Gives the memory back (a new movie, a smaller picture).
    void clear() { m_levels.clear(); }
    qint64 bytes() const;

private:
    struct Buffer {
        std::unique_ptr<quint32[]> pixels;
        qint64 capacity = 0; // in pixels
    };
    std::vector<Buffer> m_levels;
};

} // namespace swf
