// Turns a placement into a display object of the right kind, and puts
// objects in and out of display lists the way the script host must hear
// of it. New kinds of instances are added in instantiate().
#pragma once

#include "swf/runtime/displayobject.h"

#include <memory>

namespace swf {

// Null when the character is missing, or when creating it would break a
// limit: too many objects, too deep a nesting, or a sprite that contains
// itself (directly or through others). The object has not entered its
// first frame yet: addChild() does that.
std::unique_ptr<DisplayObject> instantiate(const PlacementState &placement, DisplayObject *parent,
                                           RuntimeContext &context);

// Puts `object` in `list` at its depth, tells the script host, then lets
// it enter its first frame. What was at the depth is removed first, and
// the host told of it unless the new object takes its place `Silently`.
enum class Replacement { Announced, Silently };
DisplayObject *addChild(DisplayList &list, std::unique_ptr<DisplayObject> object,
                        RuntimeContext &context, Replacement replacement = Replacement::Announced);
// Tells the script host, then frees the object at `depth`, if any. An
// object the host holds until it has unloaded moves to depth -32769 - depth
// instead, with the children the host holds; the others go at once.
void removeChild(DisplayList &list, int depth, RuntimeContext &context);
// Frees an object removeChild() left unloading.
void releaseUnloaded(DisplayObject &object);

} // namespace swf
