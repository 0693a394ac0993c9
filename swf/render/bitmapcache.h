// Decoded bitmaps, once per character, and the variants drawing needs
// (colour-transformed, edges extended), kept while the renderer draws the
// same movie. Both stores are bounded in bytes; the bitmaps drawn longest
// ago go first, never those of the frame being drawn.
#pragma once

#include "swf/model/bitmap.h"
#include "swf/types.h"

#include <QImage>

#include <array>
#include <map>
#include <unordered_map>

namespace swf {

class BitmapCache {
public:
    // Called once per frame drawn: the frame's bitmaps are safe from eviction.
    void beginFrame();
    void clear();

    // The decoded bitmap, or a null image when it cannot be decoded (the
    // reason is logged once).
    QImage image(const Bitmap &bitmap);
    // The bitmap under `cx`, with `margin` pixels of repeated edge around it.
    QImage variant(const Bitmap &bitmap, const ColorTransform &cx, int margin = 0);

    int decodedCount() const { return int(m_decoded.size()); }
    qint64 bytes() const { return m_decodedBytes + m_variantBytes; }

private:
    struct Decoded {
        QImage image;
        quint64 lastFrame = 0;
    };
    struct VariantKey {
        const Bitmap *bitmap;
        std::array<qint16, 8> cx;
        int margin;
        auto operator<=>(const VariantKey &) const = default;
    };
    struct Variant {
        QImage image;
        quint64 lastFrame = 0;
    };

    void evictDecoded();
    void evictVariants();

    std::unordered_map<const Bitmap *, Decoded> m_decoded;
    std::map<VariantKey, Variant> m_variants;
    qint64 m_decodedBytes = 0;
    qint64 m_variantBytes = 0;
    quint64 m_frame = 1;
};

} // namespace swf
