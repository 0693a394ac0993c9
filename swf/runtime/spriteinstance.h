// A clip: a display object running a timeline of its own. Instances of a
// DefineSprite, the main timeline of each level, and empty clips made by
// scripts (no character, a timeline of one empty frame) are all clips.
#pragma once

#include "swf/geometry/drawing.h"
#include "swf/model/sprite.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/timelineinstance.h"

#include <memory>

namespace swf {

class SpriteInstance final : public DisplayObject {
public:
    SpriteInstance(const Sprite &sprite, const PlacementState &placement, DisplayObject *parent,
                   RuntimeContext &context);
    // A level's main timeline (no parent) or an empty clip made by a script.
    SpriteInstance(const Timeline &timeline, const PlacementState &placement, DisplayObject *parent,
                   RuntimeContext &context);

    // The main timeline of a movie loaded into a clip or a level: what it
    // holds comes from `movie`, which it keeps alive.
    SpriteInstance(std::shared_ptr<const Movie> movie, const PlacementState &placement,
                   DisplayObject *parent, RuntimeContext &context);

    const Sprite *sprite() const { return static_cast<const Sprite *>(character()); }

    const DisplayList *children() const override { return &m_timeline.displayList(); }
    DisplayList *children() override { return &m_timeline.displayList(); }
    TimelineInstance *timeline() override { return &m_timeline; }
    const TimelineInstance *timeline() const override { return &m_timeline; }
    void enterFirstFrame(RuntimeContext &context) override { m_timeline.enterFirstFrame(context); }
    Drawing *drawing() override { return &m_drawing; }
    const Drawing *drawing() const override { return &m_drawing; }

    // A timeline with one empty frame, for clips made by scripts.
    static const Timeline &emptyTimeline();

private:
    // First, so that it outlives the objects made from it.
    std::shared_ptr<const Movie> m_loaded;
    TimelineInstance m_timeline;
    Drawing m_drawing;
};

} // namespace swf
