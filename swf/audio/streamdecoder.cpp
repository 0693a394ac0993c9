#include "swf/audio/streamdecoder.h"

#include "swf/io/reader.h"
#include "swf/limits.h"

namespace swf {

StreamDecoder::StreamDecoder(const SoundFormat &format)
    : m_format(format), m_decoder(makeSoundDecoder(format))
{
}

double StreamDecoder::rate() const
{
    return m_decoder ? m_decoder->rate() : m_format.rate();
}

int StreamDecoder::channels() const
{
    return m_decoder ? m_decoder->channels() : m_format.channels();
}

qint64 StreamDecoder::decode(QByteArrayView block, std::vector<qint16> &out)
{
    if (!m_decoder)
        return 0;
    const bool mp3 = m_format.soundCodec() == SoundCodec::Mp3;
    qint64 declared = -1;
    if (mp3) {
        Reader r(block);
        declared = r.u16();
        const qint64 seek = r.s16();
        if (!r.ok())
            return 0;
        if (m_first)
            m_skip = qMax<qint64>(0, seek);
        block = block.sliced(4);
    }
    m_first = false;
    std::vector<qint16> decoded;
    m_decoder->decode(block, decoded, limits::kMaxStreamBlockSamples);
    const int channels = m_decoder->channels();
    qint64 frames = qint64(decoded.size()) / channels;
    const qint64 dropped = qMin(m_skip, frames);
    m_skip -= dropped;
    out.insert(out.end(), decoded.begin() + dropped * channels,
               decoded.begin() + frames * channels);
    frames -= dropped;
    return declared >= 0 ? declared : frames;
}

} // namespace swf
