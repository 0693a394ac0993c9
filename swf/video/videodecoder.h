// One video stream's decoder: packets in stream order in, pictures out.
// FFmpeg's libavcodec does the decoding; its state stays in the .cpp.
#pragma once

#include "swf/error.h"
#include "swf/model/video.h"

#include <QByteArrayView>
#include <QImage>

#include <memory>

namespace swf {

class VideoDecoder {
public:
    // Whether the decoder makes a picture of the packet or only takes its
    // changes in (a packet on the way to the one shown).
    enum class Picture { Make, Skip };

    // Null for a codec this build cannot decode (or none at all).
    static std::unique_ptr<VideoDecoder> create(const VideoStream &stream);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder &) = delete;
    VideoDecoder &operator=(const VideoDecoder &) = delete;

    // Decodes the next packet. The picture is premultiplied ARGB at most
    // the stream's size (larger coded pictures are cut to it); a null
    // image with Picture::Skip. A packet that does not decode, or whose
    // picture is larger than the stream allows, is an error.
    Result<QImage> decode(QByteArrayView packet, Picture picture = Picture::Make);
    // Forgets the reference pictures: the next packet should be a key frame.
    void reset();

private:
    struct State;
    explicit VideoDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

// Whether `packet` can be decoded without the packets before it, from its
// header: an intra picture (H.263, VP6), or a screen whose blocks are all
// there and none refers to an earlier frame (Screen Video 1 and 2).
// Streams without any key frame are decoded from their first packet.
bool isKeyFrame(VideoCodec codec, QByteArrayView packet);

} // namespace swf
