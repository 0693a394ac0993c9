// Turns a placement into a display object of the right kind. New kinds of
// instances (buttons, morph shapes, text) are added here.
#pragma once

#include "swf/runtime/displayobject.h"

#include <memory>

namespace swf {

// Null when the character is missing, or when creating it would break a
// limit: too many objects, too deep a nesting, or a sprite that contains
// itself (directly or through others).
std::unique_ptr<DisplayObject> instantiate(const PlacementState &placement, DisplayObject *parent,
                                           RuntimeContext &context);

} // namespace swf
