// A morph shape at one ratio, as an ordinary shape: every style and every
// pair of edges interpolated. Straight edges paired with curves become
// curves with their control point halfway.
#pragma once

#include "swf/model/morphshape.h"
#include "swf/model/shape.h"

#include <memory>

namespace swf {

// `ratio` runs from 0 (the start shape) to 65535 (the end shape). Null
// when the edge lists do not pair up.
std::unique_ptr<Shape> shapeAtRatio(const MorphShape &morph, quint16 ratio);

} // namespace swf
