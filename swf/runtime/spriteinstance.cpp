#include "swf/runtime/spriteinstance.h"

namespace swf {

SpriteInstance::SpriteInstance(const Sprite &sprite, const PlacementState &placement,
                               DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(sprite, placement, parent, context), m_timeline(sprite.timeline, this)
{
    m_timeline.enterFirstFrame(context);
}

} // namespace swf
