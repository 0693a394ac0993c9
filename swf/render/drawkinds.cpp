#include "swf/render/drawkinds.h"

namespace swf {

const DrawKind *drawKind(CharacterKind kind)
{
    static constexpr DrawKind shape{drawShape, shapeOutline};
    switch (kind) {
    case CharacterKind::Shape:
        return &shape;
    case CharacterKind::MorphShape:
        return morphShapeDrawKind();
    case CharacterKind::Bitmap:
        return bitmapDrawKind();
    case CharacterKind::Text:
        return textDrawKind();
    case CharacterKind::EditText:
        return editTextDrawKind();
    case CharacterKind::Video:
        return videoDrawKind();
    default:
        return nullptr;
    }
}

} // namespace swf
