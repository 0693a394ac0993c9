// The machine as the player's ScriptHost: what timelines and input hand
// it, queued by priority and run when the player says.
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/interpreter.h"
#include "swf/avm1/machine.h"
#include "swf/log.h"
#include "swf/model/button.h"
#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/player.h"

#include <algorithm>
#include <iterator>

namespace swf::avm1 {

namespace {

// Queue items one run may take: a movie whose events keep making events
// stops there and goes on next frame.
constexpr int kMaxQueueRun = 200000;

// The on… handler a clip event calls.
const char *handlerName(quint32 event)
{
    switch (event) {
    case ClipEvent::Load:
        return "onLoad";
    case ClipEvent::EnterFrame:
        return "onEnterFrame";
    case ClipEvent::Unload:
        return "onUnload";
    case ClipEvent::MouseMove:
        return "onMouseMove";
    case ClipEvent::MouseDown:
        return "onMouseDown";
    case ClipEvent::MouseUp:
        return "onMouseUp";
    case ClipEvent::KeyDown:
        return "onKeyDown";
    case ClipEvent::KeyUp:
        return "onKeyUp";
    case ClipEvent::Data:
        return "onData";
    case ClipEvent::Press:
        return "onPress";
    case ClipEvent::Release:
        return "onRelease";
    case ClipEvent::ReleaseOutside:
        return "onReleaseOutside";
    case ClipEvent::RollOver:
        return "onRollOver";
    case ClipEvent::RollOut:
        return "onRollOut";
    case ClipEvent::DragOver:
        return "onDragOver";
    case ClipEvent::DragOut:
        return "onDragOut";
    default:
        return nullptr;
    }
}

// The pointer event a change of button state is, and the condition bit of
// BUTTONCONDACTION that answers it.
struct Transition {
    quint32 event = 0;
    quint16 condition = 0;
};

Transition transitionOf(ButtonMouseState from, ButtonMouseState to)
{
    using S = ButtonMouseState;
    if (from == S::Idle && to == S::OverUp)
        return {ClipEvent::RollOver, 0x0001};
    if (from == S::OverUp && to == S::Idle)
        return {ClipEvent::RollOut, 0x0002};
    if (from == S::OverUp && to == S::OverDown)
        return {ClipEvent::Press, 0x0004};
    if (from == S::OverDown && to == S::OverUp)
        return {ClipEvent::Release, 0x0008};
    if (from == S::OverDown && to == S::OutDown)
        return {ClipEvent::DragOut, 0x0010};
    if (from == S::OutDown && to == S::OverDown)
        return {ClipEvent::DragOver, 0x0020};
    if (from == S::OutDown && to == S::Idle)
        return {ClipEvent::ReleaseOutside, 0x0040};
    if (from == S::Idle && to == S::OverDown)
        return {ClipEvent::DragOver, 0x0080};
    if (from == S::OverDown && to == S::Idle)
        return {ClipEvent::DragOut, 0x0100};
    return {};
}

// The key code a button's key condition names: special keys by their
// number in the SWF file-format documentation, others by character.
int buttonKeyOf(const KeyEvent &key)
{
    switch (key.keyCode) {
    case 37:
        return 1; // left
    case 39:
        return 2; // right
    case 36:
        return 3; // home
    case 35:
        return 4; // end
    case 45:
        return 5; // insert
    case 46:
        return 6; // delete
    case 8:
        return 8; // backspace
    case 13:
        return 13; // enter
    case 38:
        return 14; // up
    case 40:
        return 15; // down
    case 33:
        return 16; // page up
    case 34:
        return 17; // page down
    case 9:
        return 18; // tab
    case 27:
        return 19; // escape
    default:
        return key.charCode >= 32 && key.charCode < 128 ? int(key.charCode) : -1;
    }
}

} // namespace

void Machine::doAction(DisplayObject &owner, const DoAction &tag)
{
    queueActions(owner, tag.actions, Priority::Normal);
}

// Init actions run once per sprite, before the frame's other scripts, on
// the main timeline.
void Machine::doInitAction(DisplayObject &owner, const DoInitAction &tag)
{
    if (std::find(m_initDone.begin(), m_initDone.end(), tag.spriteId) != m_initDone.end())
        return;
    m_initDone.push_back(tag.spriteId);
    queueActions(owner, tag.actions, Priority::Init);
}

void Machine::queueActions(DisplayObject &target, const QByteArray &actions, Priority priority)
{
    if (actions.isEmpty() || m_aborted)
        return;
    Queued item;
    item.target = target.handle();
    item.program = program(actions);
    item.initAction = priority == Priority::Init;
    m_queues[int(priority)].push_back(std::move(item));
}

void Machine::queueEvent(DisplayObject &target, quint32 event, Priority priority)
{
    if (m_aborted)
        return;
    Queued item;
    item.target = target.handle();
    item.event = event;
    m_queues[int(priority)].push_back(std::move(item));
}

// Timeline clips hear initialize and construct before the scripts of
// their frame, and load after those queued before them. Clips made by
// scripts are constructed by what made them.
void Machine::objectAdded(DisplayObject &object)
{
    // A bound field and its variable agree from the moment it is placed.
    if (object.kind() == CharacterKind::EditText && object.parent()) {
        auto &field = static_cast<EditTextInstance &>(object);
        if (const QString variable = field.settings().variable; !variable.isEmpty())
            bindText(field, variable);
        return;
    }
    if (object.kind() != CharacterKind::Sprite || !object.parent())
        return;
    objectOf(object);
    // Initialize keeps its place among the init actions of the frame.
    queueEvent(object, ClipEvent::Initialize, Priority::Init);
    if (!object.isDynamic())
        queueEvent(object, ClipEvent::Construct, Priority::Construct);
    queueEvent(object, ClipEvent::Load, Priority::Normal);
}

void Machine::objectRemoved(DisplayObject &object)
{
    if (m_drag.object == object.handle())
        m_drag = {};
    if (object.isUnloading())
        return;
    queueUnload(object);
    if (holdForUnload(object, false)) {
        Queued item;
        item.target = object.handle();
        item.release = true;
        m_queues[int(Priority::Normal)].push_back(std::move(item));
    }
    detachRemoved(object);
}

bool Machine::holdsUntilUnloaded(const DisplayObject &object) const
{
    return m_heldForUnload.contains(object.serial());
}

bool Machine::hasUnloadHandler(DisplayObject &clip)
{
    const ClipActions *actions = clip.placement().clipActions;
    if (!actions)
        if (auto *script = asClip(objectOf(clip)))
            actions = script->clipActions();
    if (actions && (actions->allEvents & ClipEvent::Unload))
        return true;
    // Any value counts, a function or not, as for the Flash Player.
    return m_version >= 6 &&
           !get(objectOf(clip), QString::fromLatin1(handlerName(ClipEvent::Unload))).isUndefined();
}

// A clip with a handler of its own keeps all it holds; one without keeps
// only what leads to handlers.
bool Machine::holdForUnload(DisplayObject &object, bool keepAll)
{
    bool held = keepAll;
    if (object.kind() == CharacterKind::Sprite) {
        keepAll = keepAll || hasUnloadHandler(object);
        held = keepAll;
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                held = holdForUnload(*child, keepAll) || held;
        }
    }
    if (held)
        m_heldForUnload.insert(object.serial());
    return held;
}

void Machine::detachRemoved(DisplayObject &object)
{
    if (!m_heldForUnload.contains(object.serial())) {
        if (const auto it = m_displayObjects.find(object.serial()); it != m_displayObjects.end()) {
            it->second->detach();
            m_displayObjects.erase(it);
        }
    }
    if (DisplayList *children = object.children()) {
        for (const auto &[depth, child] : children->objects())
            detachRemoved(*child);
    }
}

// The clips inside a clip hear unload before it; their objects outlive
// them for the handlers.
void Machine::queueUnload(DisplayObject &object)
{
    if (DisplayList *children = object.children()) {
        for (const auto &[depth, child] : children->objects())
            queueUnload(*child);
    }
    if (object.kind() == CharacterKind::Sprite) {
        Queued item;
        item.object = objectOf(object);
        item.event = ClipEvent::Unload;
        item.target = object.handle();
        m_queues[int(Priority::Normal)].push_back(std::move(item));
    }
}

void Machine::frameStarting()
{
    for (size_t i = 0; i < m_extensions.size() && runScriptsAllowed(); ++i)
        m_extensions[i]->frameStarting(*this);
}

// A level's main timeline hears its load event once its first frame's
// actions are queued, from version 6 (clips hear theirs when placed).
void Machine::frameEntered(DisplayObject &owner, int frame)
{
    if (frame != 0 || owner.parent() || m_version < 6 || owner.kind() != CharacterKind::Sprite)
        return;
    if (m_levelsLoaded.insert(owner.serial()).second)
        queueEvent(owner, ClipEvent::Load, Priority::Normal);
}

void Machine::clipStepping(DisplayObject &clip)
{
    if (clip.kind() == CharacterKind::Sprite)
        queueEvent(clip, ClipEvent::EnterFrame, Priority::Normal);
}

void Machine::runPending()
{
    if (!runScriptsAllowed()) {
        dropQueued();
        return;
    }
    for (int budget = kMaxQueueRun; budget > 0; --budget) {
        std::deque<Queued> *queue = nullptr;
        for (auto &q : m_queues) {
            if (!q.empty()) {
                queue = &q;
                break;
            }
        }
        if (!queue)
            return;
        Queued item = std::move(queue->front());
        queue->pop_front();
        // Unloading clips go once all else queued has run: the frame's
        // scripts still find them.
        const auto waiting = [](const std::deque<Queued> &q) {
            return std::any_of(q.begin(), q.end(), [](const Queued &i) { return !i.release; });
        };
        if (item.release && std::any_of(std::begin(m_queues), std::end(m_queues), waiting)) {
            queue->push_back(std::move(item));
            continue;
        }
        runQueued(item);
        if (m_aborted) {
            dropQueued();
            return;
        }
    }
    qCWarning(lcSwfScript) << "scripts keep queueing more scripts; the rest waits";
}

// What scripts will not run; the clips waiting to unload go all the same.
void Machine::dropQueued()
{
    for (auto &queue : m_queues) {
        for (const Queued &item : queue) {
            if (item.release)
                runQueued(item);
        }
        queue.clear();
    }
}

void Machine::runQueued(const Queued &item)
{
    DisplayObject *target = m_player->find(item.target);
    // A clip waiting to unload hears nothing more but its unload.
    if (target && target->isLeaving() && !item.release && item.event != ClipEvent::Unload)
        target = nullptr;
    if (item.release) {
        if (target) {
            const auto unhold = [this](const auto &self, DisplayObject &o) -> void {
                m_heldForUnload.erase(o.serial());
                if (DisplayList *children = o.children()) {
                    for (const auto &[depth, child] : children->objects())
                        self(self, *child);
                }
            };
            unhold(unhold, *target);
            detachRemoved(*target);
            releaseUnloaded(*target);
        }
        return;
    }
    if (item.program) {
        // Init actions run even if their timeline went meanwhile.
        if (!target && item.initAction)
            target = &m_player->root();
        if (target)
            runProgram(item.program, *target);
        return;
    }
    if (item.object) {
        // A removed clip's unload handlers still see the path it had.
        auto *clip = asClip(item.object);
        if (clip)
            clip->setUnloading(true);
        runEventOn(item.object, target, item.event);
        if (clip)
            clip->setUnloading(false);
        return;
    }
    if (target)
        runEventOn(objectOf(*target), target, item.event);
}

void Machine::runEvent(DisplayObject &object, quint32 event)
{
    runEventOn(objectOf(object), &object, event);
}

void Machine::runEventOn(Object *script, DisplayObject *object, quint32 event)
{
    if (!script || m_aborted)
        return;
    // A registered class gives the clip its prototype before the construct
    // actions run, even one registered after the clip was made.
    if (event == ClipEvent::Construct) {
        const DisplayObject *made = displayObjectOf(Value(script));
        Object *constructor =
            made && made->character() ? registeredClass(made->character()->id()) : nullptr;
        if (Object *classProto =
                constructor ? get(constructor, m_names.prototype.data()).asObject() : nullptr)
            script->setProto(classProto);
    }
    // The clip's own event actions (onClipEvent), first.
    const ClipActions *actions = object ? object->placement().clipActions : nullptr;
    if (!actions)
        if (auto *clip = asClip(script))
            actions = clip->clipActions();
    if (actions && (actions->allEvents & event)) {
        for (const ClipAction &record : actions->records) {
            if (!(record.events & event) || record.actions.isEmpty())
                continue;
            if (event == ClipEvent::KeyPress && record.keyCode != m_lastButtonKey)
                continue;
            m_interpreter->runBlock(program(record.actions), script);
            if (m_aborted)
                return;
        }
    }
    if (event == ClipEvent::Construct) {
        constructRegisteredClass(script);
        return;
    }
    // Then its handler, from version 6.
    const char *name = handlerName(event);
    if (!name || m_version < 6)
        return;
    const Value handler = get(script, QString::fromLatin1(name));
    if (handler.isObject() && handler.object()->isFunction())
        call(handler, Value(script), Args());
}

void Machine::runProgram(const std::shared_ptr<const ActionProgram> &program, DisplayObject &target)
{
    if (!m_aborted)
        m_interpreter->runBlock(program, objectOf(target));
}

std::shared_ptr<const ActionProgram> Machine::program(const QByteArray &actions)
{
    auto &slot = m_programs[actions.constData()];
    if (!slot)
        slot = decodeActions(actions, m_version);
    return slot;
}

void Machine::frameEnded()
{
    if (!runScriptsAllowed())
        return;
    // By index: a script may open another extension meanwhile.
    for (size_t i = 0; i < m_extensions.size() && !m_aborted; ++i)
        m_extensions[i]->frameEnded(*this);
    runIntervals();
    runPending();
    updateBoundText();
    if (m_heap.wantsCollection())
        collectGarbage();
}

void Machine::mouseStateChanged(DisplayObject &object, ButtonMouseState from, ButtonMouseState to)
{
    if (m_aborted)
        return;
    const Transition t = transitionOf(from, to);
    if (!t.event)
        return;
    if (object.kind() == CharacterKind::Button) {
        const auto &button = static_cast<const ButtonInstance &>(object).button();
        // Button actions act on the timeline the button is on.
        DisplayObject *timeline = object.parent() ? object.parent() : &object;
        for (const ButtonAction &action : button.data().actions) {
            if (action.conditions & t.condition)
                queueActions(*timeline, action.actions, Priority::Normal);
        }
    }
    queueEvent(object, t.event, Priority::Normal);
}

bool Machine::takesPointer(const DisplayObject &object) const
{
    if (object.kind() != CharacterKind::Sprite || m_version < 6)
        return false;
    constexpr quint32 kPointerEvents =
        ClipEvent::Press | ClipEvent::Release | ClipEvent::ReleaseOutside | ClipEvent::RollOver |
        ClipEvent::RollOut | ClipEvent::DragOver | ClipEvent::DragOut;
    if (const ClipActions *actions = object.placement().clipActions;
        actions && (actions->allEvents & kPointerEvents))
        return true;
    const auto it = m_displayObjects.find(object.serial());
    return it != m_displayObjects.end() &&
           const_cast<Machine *>(this)->hasPointerHandler(it->second);
}

void Machine::pointerEvent(const PointerEvent &event)
{
    if (!runScriptsAllowed())
        return;
    switch (event.type) {
    case PointerEvent::Type::Move:
        updateDrag();
        broadcastMouse(ClipEvent::MouseMove);
        break;
    case PointerEvent::Type::Press:
        focusFieldAt(*this, event.stagePosition);
        broadcastMouse(ClipEvent::MouseDown);
        break;
    case PointerEvent::Type::Release:
        broadcastMouse(ClipEvent::MouseUp);
        break;
    case PointerEvent::Type::Leave:
        break;
    }
}

void Machine::keyEvent(const KeyEvent &event)
{
    if (!runScriptsAllowed())
        return;
    const bool down = event.type == KeyEvent::Type::Press;
    if (event.keyCode >= 0 && event.keyCode < int(m_keysDown.size()))
        m_keysDown[size_t(event.keyCode)] = down;
    if (down) {
        m_lastKey = event.keyCode;
        m_lastChar = event.charCode;
    }
    broadcastKey(down ? ClipEvent::KeyDown : ClipEvent::KeyUp, event);
    typeIntoFocus(*this, event);
    if (!down)
        return;
    // Buttons' key conditions, and clips' keyPress events.
    m_lastButtonKey = buttonKeyOf(event);
    if (m_lastButtonKey < 0)
        return;
    const auto visit = [this](const auto &self, DisplayObject &object) -> void {
        if (object.kind() == CharacterKind::Button) {
            const auto &button = static_cast<const ButtonInstance &>(object).button();
            DisplayObject *timeline = object.parent() ? object.parent() : &object;
            for (const ButtonAction &action : button.data().actions) {
                if (action.keyCode && action.keyCode == m_lastButtonKey)
                    queueActions(*timeline, action.actions, Priority::Normal);
            }
        }
        if (const ClipActions *actions = object.placement().clipActions;
            actions && (actions->allEvents & ClipEvent::KeyPress))
            queueEvent(object, ClipEvent::KeyPress, Priority::Normal);
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    visit(visit, m_player->root());
}

bool Machine::keyDown(int code) const
{
    return code >= 0 && code < int(m_keysDown.size()) && m_keysDown[size_t(code)];
}

} // namespace swf::avm1
