// Text fields (DefineEditText).
#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *editTextDrawKind()
{
    return nullptr;
}

} // namespace swf
