// The seam between the timeline and sound: the player hands every sound
// event its timelines reach to an AudioSink, and tells it when the movie
// jumps or halts. The null sink discards everything.
#pragma once

#include "swf/model/timeline.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

namespace swf {

class DisplayObject;

struct SoundEvent {
    const ControlTag &tag;
    // The sprite whose timeline reached the tag; null for the main timeline.
    const DisplayObject *timelineOwner = nullptr;
    int frame = 0;
};

// How loud sounds play, as the Sound class of scripts sets it: a volume and
// how much of each channel of a sound each speaker plays, in percent.
struct SoundTransform {
    qint32 volume = 100;
    qint32 ll = 100; // left channel in the left speaker
    qint32 lr = 0;   // right channel in the left speaker
    qint32 rl = 0;   // left channel in the right speaker
    qint32 rr = 100; // right channel in the right speaker
    friend bool operator==(const SoundTransform &, const SoundTransform &) = default;
};

// Transforms are set on groups of sounds: the sounds of a clip (by its
// serial; a clip's sounds are in its group and in those of the clips
// around it), those of a Sound object that loaded its own, and the global
// group every sound is in.
inline constexpr quint64 kGlobalSoundGroup = 0;

// A sound a script starts (Sound.start).
struct ScriptSoundStart {
    quint16 characterId = 0;               // a DefineSound of the movie, or
    std::shared_ptr<const QByteArray> mp3; // an MP3 file the script loaded
    std::vector<quint64> groups;           // its groups besides the global one
    double offsetSeconds = 0;              // where each loop starts
    int loops = 1;
};

// The four state changes DefineButtonSound gives a sound to, in its order.
enum class ButtonSoundTransition { OverUpToIdle, IdleToOverUp, OverUpToOverDown, OverDownToOverUp };

class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual void soundEvent(const SoundEvent &event) = 0;
    // The main timeline jumped (seek, rewind, loop): streaming sound must
    // resynchronise to `frame`.
    virtual void timelineJumped(int frame) = 0;
    virtual void playingChanged(bool playing) = 0;
    // A button instance changed state; the sink plays the sound that the
    // button's DefineButtonSound gives that change, if any.
    virtual void buttonTransition(quint16 buttonId, ButtonSoundTransition transition) = 0;
    // While a streaming sound of the main timeline sets the pace: how many
    // frames the timeline must step to catch up with what is heard (0 when
    // it is ahead). None lets the frame rate set the pace.
    virtual std::optional<int> framesDue() const { return std::nullopt; }
    // A script stopped every sound (stopAllSounds).
    virtual void stopAllSounds() {}

    // Sounds of the Sound class. Started sounds get an id, never 0; a sink
    // that plays nothing starts nothing.
    virtual quint64 startScriptSound(const ScriptSoundStart &start)
    {
        Q_UNUSED(start);
        return 0;
    }
    // Stops the sounds in `group` (every sound for the global group); with
    // `characterId`, only starts of that sound.
    virtual void stopScriptSounds(quint64 group, std::optional<quint16> characterId)
    {
        Q_UNUSED(group);
        Q_UNUSED(characterId);
    }
    virtual void setSoundTransform(quint64 group, const SoundTransform &transform)
    {
        Q_UNUSED(group);
        Q_UNUSED(transform);
    }
    // How far into its sound a script's sound plays, in milliseconds; none
    // once it ended or was stopped.
    virtual std::optional<double> scriptSoundPosition(quint64 id) const
    {
        Q_UNUSED(id);
        return std::nullopt;
    }
    // Script sounds that played to their end since the last call, in the
    // order they ended (stopped ones are not among them).
    virtual std::vector<quint64> takeEndedScriptSounds() { return {}; }
};

class NullAudioSink final : public AudioSink {
public:
    void soundEvent(const SoundEvent &) override {}
    void timelineJumped(int) override {}
    void playingChanged(bool) override {}
    void buttonTransition(quint16, ButtonSoundTransition) override {}
};

} // namespace swf
