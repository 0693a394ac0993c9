// An instance of a DefineButton/DefineButton2: shows the characters of the
// state the pointer puts it in (up, over or down) as its children. Nested
// sprites of a state run their timelines while the state lasts.
#pragma once

#include "swf/model/button.h"
#include "swf/runtime/displayobject.h"

namespace swf {

// Where the pointer is in relation to the button: the four states of the
// SWF button model. Out-down (pressed on the button, then dragged off it)
// shows the over state, as the Flash Player does.
enum class ButtonMouseState { Idle, OverUp, OverDown, OutDown };

class ButtonInstance final : public DisplayObject {
public:
    ButtonInstance(const Button &button, const PlacementState &placement, DisplayObject *parent,
                   RuntimeContext &context);

    const Button &button() const { return m_button; }
    ButtonMouseState mouseState() const { return m_mouseState; }
    // The ButtonStateFlag of the characters shown.
    quint8 shownState() const;

    // Moves to `state`: the characters of its shown state replace those of
    // the old one (a character at the same depth in both keeps running),
    // and the audio sink hears the transitions DefineButtonSound knows.
    // Returns true when the state changed.
    bool setMouseState(ButtonMouseState state);

    const DisplayList *children() const override { return &m_children; }
    void advance(RuntimeContext &context) override;

private:
    void showState(quint8 flag);
    PlacementState recordPlacement(const ButtonRecord &record) const;

    const Button &m_button;
    RuntimeContext &m_context;
    DisplayList m_children;
    ButtonMouseState m_mouseState = ButtonMouseState::Idle;
};

} // namespace swf
