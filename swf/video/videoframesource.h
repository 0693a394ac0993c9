// The pictures of one video object: any frame of its stream on demand,
// decoded from the key frame before it when the decoder is not already on
// the way there, and kept in a small cache so that stepping back costs
// nothing. A stream that cannot be decoded shows nothing and says so once.
#pragma once

#include "swf/model/video.h"

#include <QImage>

#include <list>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace swf {

class VideoDecoder;

class VideoFrameSource {
public:
    // `packets` (may be null) and `stream` belong to the movie, which
    // outlives the source.
    VideoFrameSource(const VideoStream &stream, const VideoPackets *packets);
    ~VideoFrameSource();
    VideoFrameSource(const VideoFrameSource &) = delete;
    VideoFrameSource &operator=(const VideoFrameSource &) = delete;

    // The picture of frame `number`: its packet's or, when the stream has
    // no packet of that number, the last one's before it. Null when there
    // is none or it does not decode.
    QImage frame(quint16 number);

    // Bytes of decoded pictures kept.
    qint64 cachedBytes() const { return m_cachedBytes; }

private:
    struct Cached {
        quint16 number;
        QImage image; // null for a packet that failed
    };

    QImage decodeUpTo(VideoPackets::const_iterator target);
    VideoPackets::const_iterator firstToDecode(VideoPackets::const_iterator target);
    const Cached *cached(quint16 number);
    void keep(quint16 number, const QImage &image);
    void report(const QString &problem);

    const VideoStream &m_stream;
    const VideoPackets *m_packets;
    // Frame numbers of the key frames, ascending.
    std::vector<quint16> m_keyFrames;
    std::unique_ptr<VideoDecoder> m_decoder;
    bool m_decoderMade = false;
    // The last packet the decoder took in; its state builds on it.
    std::optional<quint16> m_decoded;
    // Packets that did not decode: a run through one fails at once.
    std::set<quint16> m_failed;
    // Most recently shown first.
    std::list<Cached> m_cache;
    qint64 m_cachedBytes = 0;
    bool m_reported = false;
};

} // namespace swf
