#include "swf/runtime/buttontracker.h"

namespace swf {

namespace {

quint64 serialOf(const ButtonInstance *button)
{
    return button ? button->serial() : 0;
}

} // namespace

bool ButtonTracker::pointerEvent(PointerEvent::Type type, ButtonInstance *target,
                                 const Finder &find)
{
    m_changed = false;
    ButtonInstance *over = m_over ? find(m_over) : nullptr;
    ButtonInstance *captured = m_captured ? find(m_captured) : nullptr;
    switch (type) {
    case PointerEvent::Type::Press:
        press(target, over);
        break;
    case PointerEvent::Type::Release:
        release(target, captured);
        break;
    case PointerEvent::Type::Leave:
        move(nullptr, over, captured);
        break;
    case PointerEvent::Type::Move:
        move(target, over, captured);
        break;
    }
    return m_changed;
}

void ButtonTracker::press(ButtonInstance *target, ButtonInstance *over)
{
    m_down = true;
    if (over && over != target)
        set(over, ButtonMouseState::Idle);
    if (target) {
        // A press without a move before it passes through over-up.
        if (target->mouseState() == ButtonMouseState::Idle)
            set(target, ButtonMouseState::OverUp);
        set(target, ButtonMouseState::OverDown);
    }
    m_captured = serialOf(target);
    m_over = 0;
}

void ButtonTracker::release(ButtonInstance *target, ButtonInstance *captured)
{
    m_down = false;
    if (captured)
        set(captured, captured == target ? ButtonMouseState::OverUp : ButtonMouseState::Idle);
    if (target && target != captured)
        set(target, ButtonMouseState::OverUp);
    m_captured = 0;
    m_over = serialOf(target);
}

void ButtonTracker::move(ButtonInstance *target, ButtonInstance *over, ButtonInstance *captured)
{
    if (!m_down) {
        if (over && over != target)
            set(over, ButtonMouseState::Idle);
        if (target)
            set(target, ButtonMouseState::OverUp);
        m_over = serialOf(target);
        return;
    }
    if (captured && !captured->button().trackAsMenu()) {
        set(captured, captured == target ? ButtonMouseState::OverDown : ButtonMouseState::OutDown);
        return;
    }
    // Menus: the press follows the pointer from one menu button to the next.
    if (captured && captured != target) {
        set(captured, ButtonMouseState::Idle);
        m_captured = 0;
    }
    if (target && target != captured && target->button().trackAsMenu()) {
        set(target, ButtonMouseState::OverDown);
        m_captured = serialOf(target);
    }
}

void ButtonTracker::set(ButtonInstance *button, ButtonMouseState state)
{
    if (button->setMouseState(state))
        m_changed = true;
}

} // namespace swf
