#include "swf/runtime/spriteinstance.h"

#include "swf/model/movie.h"

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

SpriteInstance::SpriteInstance(std::shared_ptr<const Movie> movie, const PlacementState &placement,
                               DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(nullptr, CharacterKind::Sprite, placement, parent, context),
      m_loaded(std::move(movie)), m_timeline(m_loaded->timeline(), *this)
{
    setMovie(*m_loaded);
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
