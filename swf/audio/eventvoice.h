// One start of an event sound: plays a decoded sound from its in point to
// its out point, as many times as it loops, shaped by its envelope, and
// resampled to the output rate.
#pragma once

#include "swf/audio/decodedsound.h"
#include "swf/audio/resampler.h"

#include <memory>
#include <vector>

namespace swf {

class EventVoice {
public:
    EventVoice(quint16 soundId, std::shared_ptr<const DecodedSound> sound, const SoundInfo &info);

    quint16 soundId() const { return m_soundId; }
    bool finished() const { return m_finished; }
    // A script's sound: its id (0 for the sounds of timelines and buttons),
    // and the groups whose sound transforms it plays under.
    quint64 scriptId() const { return m_scriptId; }
    const std::vector<quint64> &groups() const { return m_groups; }
    void setOwner(quint64 scriptId, std::vector<quint64> groups)
    {
        m_scriptId = scriptId;
        m_groups = std::move(groups);
    }
    // Milliseconds into the sound of what plays next.
    double positionMs() const;
    // Adds the next `frames` output frames to `mix` (stereo, interleaved).
    void render(qint32 *mix, int frames);

private:
    // The envelope's levels (0 … 32768) at 44.1 kHz sample `time`.
    std::pair<int, int> levels(qint64 time);

    quint16 m_soundId;
    std::shared_ptr<const DecodedSound> m_sound;
    std::vector<SoundEnvelopePoint> m_envelope;
    size_t m_envelopeAt = 0;
    qint64 m_first = 0; // first source frame of a loop
    qint64 m_end = 0;   // one past the last
    int m_loopsLeft = 1;
    Resampler m_resampler;
    qint64 m_time = 0; // 44.1 kHz samples since the sound's start, for the envelope
    bool m_finished = false;
    quint64 m_scriptId = 0;
    std::vector<quint64> m_groups;
};

} // namespace swf
