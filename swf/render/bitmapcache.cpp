#include "swf/render/bitmapcache.h"

#include "swf/codec/bitmapdecoder.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/render/imageops.h"

#include <algorithm>
#include <vector>

namespace swf {

namespace {

qint64 imageBytes(const QImage &image)
{
    return image.isNull() ? 0 : image.sizeInBytes();
}

// Erases the entries not used in `frame`, oldest first, until `bytes`
// fits under `cap`.
template <typename Map> void evictOldest(Map &map, qint64 &bytes, qint64 cap, quint64 frame)
{
    if (bytes <= cap)
        return;
    std::vector<typename Map::iterator> order;
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it->second.lastFrame != frame)
            order.push_back(it);
    }
    std::sort(order.begin(), order.end(), [](const auto &a, const auto &b) {
        return a->second.lastFrame < b->second.lastFrame;
    });
    for (auto it : order) {
        if (bytes <= cap)
            break;
        bytes -= imageBytes(it->second.image);
        map.erase(it);
    }
}

} // namespace

void BitmapCache::beginFrame()
{
    ++m_frame;
}

void BitmapCache::clear()
{
    m_decoded.clear();
    m_variants.clear();
    m_decodedBytes = m_variantBytes = 0;
}

QImage BitmapCache::image(const Bitmap &bitmap)
{
    // A script's pixels change between frames: read as they are now.
    if (bitmap.pixels)
        return bitmap.pixels->image;
    auto it = m_decoded.find(&bitmap);
    if (it == m_decoded.end()) {
        Decoded entry;
        auto decoded = decodeBitmap(bitmap);
        if (decoded)
            entry.image = std::move(*decoded);
        else
            qCDebug(lcSwfRender).noquote()
                << "bitmap" << bitmap.id() << "not drawn:" << decoded.error().toString();
        entry.lastFrame = m_frame; // in use: safe from its own eviction
        m_decodedBytes += imageBytes(entry.image);
        it = m_decoded.emplace(&bitmap, std::move(entry)).first;
        evictDecoded();
    }
    it->second.lastFrame = m_frame;
    return it->second.image;
}

QImage BitmapCache::variant(const Bitmap &bitmap, const ColorTransform &cx, int margin)
{
    const QImage base = image(bitmap);
    if (base.isNull() || (cx.isIdentity() && margin <= 0))
        return base;
    if (bitmap.pixels) {
        QImage made = extendEdges(base, margin);
        applyColorTransform(made, cx);
        return made;
    }
    const VariantKey key{
        &bitmap,
        {cx.multR, cx.multG, cx.multB, cx.multA, cx.addR, cx.addG, cx.addB, cx.addA},
        margin};
    auto it = m_variants.find(key);
    if (it == m_variants.end()) {
        Variant entry;
        entry.image = extendEdges(base, margin);
        applyColorTransform(entry.image, cx);
        entry.lastFrame = m_frame; // in use: safe from its own eviction
        m_variantBytes += imageBytes(entry.image);
        it = m_variants.emplace(key, std::move(entry)).first;
        evictVariants();
    }
    it->second.lastFrame = m_frame;
    return it->second.image;
}

void BitmapCache::evictDecoded()
{
    evictOldest(m_decoded, m_decodedBytes, limits::kMaxBitmapCacheBytes, m_frame);
}

void BitmapCache::evictVariants()
{
    evictOldest(m_variants, m_variantBytes, limits::kMaxTintedBitmapBytes, m_frame);
}

} // namespace swf
