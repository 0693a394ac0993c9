#include "swf/audio/sounddecoder.h"

#include "swf/audio/adpcmdecoder.h"
#include "swf/audio/mp3decoder.h"
#include "swf/audio/nellymoserdecoder.h"

namespace swf {

namespace {

// Uncompressed samples: 8-bit ones are unsigned around 128, 16-bit ones
// little-endian (the "native" order of the authoring machines).
class PcmDecoder final : public SoundDecoder {
public:
    PcmDecoder(double rate, int channels, bool sixteenBit)
        : m_rate(rate), m_channels(channels), m_sixteenBit(sixteenBit)
    {
    }

    void decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit) override
    {
        // A sample (or a stereo pair) split between two blocks waits for
        // the rest of its bytes.
        if (!m_pending.isEmpty()) {
            m_pending.append(data);
            m_carry = std::move(m_pending);
            m_pending = QByteArray();
            data = m_carry;
        }
        const qsizetype width = m_sixteenBit ? 2 : 1;
        const qsizetype frameBytes = width * m_channels;
        const qsizetype frames = data.size() / frameBytes;
        const auto *bytes = reinterpret_cast<const quint8 *>(data.data());
        for (qsizetype i = 0; i < frames * m_channels; ++i) {
            if (i % m_channels == 0 && qint64(out.size()) + m_channels > limit)
                break;
            const quint8 *p = bytes + i * width;
            out.push_back(m_sixteenBit ? qint16(p[0] | p[1] << 8) : qint16((p[0] - 128) << 8));
        }
        if (data.size() % frameBytes)
            m_pending = data.last(data.size() % frameBytes).toByteArray();
    }
    double rate() const override { return m_rate; }
    int channels() const override { return m_channels; }

private:
    double m_rate;
    int m_channels;
    bool m_sixteenBit;
    QByteArray m_pending;
    QByteArray m_carry;
};

} // namespace

std::unique_ptr<SoundDecoder> makeSoundDecoder(const SoundFormat &format)
{
    const double rate = format.rate();
    const int channels = format.channels();
    switch (format.soundCodec()) {
    case SoundCodec::PcmNative:
    case SoundCodec::PcmLittle:
        return std::make_unique<PcmDecoder>(rate, channels, format.sixteenBit);
    case SoundCodec::Adpcm:
        return std::make_unique<AdpcmDecoder>(rate, channels);
    case SoundCodec::Mp3:
        return makeMp3Decoder(rate, channels);
    case SoundCodec::Nellymoser16k:
    case SoundCodec::Nellymoser8k:
    case SoundCodec::Nellymoser:
        // Nellymoser is mono whatever the type bit says.
        return makeNellymoserDecoder(rate);
    case SoundCodec::Speex:
        break;
    }
    return nullptr;
}

} // namespace swf
