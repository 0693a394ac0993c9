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

bool isAncestor(const Character &character, const DisplayObject *parent)
{
    for (const DisplayObject *o = parent; o; o = o->parent()) {
        if (o->character() == &character)
            return true;
    }
    return false;
}

bool withinLimits(const Character &character, const DisplayObject *parent,
                  const RuntimeContext &context)
{
    if (int(context.objects.size()) >= limits::kMaxDisplayObjects) {
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
        isAncestor(character, parent)) {
        qCDebug(lcSwfIo) << "character" << character.id() << "contains itself; not placed again";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<DisplayObject> instantiate(const PlacementState &placement, DisplayObject *parent,
                                           RuntimeContext &context)
{
    const Movie &movie = parent ? parent->movie() : context.movie;
    const Character *character = movie.character(placement.characterId);
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
        return std::make_unique<DisplayObject>(character, character->kind(), placement, parent,
                                               context);
    }
}

DisplayObject *addChild(DisplayList &list, std::unique_ptr<DisplayObject> object,
                        RuntimeContext &context)
{
    const int depth = object->depth();
    removeChild(list, depth, context);
    DisplayObject *added = object.get();
    list.insert(std::move(object));
    context.changed = true;
    context.scripts->objectAdded(*added);
    // The host may have removed it again; the handle tells.
    const ObjectHandle handle = added->handle();
    if (context.find(handle))
        added->enterFirstFrame(context);
    return context.find(handle);
}

void removeChild(DisplayList &list, int depth, RuntimeContext &context)
{
    DisplayObject *object = list.at(depth);
    if (!object)
        return;
    const ObjectHandle handle = object->handle();
    context.scripts->objectRemoved(*object);
    // The host's handlers may have moved or freed it meanwhile.
    if (DisplayObject *still = list.at(depth); still && still->handle() == handle)
        list.remove(depth);
    context.changed = true;
}

} // namespace swf
