// Sound tags for the SWF writer, and encoders that turn test signals into
// the codecs' bytes (PCM, ADPCM; Nellymoser in nellymoserencoder.h).
//
//   const auto tone = swfwriter::sine(440.0, 22050, 0.5, 12000);
//   const quint16 id = swfwriter::defineSound(movie, swfwriter::pcmFormat(22050, 1),
//                                             tone.size(), swfwriter::pcm16(tone));
//   swfwriter::startSound(movie, id);
//   movie.showFrame();
#pragma once

#include "swf/model/sound.h"
#include "tools/swfwriter/swfwriter.h"

#include <vector>

namespace swfwriter {

// The SoundFormat fields for `codec` at 5512, 11025, 22050 or 44100 Hz (other
// rates fall to the nearest lower code).
swf::SoundFormat soundFormat(swf::SoundCodec codec, int rate, int channels, bool sixteenBit = true);
inline swf::SoundFormat pcmFormat(int rate, int channels, bool sixteenBit = true)
{
    return soundFormat(swf::SoundCodec::PcmLittle, rate, channels, sixteenBit);
}

// DefineSound; `data` is the codec's bytes (for MP3 starting with
// SeekSamples). Returns the character id.
quint16 defineSound(SwfWriter &movie, const swf::SoundFormat &format, quint32 sampleCount,
                    const QByteArray &data, std::optional<quint16> id = std::nullopt);
void startSound(TimelineWriter &timeline, quint16 soundId, const swf::SoundInfo &info = {});
void startSound2(TimelineWriter &timeline, const QString &className,
                 const swf::SoundInfo &info = {});
// SoundStreamHead (version 1) or SoundStreamHead2; the playback fields
// repeat the stream's.
void soundStreamHead(TimelineWriter &timeline, const swf::SoundFormat &stream,
                     quint16 samplesPerBlock, int version = 2, qint16 latencySeek = 0);
void soundStreamBlock(TimelineWriter &timeline, const QByteArray &data);
// An MP3 stream block: SampleCount, SeekSamples, then the frames.
QByteArray mp3StreamBlock(quint16 sampleCount, qint16 seekSamples, const QByteArray &frames);
void defineButtonSound(SwfWriter &movie, quint16 buttonId,
                       const std::array<std::optional<swf::ButtonSound>, 4> &sounds);
void symbolClass(SwfWriter &movie, const QList<std::pair<quint16, QString>> &classes);
QByteArray encodeSoundInfo(const swf::SoundInfo &info);

// Test signals: a sine of `frequency` Hz, `seconds` long, peak `amplitude`,
// the same in every channel.
std::vector<qint16> sine(double frequency, int rate, double seconds, int amplitude,
                         int channels = 1);
QByteArray pcm16(const std::vector<qint16> &samples);
// Unsigned 8-bit, from the top byte of each sample.
QByteArray pcm8(const std::vector<qint16> &samples);
// ADPCMSOUNDDATA with `bits` (2 … 5) per sample; each code is chosen for
// the decoded sample nearest the input, so decoding follows the input.
QByteArray encodeAdpcm(const std::vector<qint16> &samples, int channels, int bits);

} // namespace swfwriter
