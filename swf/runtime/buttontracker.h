// The pointer over buttons: which button the pointer is over, whether the
// primary button is held and which button took the press. Each pointer
// event moves the buttons concerned to their new state:
//
//   idle → over-up        the pointer comes over the hit area
//   over-up → over-down   pressed over it
//   over-down → out-down  dragged off while pressed (over-down again on return)
//   over-down → over-up   released over it; out-down → idle, released off it
//
// A button that tracks as a menu gives the press up when the pointer
// leaves it, and takes a press that arrives while held elsewhere.
#pragma once

#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/pointerinput.h"

#include <functional>

namespace swf {

class ButtonTracker {
public:
    // Live buttons by serial; null for one that no longer exists.
    using Finder = std::function<ButtonInstance *(quint64 serial)>;

    // `target` is the topmost button whose hit area holds the pointer, or
    // null. Returns true when a button changed state.
    bool pointerEvent(PointerEvent::Type type, ButtonInstance *target, const Finder &find);

    bool isDown() const { return m_down; }

private:
    void press(ButtonInstance *target, ButtonInstance *over);
    void release(ButtonInstance *target, ButtonInstance *captured);
    void move(ButtonInstance *target, ButtonInstance *over, ButtonInstance *captured);
    void set(ButtonInstance *button, ButtonMouseState state);

    quint64 m_over = 0;     // the button shown over, while nothing is pressed
    quint64 m_captured = 0; // the button that took the press
    bool m_down = false;
    bool m_changed = false;
};

} // namespace swf
