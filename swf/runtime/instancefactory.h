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

// Puts `object` in `list` at its depth (what was there is removed first),
// tells the script host, then lets it enter its first frame.
DisplayObject *addChild(DisplayList &list, std::unique_ptr<DisplayObject> object,
                        RuntimeContext &context);
// Tells the script host, then frees the object at `depth`, if any.
void removeChild(DisplayList &list, int depth, RuntimeContext &context);

} // namespace swf
