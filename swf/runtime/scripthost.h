// The seam between the timelines and a script machine. The player tells
// its ScriptHost what the timelines reach (frame scripts, init actions,
// bytecode), which objects come and go, what the pointer and keys do to
// them, and when each phase of a frame begins; the host queues what it
// must run and runs it when the player says so. Hosts change display
// objects only through the runtime's own interface, and never while a
// timeline is in the middle of a jump: scripts run only from runPending()
// and the input calls, never from inside a timeline step.
//
// The null host, the default, runs nothing: movies play their timelines
// as drawn.
#pragma once

#include "swf/model/scripttags.h"
#include "swf/runtime/pointerinput.h"

namespace swf {

class DisplayObject;
class Player;

class ScriptHost {
public:
    virtual ~ScriptHost() = default;

    // The player has its root (level 0) and has not entered a frame yet.
    virtual void attach(Player &) {}

    // What timelines reach as they enter a frame, in tag order.
    virtual void doAction(DisplayObject &, const DoAction &) {}
    virtual void doInitAction(DisplayObject &, const DoInitAction &) {}
    virtual void doAbc(const DoAbc &) {}
    // A timeline entered `frame` (after its tags were executed).
    virtual void frameEntered(DisplayObject &, int) {}

    // An object joined a display list; its first frame is entered after.
    virtual void objectAdded(DisplayObject &) {}
    // An object is about to leave its display list and be freed.
    virtual void objectRemoved(DisplayObject &) {}
    // Whether a removed object stays in its list, unloading, until the
    // host has run its unload handlers and calls releaseUnloaded().
    virtual bool holdsUntilUnloaded(const DisplayObject &) const { return false; }

    // The phases of a frame: before the timelines advance; each clip just
    // before its timeline steps (newest clips first); after them all (run
    // what is queued); and when the frame is done.
    virtual void frameStarting() {}
    virtual void clipStepping(DisplayObject &) {}
    virtual void runPending() {}
    virtual void frameEnded() {}

    // Input. The player runs pending scripts after each.
    // An interactive object moved from one pointer state to another.
    virtual void mouseStateChanged(DisplayObject &, ButtonMouseState, ButtonMouseState) {}
    virtual void pointerEvent(const PointerEvent &) {}
    virtual void keyEvent(const KeyEvent &) {}
    // Whether a clip takes the pointer like a button (it has handlers for
    // it). Buttons always do.
    virtual bool takesPointer(const DisplayObject &) const { return false; }
};

class NullScriptHost final : public ScriptHost {};

} // namespace swf
