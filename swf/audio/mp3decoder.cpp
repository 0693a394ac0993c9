#include "swf/audio/mp3decoder.h"

#include "swf/log.h"

#include <mpg123.h>

#include <mutex>

namespace swf {

namespace {

// Older libmpg123 versions need one call before any handle is made.
bool initialiseLibrary()
{
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
    return ok;
}

struct HandleDeleter {
    void operator()(mpg123_handle *handle) const { mpg123_delete(handle); }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

class Mp3Decoder final : public SoundDecoder {
public:
    Mp3Decoder(Handle handle, double rate, int channels)
        : m_handle(std::move(handle)), m_rate(rate), m_channels(channels)
    {
    }

    void decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit) override;
    double rate() const override { return m_rate; }
    int channels() const override { return m_channels; }

private:
    void append(const qint16 *samples, qint64 count, std::vector<qint16> &out, qint64 limit);
    void learnFormat();

    Handle m_handle;
    double m_rate;
    int m_channels;
    // The channel count of the frames being decoded now.
    int m_frameChannels = 0;
    bool m_formatKnown = false;
};

void Mp3Decoder::decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit)
{
    if (!data.isEmpty() &&
        mpg123_feed(m_handle.get(), reinterpret_cast<const unsigned char *>(data.data()),
                    size_t(data.size())) != MPG123_OK)
        return;
    // Each pass takes a frame or a header out of the fed bytes, so the loop
    // ends when they run out; errors end it early (a damaged frame is
    // skipped by the resynchronisation of the next call). The guard only
    // makes that bound explicit.
    for (qint64 guard = data.size() + 64; guard > 0; --guard) {
        off_t frame = 0;
        unsigned char *audio = nullptr;
        size_t bytes = 0;
        const int status = mpg123_decode_frame(m_handle.get(), &frame, &audio, &bytes);
        if (status == MPG123_NEW_FORMAT) {
            learnFormat();
            continue;
        }
        if (status != MPG123_OK)
            return;
        if (audio && bytes >= 2)
            append(reinterpret_cast<const qint16 *>(audio), qint64(bytes / 2), out, limit);
    }
}

void Mp3Decoder::learnFormat()
{
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_handle.get(), &rate, &channels, &encoding) != MPG123_OK)
        return;
    m_frameChannels = channels;
    if (!m_formatKnown && rate > 0 && (channels == 1 || channels == 2)) {
        m_rate = double(rate);
        m_channels = channels;
        m_formatKnown = true;
    }
}

// Frames whose channel count changed mid-stream are mixed down or spread
// to the channel count the stream began with.
void Mp3Decoder::append(const qint16 *samples, qint64 count, std::vector<qint16> &out, qint64 limit)
{
    const int from = m_frameChannels == 2 ? 2 : 1;
    const qint64 frames = count / from;
    for (qint64 i = 0; i < frames && qint64(out.size()) + m_channels <= limit; ++i) {
        const qint16 *s = samples + i * from;
        if (from == m_channels) {
            out.insert(out.end(), s, s + from);
        } else if (from == 2) {
            out.push_back(qint16((int(s[0]) + int(s[1])) / 2));
        } else {
            out.push_back(s[0]);
            out.push_back(s[0]);
        }
    }
}

} // namespace

std::unique_ptr<SoundDecoder> makeMp3Decoder(double rate, int channels)
{
    if (!initialiseLibrary()) {
        qCWarning(lcSwfAudio) << "libmpg123 could not be initialised; MP3 sounds stay silent";
        return nullptr;
    }
    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    if (!handle)
        return nullptr;
    mpg123_handle *h = handle.get();
    // Quiet, literal decoding: no gapless trimming and no info-frame magic,
    // since the movie states itself which samples to skip and to play; no
    // resampling either, which the engine does.
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0.0);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS | MPG123_AUTO_RESAMPLE, 0.0);
    mpg123_format_none(h);
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(h) != MPG123_OK)
        return nullptr;
    return std::make_unique<Mp3Decoder>(std::move(handle), rate, qBound(1, channels, 2));
}

} // namespace swf
