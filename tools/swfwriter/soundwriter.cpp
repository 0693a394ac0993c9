#include "tools/swfwriter/soundwriter.h"

#include "swf/audio/adpcmdecoder.h"
#include "swf/io/tagcodes.h"

#include <cmath>
#include <numbers>

namespace swfwriter {

swf::SoundFormat soundFormat(swf::SoundCodec codec, int rate, int channels, bool sixteenBit)
{
    swf::SoundFormat format;
    format.codec = quint8(codec);
    format.rateCode = rate >= 44100 ? 3 : rate >= 22050 ? 2 : rate >= 11025 ? 1 : 0;
    format.sixteenBit = sixteenBit;
    format.stereo = channels == 2;
    return format;
}

quint16 defineSound(SwfWriter &movie, const swf::SoundFormat &format, quint32 sampleCount,
                    const QByteArray &data, std::optional<quint16> id)
{
    const quint16 soundId = movie.takeId(id);
    BitWriter w;
    w.u16(soundId);
    w.u8(format.toByte());
    w.u32(sampleCount);
    w.bytes(data);
    movie.rawTag(swf::TagCode::DefineSound, w.data());
    return soundId;
}

QByteArray encodeSoundInfo(const swf::SoundInfo &info)
{
    BitWriter w;
    quint32 flags = 0;
    flags |= info.syncStop ? 0x20 : 0;
    flags |= info.noMultiple ? 0x10 : 0;
    flags |= info.envelope.empty() ? 0 : 0x08;
    flags |= info.loops != 1 ? 0x04 : 0;
    flags |= info.outPoint ? 0x02 : 0;
    flags |= info.inPoint ? 0x01 : 0;
    w.u8(flags);
    if (info.inPoint)
        w.u32(*info.inPoint);
    if (info.outPoint)
        w.u32(*info.outPoint);
    if (info.loops != 1)
        w.u16(info.loops);
    if (!info.envelope.empty()) {
        w.u8(quint32(info.envelope.size()));
        for (const swf::SoundEnvelopePoint &point : info.envelope) {
            w.u32(point.position44);
            w.u16(point.left);
            w.u16(point.right);
        }
    }
    return w.data();
}

void startSound(TimelineWriter &timeline, quint16 soundId, const swf::SoundInfo &info)
{
    BitWriter w;
    w.u16(soundId);
    w.bytes(encodeSoundInfo(info));
    timeline.rawTag(swf::TagCode::StartSound, w.data());
}

void startSound2(TimelineWriter &timeline, const QString &className, const swf::SoundInfo &info)
{
    BitWriter w;
    w.cstring(className.toUtf8());
    w.bytes(encodeSoundInfo(info));
    timeline.rawTag(swf::TagCode::StartSound2, w.data());
}

void soundStreamHead(TimelineWriter &timeline, const swf::SoundFormat &stream,
                     quint16 samplesPerBlock, int version, qint16 latencySeek)
{
    BitWriter w;
    w.u8(stream.toByte() & 0x0f); // playback: the stream's rate, size and type
    w.u8(stream.toByte());
    w.u16(samplesPerBlock);
    if (stream.soundCodec() == swf::SoundCodec::Mp3)
        w.u16(quint32(quint16(latencySeek)));
    timeline.rawTag(version == 1 ? swf::TagCode::SoundStreamHead : swf::TagCode::SoundStreamHead2,
                    w.data());
}

void soundStreamBlock(TimelineWriter &timeline, const QByteArray &data)
{
    timeline.rawTag(swf::TagCode::SoundStreamBlock, data, data.size() >= 0x3f);
}

QByteArray mp3StreamBlock(quint16 sampleCount, qint16 seekSamples, const QByteArray &frames)
{
    BitWriter w;
    w.u16(sampleCount);
    w.u16(quint32(quint16(seekSamples)));
    w.bytes(frames);
    return w.data();
}

void defineButtonSound(SwfWriter &movie, quint16 buttonId,
                       const std::array<std::optional<swf::ButtonSound>, 4> &sounds)
{
    BitWriter w;
    w.u16(buttonId);
    for (const auto &sound : sounds) {
        w.u16(sound ? sound->soundId : 0);
        if (sound)
            w.bytes(encodeSoundInfo(sound->info));
    }
    movie.rawTag(swf::TagCode::DefineButtonSound, w.data());
}

void symbolClass(SwfWriter &movie, const QList<std::pair<quint16, QString>> &classes)
{
    BitWriter w;
    w.u16(quint32(classes.size()));
    for (const auto &[id, name] : classes) {
        w.u16(id);
        w.cstring(name.toUtf8());
    }
    movie.rawTag(swf::TagCode::SymbolClass, w.data());
}

std::vector<qint16> sine(double frequency, int rate, double seconds, int amplitude, int channels)
{
    const auto frames = qint64(std::llround(seconds * rate));
    std::vector<qint16> samples;
    samples.reserve(size_t(frames * channels));
    for (qint64 i = 0; i < frames; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequency * double(i) / rate;
        const auto value = qint16(std::lround(amplitude * std::sin(phase)));
        for (int c = 0; c < channels; ++c)
            samples.push_back(value);
    }
    return samples;
}

QByteArray pcm16(const std::vector<qint16> &samples)
{
    BitWriter w;
    for (qint16 s : samples)
        w.u16(quint32(quint16(s)));
    return w.data();
}

QByteArray pcm8(const std::vector<qint16> &samples)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(samples.size()));
    for (qint16 s : samples)
        bytes.append(char((s >> 8) + 128));
    return bytes;
}

QByteArray encodeAdpcm(const std::vector<qint16> &samples, int channels, int bits)
{
    constexpr size_t kPacket = 4096;
    BitWriter w;
    w.ub(2, quint32(bits - 2));
    const size_t frames = samples.size() / size_t(channels);
    swf::AdpcmChannel state[2];
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int target = samples[i * size_t(channels) + size_t(c)];
            if (i % kPacket == 0) {
                // A packet opens with the sample as it is and a step index
                // near the start of the table.
                state[c].sample = target;
                state[c].index = qMin(state[c].index, 63);
                w.sb(16, target);
                w.ub(6, quint32(state[c].index));
                continue;
            }
            quint32 best = 0;
            int bestError = INT_MAX;
            for (quint32 code = 0; code < (1u << bits); ++code) {
                swf::AdpcmChannel trial = state[c];
                trial.apply(code, bits);
                if (std::abs(trial.sample - target) < bestError) {
                    bestError = std::abs(trial.sample - target);
                    best = code;
                }
            }
            state[c].apply(best, bits);
            w.ub(bits, best);
        }
    }
    return w.data();
}

} // namespace swfwriter
