// The pointer over interactive objects (buttons, and clips that take the
// pointer): which one the pointer is over, whether the primary button is
// held and which one took the press. Each pointer event moves the objects
// concerned to their new state:
//
//   idle → over-up        the pointer comes over the hit area
//   over-up → over-down   pressed over it
//   over-down → out-down  dragged off while pressed (over-down again on return)
//   over-down → over-up   released over it; out-down → idle, released off it
//
// An object that tracks as a menu gives the press up when the pointer
// leaves it, and takes a press that arrives while held elsewhere.
#pragma once

#include "swf/runtime/displayobject.h"
#include "swf/runtime/pointerinput.h"

#include <functional>

namespace swf {

class ButtonTracker {
public:
    // Live objects by handle; null for one that no longer exists.
    using Finder = std::function<DisplayObject *(ObjectHandle)>;

    // `target` is the topmost interactive object whose hit area holds the
    // pointer, or null. Returns true when an object changed state.
    bool pointerEvent(PointerEvent::Type type, DisplayObject *target, const Finder &find);

    bool isDown() const { return m_down; }

private:
    void press(DisplayObject *target, DisplayObject *over);
    void release(DisplayObject *target, DisplayObject *captured);
    void move(DisplayObject *target, DisplayObject *over, DisplayObject *captured);
    void set(DisplayObject *object, ButtonMouseState state);

    ObjectHandle m_over;     // the object shown over, while nothing is pressed
    ObjectHandle m_captured; // the object that took the press
    bool m_down = false;
    bool m_changed = false;
};

} // namespace swf
