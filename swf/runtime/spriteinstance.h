// An instance of a DefineSprite: a display object running its own timeline.
#pragma once

#include "swf/model/sprite.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/timelineinstance.h"

namespace swf {

class SpriteInstance final : public DisplayObject {
public:
    SpriteInstance(const Sprite &sprite, const PlacementState &placement, DisplayObject *parent,
                   RuntimeContext &context);

    const DisplayList *children() const override { return &m_timeline.displayList(); }
    TimelineInstance *timeline() override { return &m_timeline; }
    void advance(RuntimeContext &context) override { m_timeline.step(context); }

private:
    TimelineInstance m_timeline;
};

} // namespace swf
