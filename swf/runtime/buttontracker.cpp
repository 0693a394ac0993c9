#include "swf/runtime/buttontracker.h"

namespace swf {

namespace {

ObjectHandle handleOf(const DisplayObject *object)
{
    return object ? object->handle() : ObjectHandle{};
}

} // namespace

bool ButtonTracker::pointerEvent(PointerEvent::Type type, DisplayObject *target, const Finder &find)
{
    m_changed = false;
    DisplayObject *over = m_over ? find(m_over) : nullptr;
    DisplayObject *captured = m_captured ? find(m_captured) : nullptr;
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

void ButtonTracker::press(DisplayObject *target, DisplayObject *over)
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
    m_captured = handleOf(target);
    m_over = {};
}

void ButtonTracker::release(DisplayObject *target, DisplayObject *captured)
{
    m_down = false;
    if (captured)
        set(captured, captured == target ? ButtonMouseState::OverUp : ButtonMouseState::Idle);
    if (target && target != captured)
        set(target, ButtonMouseState::OverUp);
    m_captured = {};
    m_over = handleOf(target);
}

void ButtonTracker::move(DisplayObject *target, DisplayObject *over, DisplayObject *captured)
{
    if (!m_down) {
        if (over && over != target)
            set(over, ButtonMouseState::Idle);
        if (target)
            set(target, ButtonMouseState::OverUp);
        m_over = handleOf(target);
        return;
    }
    if (captured && !captured->trackAsMenu()) {
        set(captured, captured == target ? ButtonMouseState::OverDown : ButtonMouseState::OutDown);
        return;
    }
    // Menus: the press follows the pointer from one menu button to the next.
    if (captured && captured != target) {
        set(captured, ButtonMouseState::Idle);
        m_captured = {};
    }
    if (target && target != captured && target->trackAsMenu()) {
        set(target, ButtonMouseState::OverDown);
        m_captured = handleOf(target);
    }
}

void ButtonTracker::set(DisplayObject *object, ButtonMouseState state)
{
    if (object->setMouseState(state))
        m_changed = true;
}

} // namespace swf
