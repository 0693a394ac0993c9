// A timeline being played: its display list, its current frame, whether it
// plays, and the rules for stepping, looping and jumping. Every clip owns
// one (the main timeline of each level too).
#pragma once

#include "swf/model/timeline.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/instancefactory.h"

namespace swf {

struct RuntimeContext;

class TimelineInstance {
public:
    TimelineInstance(const Timeline &timeline, DisplayObject &owner);

    const Timeline &definition() const { return m_timeline; }
    DisplayObject &owner() const { return m_owner; }
    int frame() const { return m_frame; }
    int frameCount() const { return m_timeline.frameCount(); }
    const DisplayList &displayList() const { return m_list; }
    DisplayList &displayList() { return m_list; }

    // Clips play from their creation until a script (or the host, for
    // the main timeline) stops them; a stopped timeline's children play on.
    bool isPlaying() const { return m_playing; }
    void setPlaying(bool playing) { m_playing = playing; }

    // Shows the first frame; called once, when the owner joins its list.
    void enterFirstFrame(RuntimeContext &context);
    // One frame of this timeline's time (its children step on their own,
    // see Player::step()): if it plays, it moves to its next frame, back to
    // the first after the last. A timeline of one frame stays where it is.
    void step(RuntimeContext &context);
    // Puts the timeline on `target` (clamped) with exactly the display list
    // that frame has when played from the start, and hands that frame's
    // scripts to the script host. Objects that frame shares with the
    // current one (same character, placed by the same frame) keep their
    // own state; objects made by scripts stay.
    void gotoFrame(int target, RuntimeContext &context);

private:
    void executeFrame(int frame, RuntimeContext &context);
    void jumpTo(int target, RuntimeContext &context);
    // Makes the list match `placements`; objects the frame `deferred`
    // creates are left for its tags to create in order.
    void reconcile(const PlacementMap &placements, int deferred, bool rewound,
                   RuntimeContext &context);
    void executeTags(int frame, bool jumped, const PlacementMap *placements,
                     RuntimeContext &context);
    void place(const PlacementState &state, RuntimeContext &context,
               Replacement replacement = Replacement::Announced);
    void forwardScripts(int frame, RuntimeContext &context);
    // The owner as the audio sink knows it: null for a level's main timeline.
    const DisplayObject *soundOwner() const;

    const Timeline &m_timeline;
    DisplayObject &m_owner;
    DisplayList m_list;
    int m_frame = -1;
    bool m_playing = true;
};

} // namespace swf
