// Embedded video as a movie declares it: DefineVideoStream characters and
// the VideoFrame packets that belong to them. Nothing here is decoded;
// swf/video does that.
#pragma once

#include "swf/model/character.h"

#include <QByteArray>

#include <map>
#include <unordered_map>

namespace swf {

// CodecID values of DefineVideoStream.
enum class VideoCodec : quint8 {
    None = 0, // a video object for scripts to attach a stream to
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
};

// VideoFlagsDeblocking: 0 leaves it to each packet, 1 turns it off, 2 and
// up ask for stronger filters.
enum class VideoDeblocking : quint8 { FromPacket = 0, Off = 1 };

class VideoStream final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Video; }

    quint16 frameCount = 0; // as declared; the packets present decide
    quint16 width = 0;      // pixels, the size the object is drawn at
    quint16 height = 0;
    quint8 deblocking = 0;  // VideoFlagsDeblocking, 0 … 7
    bool smoothing = false; // scale with interpolation rather than nearest pixels
    quint8 codec = 0;       // raw CodecID, so unknown codecs survive

    VideoCodec videoCodec() const { return VideoCodec(codec); }
};

// A stream's packets by frame number (VideoFrame's FrameNum); the first
// packet given a number keeps it.
using VideoPackets = std::map<quint16, QByteArray>;

// VideoFrame packets of every stream, by stream id. They are gathered from
// every timeline: which one is shown is the placement's ratio.
struct VideoTables {
    std::unordered_map<quint16, VideoPackets> packets;
    qint64 packetCount = 0; // all streams together

    // The packets of `streamId`; null when it has none.
    const VideoPackets *packetsOf(quint16 streamId) const
    {
        const auto it = packets.find(streamId);
        return it == packets.end() ? nullptr : &it->second;
    }
};

} // namespace swf
