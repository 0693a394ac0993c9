// Morph shapes drawn at the ratio of their placement.
#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *morphShapeDrawKind()
{
    return nullptr;
}

} // namespace swf
