// The seam between the timeline and sound: the player hands every sound
// event its timelines reach to an AudioSink, and tells it when the movie
// jumps or halts. The null sink discards everything.
#pragma once

#include "swf/model/timeline.h"

#include <optional>

namespace swf {

class DisplayObject;

struct SoundEvent {
    const ControlTag &tag;
    // The sprite whose timeline reached the tag; null for the main timeline.
    const DisplayObject *timelineOwner = nullptr;
    int frame = 0;
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
};

class NullAudioSink final : public AudioSink {
public:
    void soundEvent(const SoundEvent &) override {}
    void timelineJumped(int) override {}
    void playingChanged(bool) override {}
    void buttonTransition(quint16, ButtonSoundTransition) override {}
};

} // namespace swf
