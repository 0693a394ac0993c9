#include "swf/runtime/instancefactory.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/movie.h"
#include "swf/model/sprite.h"
#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/runtimecontext.h"
#include "swf/runtime/spriteinstance.h"
#include "swf/runtime/videoinstance.h"

#include <vector>

namespace swf {

namespace {

// Where a removed object waits to unload: mirrored below the lowest depth
// a timeline or script can use (scripts read -32769 - their depth).
int unloadingDepth(int depth)
{
    return -1 - depth;
}

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

// Keeps only the children the host holds, and theirs.
void keepHeld(DisplayObject &object, const RuntimeContext &context)
{
    DisplayList *children = object.children();
    if (!children)
        return;
    std::vector<int> gone;
    for (const auto &[depth, child] : children->objects()) {
        if (context.scripts->holdsUntilUnloaded(*child))
            keepHeld(*child, context);
        else
            gone.push_back(depth);
    }
    for (int depth : gone)
        children->remove(depth);
}

bool namedByPlayer(CharacterKind kind)
{
    switch (kind) {
    case CharacterKind::Shape:
    case CharacterKind::MorphShape:
    case CharacterKind::Bitmap:
    case CharacterKind::Text:
        return false;
    default:
        return true;
    }
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
    case CharacterKind::Video:
        return std::make_unique<VideoInstance>(static_cast<const VideoStream &>(*character),
                                               placement, parent, context);
    default:
        return std::make_unique<DisplayObject>(character, character->kind(), placement, parent,
                                               context);
    }
}

DisplayObject *addChild(DisplayList &list, std::unique_ptr<DisplayObject> object,
                        RuntimeContext &context, Replacement replacement)
{
    const int depth = object->depth();
    if (replacement == Replacement::Announced)
        removeChild(list, depth, context);
    else
        list.remove(depth);
    // Objects scripts can reach get a name if they have none: instance1,
    // … Shapes and static text count for nothing.
    if (object->name().isEmpty() && namedByPlayer(object->kind()))
        object->placement().name = QStringLiteral("instance%1").arg(++context.instanceCounter);
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
    if (!object || object->isUnloading())
        return;
    const ObjectHandle handle = object->handle();
    context.scripts->objectRemoved(*object);
    context.changed = true;
    // The host's handlers may have moved or freed it meanwhile.
    DisplayObject *still = list.at(depth);
    if (!still || still->handle() != handle)
        return;
    if (!context.scripts->holdsUntilUnloaded(*still)) {
        list.remove(depth);
        return;
    }
    auto held = list.take(depth);
    held->placement().depth = unloadingDepth(depth);
    held->setUnloading();
    keepHeld(*held, context);
    list.insert(std::move(held));
}

void releaseUnloaded(DisplayObject &object)
{
    DisplayObject *parent = object.parent();
    DisplayList *list = parent ? parent->children() : nullptr;
    if (!object.isUnloading() || !list || list->at(object.depth()) != &object)
        return;
    object.context().changed = true;
    list->remove(object.depth());
}

} // namespace swf
