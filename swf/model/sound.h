// Sounds as a movie declares them: DefineSound characters, the sound
// control tags of timelines (StartSound, StartSound2, SoundStreamHead,
// SoundStreamBlock) and the sounds DefineButtonSound gives a button's
// state changes. Nothing here is decoded; swf/audio does that.
#pragma once

#include "swf/model/character.h"
#include "swf/model/timeline.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

namespace swf {

// SoundFormat values of the SWF file-format documentation.
enum class SoundCodec : quint8 {
    PcmNative = 0, // uncompressed, the authoring machine's byte order (little-endian in practice)
    Adpcm = 1,
    Mp3 = 2,
    PcmLittle = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

// How samples are stored: the codec and the rate, size and channel fields
// that go with it (the 8 and 16 kHz Nellymoser variants fix their rate).
struct SoundFormat {
    quint8 codec = 0; // raw SoundFormat field, so unknown codecs survive
    quint8 rateCode = 0;
    bool sixteenBit = true;
    bool stereo = false;

    SoundCodec soundCodec() const { return SoundCodec(codec); }
    int channels() const { return stereo ? 2 : 1; }
    // Samples per second per channel: 5512.5, 11025, 22050 or 44100, or
    // the rate a Nellymoser variant implies.
    double rate() const;
    friend bool operator==(const SoundFormat &, const SoundFormat &) = default;

    // Reads the packed byte: format (4 bits), rate (2), size (1), type (1).
    static SoundFormat fromByte(quint8 packed);
    quint8 toByte() const;
};

class Sound final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Sound; }

    SoundFormat format;
    // Samples per channel as declared; decoders never trust it for sizes.
    quint32 sampleCount = 0;
    // The sound data after the fixed fields (for MP3 it still begins with
    // SeekSamples).
    QByteArray data;
};

struct SoundEnvelopePoint {
    quint32 position44 = 0; // in 44.1 kHz samples from the sound's start
    quint16 left = 32768;   // 0 … 32768
    quint16 right = 32768;
    friend bool operator==(const SoundEnvelopePoint &, const SoundEnvelopePoint &) = default;
};

// SOUNDINFO: how one start of an event sound plays.
struct SoundInfo {
    bool syncStop = false;
    bool noMultiple = false;
    std::optional<quint32> inPoint;  // 44.1 kHz samples
    std::optional<quint32> outPoint; // 44.1 kHz samples
    quint16 loops = 1;
    std::vector<SoundEnvelopePoint> envelope;
    friend bool operator==(const SoundInfo &, const SoundInfo &) = default;
};

// StartSound (by id) and StartSound2 (by class name).
class StartSound final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::StartSound; }

    quint16 soundId = 0;
    std::optional<QString> className; // StartSound2
    SoundInfo info;
};

// SoundStreamHead and SoundStreamHead2: the format of the stream whose
// blocks follow on the same timeline.
class SoundStreamHead final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::SoundStreamHead; }

    int version = 1;
    SoundFormat playback;
    SoundFormat stream;
    quint16 samplesPerBlock = 0; // average samples per frame, advisory
    qint16 latencySeek = 0;      // MP3 only
};

// SoundStreamBlock: one frame's share of the stream, as stored (for MP3
// it begins with SampleCount and SeekSamples).
class SoundStreamBlock final : public ControlTag {
public:
    ControlKind kind() const override { return ControlKind::SoundStreamBlock; }

    QByteArray data;
};

// One entry of DefineButtonSound.
struct ButtonSound {
    quint16 soundId = 0;
    SoundInfo info;
};

// What the sound tags add to a movie besides characters and control tags.
struct SoundTables {
    // DefineButtonSound by button id, in the order of ButtonSoundTransition.
    std::unordered_map<quint16, std::array<std::optional<ButtonSound>, 4>> buttonSounds;
};

} // namespace swf
