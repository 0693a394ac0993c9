#include "swf/runtime/spriteinstance.h"

namespace swf {

SpriteInstance::SpriteInstance(const Sprite &sprite, const PlacementState &placement,
                               DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(&sprite, CharacterKind::Sprite, placement, parent, context),
      m_timeline(sprite.timeline, *this)
{
}

SpriteInstance::SpriteInstance(const Timeline &timeline, const PlacementState &placement,
                               DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(nullptr, CharacterKind::Sprite, placement, parent, context),
      m_timeline(timeline, *this)
{
}

const Timeline &SpriteInstance::emptyTimeline()
{
    static const Timeline timeline = [] {
        Timeline t;
        t.frames.resize(1);
        return t;
    }();
    return timeline;
}

} // namespace swf
