#include "swf/runtime/instancefactory.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/movie.h"
#include "swf/model/sprite.h"
#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/runtimecontext.h"
#include "swf/runtime/spriteinstance.h"

namespace swf {

namespace {

bool isAncestor(quint16 characterId, const DisplayObject *parent)
{
    for (const DisplayObject *o = parent; o; o = o->parent()) {
        if (o->character().id() == characterId)
            return true;
    }
    return false;
}

bool withinLimits(const Character &character, const DisplayObject *parent,
                  const RuntimeContext &context)
{
    if (context.liveObjects >= limits::kMaxDisplayObjects) {
        qCDebug(lcSwfIo) << "display object limit reached; character" << character.id()
                         << "not placed";
        return false;
    }
    const int nesting = parent ? parent->nesting() + 1 : 1;
    if (nesting > limits::kMaxNesting) {
        qCDebug(lcSwfIo) << "nesting limit reached; character" << character.id() << "not placed";
        return false;
    }
    if ((character.kind() == CharacterKind::Sprite || character.kind() == CharacterKind::Button) &&
        isAncestor(character.id(), parent)) {
        qCDebug(lcSwfIo) << "character" << character.id() << "contains itself; not placed again";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<DisplayObject> instantiate(const PlacementState &placement, DisplayObject *parent,
                                           RuntimeContext &context)
{
    const Character *character = context.movie.character(placement.characterId);
    if (!character || !withinLimits(*character, parent, context))
        return nullptr;
    switch (character->kind()) {
    case CharacterKind::Sprite:
        return std::make_unique<SpriteInstance>(static_cast<const Sprite &>(*character), placement,
                                                parent, context);
    case CharacterKind::Button:
        return std::make_unique<ButtonInstance>(static_cast<const Button &>(*character), placement,
                                                parent, context);
    case CharacterKind::EditText:
        return std::make_unique<EditTextInstance>(static_cast<const EditText &>(*character),
                                                  placement, parent, context);
    default:
        return std::make_unique<DisplayObject>(*character, placement, parent, context);
    }
}

} // namespace swf
