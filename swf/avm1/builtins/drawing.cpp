// The drawing API of MovieClip: beginFill, lineStyle, moveTo, lineTo,
// curveTo, endFill, clear and beginGradientFill.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

void installDrawingMethods(Machine &m, Object *movieClipProto)
{
    Q_UNUSED(m);
    Q_UNUSED(movieClipProto);
}

} // namespace swf::avm1
