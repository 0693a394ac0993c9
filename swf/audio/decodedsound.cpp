#include "swf/audio/decodedsound.h"

#include "swf/audio/sounddecoder.h"
#include "swf/io/reader.h"
#include "swf/limits.h"
#include "swf/log.h"

namespace swf {

DecodedSound decodeSound(const Sound &sound)
{
    DecodedSound decoded;
    decoded.rate = sound.format.rate();
    decoded.channels = sound.format.channels();
    auto decoder = makeSoundDecoder(sound.format);
    if (!decoder) {
        qCDebug(lcSwfAudio) << "sound" << sound.id() << "uses codec" << sound.format.codec
                            << "which is not played";
        return decoded;
    }
    QByteArrayView data(sound.data);
    qint64 skip = 0;
    if (sound.format.soundCodec() == SoundCodec::Mp3) {
        Reader r(data);
        skip = qMax<qint64>(0, r.s16());
        data = data.sliced(qMin<qsizetype>(2, data.size()));
    }
    decoder->decode(data, decoded.samples, limits::kMaxSoundSamples);
    decoded.rate = decoder->rate();
    decoded.channels = decoder->channels();
    const qint64 channels = decoded.channels;
    auto &samples = decoded.samples;
    samples.resize(size_t(qint64(samples.size()) / channels * channels));
    skip = qMin(skip * channels, qint64(samples.size()));
    samples.erase(samples.begin(), samples.begin() + skip);
    const qint64 declared = qint64(sound.sampleCount) * channels;
    if (declared > 0 && declared < qint64(samples.size()))
        samples.resize(size_t(declared));
    samples.shrink_to_fit();
    return decoded;
}

} // namespace swf
