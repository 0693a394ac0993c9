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
    : DisplayObject(button, placement, parent, context), m_button(button), m_context(context)
{
    showState(ButtonStateFlag::Up);
}

quint8 ButtonInstance::shownState() const
{
    return flagOf(m_mouseState);
}

bool ButtonInstance::setMouseState(ButtonMouseState state)
{
    if (state == m_mouseState)
        return false;
    const ButtonMouseState from = m_mouseState;
    m_mouseState = state;
    if (flagOf(from) != flagOf(state))
        showState(flagOf(state));
    if (const auto transition = soundTransition(from, state); transition && m_context.audio)
        m_context.audio->buttonTransition(m_button.id(), *transition);
    m_context.changed = true;
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
    for (int depth : gone)
        m_children.remove(depth);
    for (const ButtonRecord *record : shown) {
        const PlacementState state = recordPlacement(*record);
        if (DisplayObject *child = m_children.at(record->depth);
            child && child->placement().characterId == record->characterId) {
            child->placement() = state;
        } else if (auto object = instantiate(state, this, m_context)) {
            m_children.insert(std::move(object));
        }
    }
    m_context.changed = true;
}

void ButtonInstance::advance(RuntimeContext &context)
{
    // Like a timeline's children: objects created meanwhile wait a frame.
    std::vector<std::pair<int, quint64>> running;
    for (const auto &[depth, child] : m_children.objects()) {
        if (child->children())
            running.emplace_back(depth, child->serial());
    }
    for (const auto &[depth, serial] : running) {
        DisplayObject *child = m_children.at(depth);
        if (child && child->serial() == serial)
            child->advance(context);
    }
}

} // namespace swf
