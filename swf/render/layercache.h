// Filtered layers of objects cached as bitmaps (and of objects with
// filters, which the Flash Player caches too), kept from frame to frame.
// Such an object is drawn with its origin on a whole device pixel, so
// while only its position changes its layer is the same picture: it is
// filtered once and then only composited. A layer is used again only
// while a signature of everything drawn inside it is unchanged; kinds
// whose content the signature cannot see (video) are never kept.
#pragma once

#include "swf/runtime/displayobject.h"

#include <QImage>
#include <QTransform>

#include <optional>
#include <unordered_map>

namespace swf {

class LayerCache {
public:
    // What the layer of `object` under `transform` (its linear part only)
    // at `stageScale` shows; nothing when it cannot be known.
    static std::optional<quint64> signature(const DisplayObject &object,
                                            const QTransform &transform, double stageScale);

    void beginFrame();
    void clear();

    // The kept layer of `object` with `signature`, its top left corner
    // `offset` pixels from the object's origin; null when there is none.
    const QImage *find(const DisplayObject &object, quint64 signature, QPoint offset);
    void keep(const DisplayObject &object, quint64 signature, QPoint offset, const QImage &layer);

    int count() const { return int(m_layers.size()); }

private:
    struct Entry {
        quint64 signature = 0;
        QPoint offset;
        QImage layer;
        quint64 lastFrame = 0;
    };

    std::unordered_map<quint64, Entry> m_layers; // by object serial
    qint64 m_bytes = 0;
    quint64 m_frame = 1;
};

} // namespace swf
