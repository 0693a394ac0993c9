#include "swf/render/layerpool.h"

#include "swf/limits.h"

#include <cstring>
#include <new>

namespace swf {

QImage LayerPool::take(int level, QSize size)
{
    if (level < 0 || level > limits::kMaxNestedLayers || size.isEmpty() ||
        size.width() > limits::kMaxRenderSide || size.height() > limits::kMaxRenderSide)
        return {};
    if (size_t(level) >= m_levels.size())
        m_levels.resize(size_t(level) + 1);
    Buffer &buffer = m_levels[size_t(level)];
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > buffer.capacity) {
        buffer.pixels.reset(new (std::nothrow) quint32[size_t(pixels)]);
        buffer.capacity = buffer.pixels ? pixels : 0;
        if (!buffer.pixels)
            return {};
    }
    std::memset(buffer.pixels.get(), 0, size_t(pixels) * sizeof(quint32));
    return QImage(reinterpret_cast<uchar *>(buffer.pixels.get()), size.width(), size.height(),
                  size.width() * qsizetype(sizeof(quint32)), QImage::Format_ARGB32_Premultiplied);
}

qint64 LayerPool::bytes() const
{
    qint64 total = 0;
    for (const Buffer &buffer : m_levels)
        total += buffer.capacity * qint64(sizeof(quint32));
    return total;
}

} // namespace swf
