#include "swf/geometry/shapecache.h"

namespace swf {

bool ShapeCache::use(const std::shared_ptr<const Movie> &movie)
{
    if (movie == m_movie)
        return false;
    m_geometry.clear();
    m_movie = movie;
    return true;
}

ShapeGeometry &ShapeCache::geometry(const Shape &shape)
{
    auto &slot = m_geometry[&shape];
    if (!slot)
        slot = std::make_unique<ShapeGeometry>(buildShapeGeometry(shape));
    return *slot;
}

} // namespace swf
