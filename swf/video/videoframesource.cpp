#include "swf/video/videoframesource.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/video/videodecoder.h"

#include <algorithm>

namespace swf {

VideoFrameSource::VideoFrameSource(const VideoStream &stream, const VideoPackets *packets)
    : m_stream(stream), m_packets(packets && !packets->empty() ? packets : nullptr)
{
    if (!m_packets)
        return;
    for (const auto &[number, packet] : *m_packets) {
        if (isKeyFrame(stream.videoCodec(), packet))
            m_keyFrames.push_back(number);
    }
}

VideoFrameSource::~VideoFrameSource() = default;

QImage VideoFrameSource::frame(quint16 number)
{
    if (!m_packets)
        return {};
    auto target = m_packets->upper_bound(number);
    if (target == m_packets->begin())
        return {};
    --target;
    if (const Cached *hit = cached(target->first))
        return hit->image;
    const QImage image = decodeUpTo(target);
    keep(target->first, image);
    return image;
}

QImage VideoFrameSource::decodeUpTo(VideoPackets::const_iterator target)
{
    if (!m_decoderMade) {
        m_decoderMade = true;
        m_decoder = VideoDecoder::create(m_stream);
        // A stream without a codec is a video object for scripts; nothing
        // is amiss.
        if (!m_decoder && m_stream.videoCodec() != VideoCodec::None)
            report(QStringLiteral("codec %1 at %2x%3 cannot be decoded")
                       .arg(m_stream.codec)
                       .arg(m_stream.width)
                       .arg(m_stream.height));
    }
    if (!m_decoder)
        return {};
    auto it = firstToDecode(target);
    const auto failed = m_failed.lower_bound(it->first);
    if (failed != m_failed.end() && *failed <= target->first)
        return {};
    for (;; ++it) {
        const bool last = it == target;
        auto result = m_decoder->decode(it->second, last ? VideoDecoder::Picture::Make
                                                         : VideoDecoder::Picture::Skip);
        if (!result) {
            report(QStringLiteral("frame %1: %2").arg(it->first).arg(result.error().message));
            m_failed.insert(it->first);
            m_decoded.reset();
            m_decoder->reset();
            return {};
        }
        m_decoded = it->first;
        if (last)
            return *result;
    }
}

// The key frame at or before the target, or the stream's first packet
// when it has none; or the packet after the one the decoder last took in,
// when that lies between the key frame and the target.
VideoPackets::const_iterator VideoFrameSource::firstToDecode(VideoPackets::const_iterator target)
{
    const auto key = std::upper_bound(m_keyFrames.begin(), m_keyFrames.end(), target->first);
    const quint16 start = key == m_keyFrames.begin() ? m_packets->begin()->first : *(key - 1);
    if (m_decoded && *m_decoded >= start && *m_decoded < target->first)
        return std::next(m_packets->find(*m_decoded));
    m_decoder->reset();
    return m_packets->find(start);
}

const VideoFrameSource::Cached *VideoFrameSource::cached(quint16 number)
{
    const auto it = std::find_if(m_cache.begin(), m_cache.end(),
                                 [number](const Cached &entry) { return entry.number == number; });
    if (it == m_cache.end())
        return nullptr;
    m_cache.splice(m_cache.begin(), m_cache, it);
    return &m_cache.front();
}

void VideoFrameSource::keep(quint16 number, const QImage &image)
{
    const qint64 bytes = image.sizeInBytes();
    if (bytes > limits::kMaxVideoCacheBytes)
        return;
    while (!m_cache.empty() && m_cachedBytes + bytes > limits::kMaxVideoCacheBytes) {
        m_cachedBytes -= m_cache.back().image.sizeInBytes();
        m_cache.pop_back();
    }
    m_cache.push_front(Cached{number, image});
    m_cachedBytes += bytes;
}

void VideoFrameSource::report(const QString &problem)
{
    if (m_reported)
        return;
    m_reported = true;
    qCWarning(lcSwfVideo).noquote() << "video stream" << m_stream.id() << "not shown:" << problem;
}

} // namespace swf
