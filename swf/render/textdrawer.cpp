// Static text (DefineText) drawn with its embedded glyphs.
#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *textDrawKind()
{
    return nullptr;
}

} // namespace swf
