#include "swf/runtime/buttoninstance.h"

#include "swf/runtime/instancefactory.h"
#include "swf/runtime/runtimecontext.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace swf {

namespace {

quint8 flagOf(ButtonMouseState state)
{
    switch (state) {
    case ButtonMouseState::Idle:
        return ButtonStateFlag::Up;
    case ButtonMouseState::OverUp:
    case ButtonMouseState::OutDown:
        return ButtonStateFlag::Over;
    case ButtonMouseState::OverDown:
        return ButtonStateFlag::Down;
    }
    return ButtonStateFlag::Up;
}

// The change DefineButtonSound gives a sound to, if `from` → `to` is one.
std::optional<ButtonSoundTransition> soundTransition(ButtonMouseState from, ButtonMouseState to)
{
    using S = ButtonMouseState;
    if (from == S::OverUp && to == S::Idle)
        return ButtonSoundTransition::OverUpToIdle;
    if (from == S::Idle && to == S::OverUp)
        return ButtonSoundTransition::IdleToOverUp;
    if (from == S::OverUp && to == S::OverDown)
        return ButtonSoundTransition::OverUpToOverDown;
    if (from == S::OverDown && to == S::OverUp)
        return ButtonSoundTransition::OverDownToOverUp;
    return std::nullopt;
}

} // namespace

ButtonInstance::ButtonInstance(const Button &button, const PlacementState &placement,
                               DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(&button, CharacterKind::Button, placement, parent, context), m_button(button)
{
}

void ButtonInstance::enterFirstFrame(RuntimeContext &)
{
    showState(ButtonStateFlag::Up);
}

quint8 ButtonInstance::shownState() const
{
    return flagOf(mouseState());
}

bool ButtonInstance::setMouseState(ButtonMouseState state)
{
    const ButtonMouseState from = mouseState();
    if (!DisplayObject::setMouseState(state))
        return false;
    if (flagOf(from) != flagOf(state))
        showState(flagOf(state));
    RuntimeContext &c = context();
    if (const auto transition = soundTransition(from, state); transition && c.audio)
        c.audio->buttonTransition(m_button.id(), *transition);
    c.changed = true;
    return true;
}

PlacementState ButtonInstance::recordPlacement(const ButtonRecord &record) const
{
    const ButtonData &data = m_button.data();
    PlacementState state;
    state.characterId = record.characterId;
    state.depth = record.depth;
    state.matrix = record.matrix;
    state.colorTransform =
        data.version >= 2 ? record.colorTransform : data.colorTransform.value_or(ColorTransform{});
    state.blendMode = record.blendMode;
    state.filters = record.filters ? &*record.filters : nullptr;
    state.placedFrame = 0;
    return state;
}

void ButtonInstance::showState(quint8 flag)
{
    std::vector<const ButtonRecord *> shown;
    for (const ButtonRecord &record : m_button.records()) {
        if (record.states & flag)
            shown.push_back(&record);
    }
    // Characters that stay at their depth keep their own state.
    std::vector<int> gone;
    for (const auto &entry : m_children.objects()) {
        const int depth = entry.first;
        const quint16 id = entry.second->placement().characterId;
        const bool stays = std::any_of(shown.begin(), shown.end(), [&](const ButtonRecord *r) {
            return r->depth == depth && r->characterId == id;
        });
        if (!stays)
            gone.push_back(depth);
    }
    RuntimeContext &c = context();
    for (int depth : gone)
        removeChild(m_children, depth, c);
    for (const ButtonRecord *record : shown) {
        const PlacementState state = recordPlacement(*record);
        if (DisplayObject *child = m_children.at(record->depth);
            child && child->placement().characterId == record->characterId) {
            child->applyTimelinePlacement(state);
        } else if (auto object = instantiate(state, this, c)) {
            addChild(m_children, std::move(object), c);
        }
    }
    c.changed = true;
}

void ButtonInstance::advance(RuntimeContext &context)
{
    // Like a timeline's children: objects created meanwhile wait a frame.
    std::vector<ObjectHandle> running;
    for (const auto &[depth, child] : m_children.objects()) {
        if (child->children())
            running.push_back(child->handle());
    }
    for (const ObjectHandle handle : running) {
        if (DisplayObject *child = context.find(handle))
            child->advance(context);
    }
}

} // namespace swf
