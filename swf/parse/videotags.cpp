// Tag family: embedded video: DefineVideoStream and VideoFrame.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/video.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

std::optional<Error> parseDefineVideoStream(TagContext &c)
{
    Reader &r = c.reader;
    auto stream = std::make_unique<VideoStream>(r.u16());
    stream->frameCount = r.u16();
    stream->width = r.u16();
    stream->height = r.u16();
    // Reserved (4 bits), deblocking (3), smoothing (1).
    const quint8 flags = r.u8();
    stream->deblocking = (flags >> 1) & 0x07;
    stream->smoothing = flags & 0x01;
    stream->codec = r.u8();
    if (auto error = c.overrunError("DefineVideoStream"))
        return error;
    c.define(std::move(stream));
    return std::nullopt;
}

// The packet joins its stream whichever timeline it sits on: the frame a
// video object shows is named by its placement's ratio, not by where the
// packet was read.
std::optional<Error> parseVideoFrame(TagContext &c)
{
    const quint16 streamId = c.reader.u16();
    const quint16 frame = c.reader.u16();
    if (auto error = c.overrunError("VideoFrame"))
        return error;
    VideoTables &videos = c.movie.videos;
    if (videos.packetCount >= limits::kMaxVideoPackets) {
        c.movie.stats.overLimits = true;
        return std::nullopt;
    }
    if (videos.packets[streamId].try_emplace(frame, c.reader.rest().toByteArray()).second)
        ++videos.packetCount;
    else
        qCDebug(lcSwfIo) << "video frame" << frame << "of stream" << streamId
                         << "given again - the first packet stays";
    return std::nullopt;
}

} // namespace

void registerVideoTags(TagTable &table)
{
    table.add(TagCode::DefineVideoStream, parseDefineVideoStream, TagScope::Definition);
    table.add(TagCode::VideoFrame, parseVideoFrame, TagScope::Control);
}

} // namespace swf
