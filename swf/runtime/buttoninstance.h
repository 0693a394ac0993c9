// An instance of a DefineButton/DefineButton2: shows the characters of the
// state the pointer puts it in (up, over or down) as its children. Nested
// sprites of a state run their timelines while the state lasts.
#pragma once

#include "swf/model/button.h"
#include "swf/runtime/displayobject.h"

namespace swf {

class ButtonInstance final : public DisplayObject {
public:
    ButtonInstance(const Button &button, const PlacementState &placement, DisplayObject *parent,
                   RuntimeContext &context);

    const Button &button() const { return m_button; }
    // The ButtonStateFlag of the characters shown.
    quint8 shownState() const;

    // Moves to `state`: the characters of its shown state replace those of
    // the old one (a character at the same depth in both keeps running),
    // the audio sink hears the transitions DefineButtonSound knows, and
    // the script host the change.
    bool setMouseState(ButtonMouseState state) override;
    bool trackAsMenu() const override { return m_button.trackAsMenu(); }

    const DisplayList *children() const override { return &m_children; }
    DisplayList *children() override { return &m_children; }
    void enterFirstFrame(RuntimeContext &context) override;
    void advance(RuntimeContext &context) override;

private:
    void showState(quint8 flag);
    PlacementState recordPlacement(const ButtonRecord &record) const;

    const Button &m_button;
    DisplayList m_children;
};

} // namespace swf
