// Morph shapes drawn at a ratio: the interpolated shape and its geometry,
// kept for the few ratios each character was last drawn at, so a morph
// that holds still costs nothing after its first frame.
#pragma once

#include "swf/geometry/shapegeometry.h"
#include "swf/model/morphshape.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace swf {

class MorphCache {
public:
    struct Entry {
        quint16 ratio = 0;
        std::unique_ptr<Shape> shape; // null when the edge lists do not pair
        ShapeGeometry geometry;
        quint64 lastUse = 0;
    };

    // Built on first use of this ratio.
    Entry &at(const MorphShape &morph, quint16 ratio);
    void clear() { m_entries.clear(); }

private:
    std::unordered_map<const MorphShape *, std::vector<std::unique_ptr<Entry>>> m_entries;
    quint64 m_uses = 0;
};

} // namespace swf
