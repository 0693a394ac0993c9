// Video tags for the SWF writer: DefineVideoStream and VideoFrame. The
// packets are the codec's bytes as VideoFrame carries them (tests make
// them with FFmpeg's encoders).
//
//   const swfwriter::VideoStreamFields fields{swf::VideoCodec::ScreenVideo, 64, 48, 2};
//   const quint16 id = swfwriter::defineVideoStream(movie, fields);
//   swfwriter::Place place;
//   place.characterId = id;
//   place.ratio = 0; // the frame shown
//   movie.placeObject2(place);
//   swfwriter::videoFrame(movie, id, 0, packet0);
//   movie.showFrame();
#pragma once

#include "swf/model/video.h"
#include "tools/swfwriter/swfwriter.h"

namespace swfwriter {

struct VideoStreamFields {
    swf::VideoCodec codec = swf::VideoCodec::SorensonH263;
    quint16 width = 0;
    quint16 height = 0;
    quint16 frameCount = 0;
    quint8 deblocking = 0; // VideoFlagsDeblocking, 3 bits
    bool smoothing = false;
};

quint16 defineVideoStream(SwfWriter &movie, const VideoStreamFields &fields,
                          std::optional<quint16> id = std::nullopt);
void videoFrame(TimelineWriter &timeline, quint16 streamId, quint16 frameNumber,
                const QByteArray &packet);

} // namespace swfwriter
