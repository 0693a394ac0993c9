// Shape geometry built once per character and kept while the renderer
// draws the same movie. The cache holds the movie, so a character's
// address cannot be reused by another movie while it is a key.
#pragma once

#include "swf/geometry/shapegeometry.h"
#include "swf/model/movie.h"
#include "swf/model/shape.h"

#include <memory>
#include <unordered_map>

namespace swf {

class ShapeCache {
public:
    // Forgets everything when `movie` is not the one cached for, and then
    // returns true.
    bool use(const std::shared_ptr<const Movie> &movie);
    // Built on first use; stroke outlines are added to it as lines are drawn.
    ShapeGeometry &geometry(const Shape &shape);
    int size() const { return int(m_geometry.size()); }

private:
    std::shared_ptr<const Movie> m_movie;
    std::unordered_map<const Shape *, std::unique_ptr<ShapeGeometry>> m_geometry;
};

} // namespace swf
