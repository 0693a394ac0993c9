#include "swf/render/rastercache.h"

#include "swf/limits.h"

#include <QPainter>

#include <cmath>

namespace swf {

namespace {

// All pictures together; a full-screen background takes 8 MiB.
constexpr qint64 kMaxBytes = qint64(96) * 1024 * 1024;
// Shapes seen once (keys without pictures) remembered at most.
constexpr size_t kMaxEntries = 4096;

int phase(double offset)
{
    return int(std::lround((offset - std::floor(offset)) * 256.0)) & 255;
}

} // namespace

void RasterCache::beginFrame()
{
    ++m_frame;
}

void RasterCache::clear()
{
    m_pictures.clear();
    m_bytes = 0;
}

const QImage *RasterCache::picture(const Shape &shape, const QTransform &transform,
                                   const ColorTransform &cx, double stageScale, const QRect &pixels,
                                   const std::function<void(QPainter &)> &draw)
{
    const qint64 size = qint64(pixels.width()) * pixels.height() * 4;
    if (pixels.isEmpty() || size > kMaxBytes / 4 || pixels.width() > limits::kMaxRenderSide ||
        pixels.height() > limits::kMaxRenderSide)
        return nullptr;
    const Key key{&shape,
                  {transform.m11(), transform.m12(), transform.m21(), transform.m22(), stageScale},
                  {phase(transform.dx()), phase(transform.dy())},
                  {cx.multR, cx.multG, cx.multB, cx.multA, cx.addR, cx.addG, cx.addB, cx.addA}};
    auto [it, added] = m_pictures.try_emplace(key);
    Entry &entry = it->second;
    const bool seenBefore = !added && entry.lastFrame != 0;
    entry.lastFrame = m_frame;
    if (!seenBefore) {
        if (m_pictures.size() > kMaxEntries)
            evict();
        return nullptr;
    }
    if (entry.image.size() != pixels.size()) {
        m_bytes -= entry.image.sizeInBytes();
        entry.image = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        if (entry.image.isNull())
            return nullptr;
        entry.image.fill(Qt::transparent);
        m_bytes += entry.image.sizeInBytes();
        QPainter painter(&entry.image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        draw(painter);
        painter.end();
        if (m_bytes > kMaxBytes)
            evict();
    }
    return entry.image.isNull() ? nullptr : &entry.image;
}

// Drops what was used longest ago until the store is within its bounds;
// what the current frame uses stays.
void RasterCache::evict()
{
    while (m_bytes > kMaxBytes || m_pictures.size() > kMaxEntries) {
        auto oldest = m_pictures.end();
        for (auto it = m_pictures.begin(); it != m_pictures.end(); ++it) {
            if (it->second.lastFrame < m_frame &&
                (oldest == m_pictures.end() || it->second.lastFrame < oldest->second.lastFrame))
                oldest = it;
        }
        if (oldest == m_pictures.end())
            return;
        m_bytes -= oldest->second.image.sizeInBytes();
        m_pictures.erase(oldest);
    }
}

} // namespace swf
