// Input from whoever owns the player: the movie widget turns mouse and key
// events into these. Pointer positions are stage twips.
#pragma once

#include <QPointF>

namespace swf {

struct PointerEvent {
    enum class Type { Move, Press, Release, Leave };
    Type type = Type::Move;
    QPointF stagePosition; // twips, in the stage's coordinates
};

// A key as scripts see it: the Flash Player's key code (the virtual key
// codes of its Key class: 37 left, 65 'A', …) and the character typed, if
// any.
struct KeyEvent {
    enum class Type { Press, Release };
    Type type = Type::Press;
    int keyCode = 0;
    char16_t charCode = 0;
};

// Where the pointer is in relation to an interactive object (a button, or
// a clip that takes the pointer): the four states of the SWF button model.
// Out-down (pressed on it, then dragged off) shows a button's over state,
// as the Flash Player does.
enum class ButtonMouseState { Idle, OverUp, OverDown, OutDown };

} // namespace swf
