#include "swf/runtime/videoinstance.h"

#include "swf/model/movie.h"
#include "swf/video/videoframesource.h"

namespace swf {

VideoInstance::VideoInstance(const VideoStream &stream, const PlacementState &placement,
                             DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(&stream, CharacterKind::Video, placement, parent, context), m_stream(stream),
      m_frames(std::make_unique<VideoFrameSource>(stream, movie().videos().packetsOf(stream.id())))
{
}

VideoInstance::~VideoInstance() = default;

QImage VideoInstance::picture() const
{
    return m_frames->frame(placement().ratio);
}

} // namespace swf
