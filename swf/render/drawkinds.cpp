#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *drawKind(CharacterKind kind)
{
    static constexpr DrawKind shape{drawShape, shapeOutline};
    switch (kind) {
    case CharacterKind::Shape:
        return &shape;
    default:
        return nullptr;
    }
}

} // namespace swf
