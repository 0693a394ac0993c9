// An instance of a DefineVideoStream: shows the frame of its stream that
// its placement's ratio names, as the timeline that placed it moves the
// ratio on frame by frame. Pictures are decoded when drawn.
#pragma once

#include "swf/model/video.h"
#include "swf/runtime/displayobject.h"

#include <QImage>

#include <memory>

namespace swf {

class VideoFrameSource;

class VideoInstance final : public DisplayObject {
public:
    VideoInstance(const VideoStream &stream, const PlacementState &placement, DisplayObject *parent,
                  RuntimeContext &context);
    ~VideoInstance() override;

    const VideoStream &stream() const { return m_stream; }
    // The picture of the frame shown now; null when there is none to show.
    QImage picture() const;

private:
    const VideoStream &m_stream;
    // Decoding state changes as frames are drawn, not as the object does.
    std::unique_ptr<VideoFrameSource> m_frames;
};

} // namespace swf
