// Bitmap characters placed directly on a timeline.
#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *bitmapDrawKind()
{
    return nullptr;
}

} // namespace swf
