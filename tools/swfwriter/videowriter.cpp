#include "tools/swfwriter/videowriter.h"

#include "swf/io/tagcodes.h"

namespace swfwriter {

quint16 defineVideoStream(SwfWriter &movie, const VideoStreamFields &fields,
                          std::optional<quint16> id)
{
    const quint16 streamId = movie.takeId(id);
    BitWriter w;
    w.u16(streamId);
    w.u16(fields.frameCount);
    w.u16(fields.width);
    w.u16(fields.height);
    // Reserved (4 bits), deblocking (3), smoothing (1).
    w.u8(quint32(fields.deblocking & 0x07) << 1 | (fields.smoothing ? 1 : 0));
    w.u8(quint8(fields.codec));
    movie.rawTag(swf::TagCode::DefineVideoStream, w.data());
    return streamId;
}

void videoFrame(TimelineWriter &timeline, quint16 streamId, quint16 frameNumber,
                const QByteArray &packet)
{
    BitWriter w;
    w.u16(streamId);
    w.u16(frameNumber);
    w.bytes(packet);
    timeline.rawTag(swf::TagCode::VideoFrame, w.data());
}

} // namespace swfwriter
