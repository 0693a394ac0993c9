// A timeline being played: its display list, its current frame, and the
// rules for stepping, looping and jumping. The main movie and every sprite
// instance own one.
#pragma once

#include "swf/model/timeline.h"
#include "swf/runtime/displayobject.h"

namespace swf {

struct RuntimeContext;

class TimelineInstance {
public:
    // `owner` is the sprite instance playing the timeline; null for the
    // main movie.
    TimelineInstance(const Timeline &timeline, DisplayObject *owner);

    int frame() const { return m_frame; }
    int frameCount() const { return m_timeline.frameCount(); }
    const DisplayList &displayList() const { return m_list; }
    DisplayList &displayList() { return m_list; }

    // Shows the first frame; called once, right after construction.
    void enterFirstFrame(RuntimeContext &context);
    // One frame of time: the children that exist now advance, then this
    // timeline moves to its next frame, back to the first after the last.
    // A timeline of one frame stays where it is.
    void step(RuntimeContext &context);
    // Puts the timeline on `target` (clamped) with exactly the display list
    // that frame has when played from the start. Objects that frame shares
    // with the current one (same character, placed by the same frame) keep
    // their own state.
    void gotoFrame(int target, RuntimeContext &context);

private:
    void executeFrame(int frame, RuntimeContext &context);
    void jumpTo(int target, RuntimeContext &context);
    void reconcile(const PlacementMap &placements, RuntimeContext &context);
    void place(const PlacementState &state, RuntimeContext &context);
    void forwardSounds(int frame, RuntimeContext &context);

    const Timeline &m_timeline;
    DisplayObject *m_owner;
    DisplayList m_list;
    int m_frame = -1;
};

} // namespace swf
