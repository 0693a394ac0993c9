// Morph shapes drawn at the ratio of their placement.
#include "swf/model/morphshape.h"
#include "swf/render/drawkinds.h"
#include "swf/runtime/displayobject.h"

namespace swf {

namespace {

void drawMorph(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &morph = static_cast<const MorphShape &>(*object.character());
    MorphCache::Entry &entry = context.morphs.at(morph, object.placement().ratio);
    if (entry.shape)
        drawGeometry(entry.geometry, entry.shape->version, state, context);
}

QPainterPath morphOutline(const DisplayObject &object, DrawContext &context)
{
    const auto &morph = static_cast<const MorphShape &>(*object.character());
    MorphCache::Entry &entry = context.morphs.at(morph, object.placement().ratio);
    return entry.shape ? entry.geometry.fillOutline() : QPainterPath();
}

} // namespace

const DrawKind *morphShapeDrawKind()
{
    static constexpr DrawKind kind{drawMorph, morphOutline};
    return &kind;
}

} // namespace swf
