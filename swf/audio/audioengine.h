// The sound of one player: the AudioSink its timelines report to. It
// starts event sounds (StartSound, StartSound2, DefineButtonSound) and
// stream sounds (SoundStreamBlock after a SoundStreamHead, on the main
// timeline and in sprites), mixes them at 44.1 kHz stereo, and keeps an
// AudioOutput fed. Everything here runs on the thread that owns the
// player; only mixed samples cross to the output.
//
// While a stream of the main timeline plays and the output plays it, the
// output's count of frames heard is the movie's clock: framesDue() tells
// the player how far the timeline is behind the sound, so frames are
// dropped when drawing lags, never sound. A stream that starts again (play,
// a seek) begins as far into its frame as the sound the device still holds
// lasts, so its next frame is due one frame period later, as without sound.
// While the output plays nothing (a device starting, a sound server waking
// its sink, a stall) the frame rate sets the pace; when sound comes, a
// stream the timeline has run ahead of is cut over to the frame shown.
#pragma once

#include "swf/audio/eventvoice.h"
#include "swf/audio/soundcache.h"
#include "swf/audio/streamvoice.h"
#include "swf/model/movie.h"
#include "swf/runtime/audiosink.h"

#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace swf {

class AudioOutput;
class DisplayList;
class Player;
class SoundCapture;

class AudioEngine final : public AudioSink {
public:
    // Without an output the engine only mixes when render() is called
    // (the command-line tool), and the frame rate keeps the pace.
    explicit AudioEngine(std::shared_ptr<const Movie> movie, AudioOutput *output = nullptr);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine &) = delete;
    AudioEngine &operator=(const AudioEngine &) = delete;

    // The player reporting here: its frame is where a stream restarts when
    // play resumes. Not owned.
    void attach(const Player *player) { m_player = player; }
    // Records every sound started. Not owned; null stops recording.
    void setCapture(SoundCapture *capture) { m_capture = capture; }
    // Where the engine reads the time, in milliseconds of a steady clock;
    // tests set their own.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

    void soundEvent(const SoundEvent &event) override;
    void timelineJumped(int frame) override;
    void playingChanged(bool playing) override;
    void buttonTransition(quint16 buttonId, ButtonSoundTransition transition) override;
    std::optional<int> framesDue() const override;
    void stopAllSounds() override { stopAll(); }
    quint64 startScriptSound(const ScriptSoundStart &start) override;
    void stopScriptSounds(quint64 group, std::optional<quint16> characterId) override;
    void setSoundTransform(quint64 group, const SoundTransform &transform) override;
    std::optional<double> scriptSoundPosition(quint64 id) const override;
    std::vector<quint64> takeEndedScriptSounds() override;
    // Milliseconds until the stream that sets the pace has the next frame
    // due; none while no stream does.
    std::optional<qint64> msUntilFrameDue() const;

    // Mixes the next `frames` frames, interleaved stereo, into `out`.
    void render(qint16 *out, int frames);
    // Mixes ahead into the output, up to a short lead; call every few
    // milliseconds while isActive(). After the last sound it goes on
    // writing silence for a while, so the output stays ready.
    void pump();
    // Silences every sound, with what was queued for the output.
    void stopAll();
    // Something plays, the output still holds sound, or silence is kept
    // flowing.
    bool isActive() const;

private:
    struct PendingSound {
        const StartSound *tag;
        int frame;
        std::vector<quint64> groups;
    };
    struct Stream {
        std::unique_ptr<StreamVoice> voice;
        const Timeline *timeline = nullptr;
        int capture = -1;
        std::vector<quint64> groups;
    };
    // What a group's transforms make of a sound: each speaker's share of
    // each channel.
    struct Gains {
        double ll = 1, lr = 0, rl = 0, rr = 1;
        bool unity() const { return ll == 1 && lr == 0 && rl == 0 && rr == 1; }
    };

    void startSoundTag(const StartSound &tag, std::vector<quint64> groups);
    // The voice started, if any.
    EventVoice *startEventSound(quint16 soundId, const SoundInfo &info,
                                std::vector<quint64> groups = {});
    EventVoice *startVoice(quint16 soundId, std::shared_ptr<const DecodedSound> decoded,
                           const SoundInfo &info, std::vector<quint64> groups);
    std::shared_ptr<const DecodedSound> decodeLoaded(const std::shared_ptr<const QByteArray> &mp3);
    // The groups of the sounds of a clip's timeline: the clip and every
    // clip around it (the main timeline's are the root's).
    std::vector<quint64> groupsOf(const DisplayObject *owner) const;
    Gains gainsFor(const std::vector<quint64> &groups) const;
    // Adds what `render(buffer, frames)` writes to `mix`, under the
    // transforms of `groups`.
    template <typename Render>
    void mixUnder(const std::vector<quint64> &groups, qint32 *mix, int frames, Render render);
    void mixIntoQueued(EventVoice &voice);
    void streamBlockReached(const SoundEvent &event);
    void continueOrRestart(Stream &stream, const Timeline &timeline, int frame,
                           std::optional<int> readAhead);
    // A stream from `frame`, written from the mix position on; with
    // `heardFrom` before it, as if begun there (the frames between are
    // passed over).
    Stream startStream(const Timeline &timeline, int frame, std::optional<int> readAhead,
                       std::optional<qint64> heardFrom = std::nullopt);
    // Starts the main timeline's stream at `frame`, with nothing queued
    // before it.
    void restartMainStream(int frame);
    void discardQueued();
    bool sounding() const;
    // The output's count of frames heard, noting when it last moved.
    qint64 heard() const;
    bool outputPlays() const;
    qint64 now() const;
    bool keepingAlive() const;
    void captureFrame(const Stream &stream, int frame);
    void startPending();
    void startSpriteStreams(const DisplayList &list);
    void dropFinished();
    // The main stream plays, or is still heard.
    bool mainStreamSounds() const;
    int currentFrame() const;

    std::shared_ptr<const Movie> m_movie;
    AudioOutput *m_output;
    const Player *m_player = nullptr;
    SoundCapture *m_capture = nullptr;
    bool m_playing = false;
    std::vector<PendingSound> m_pending; // reached while stopped, started by play
    std::vector<EventVoice> m_voices;
    Stream m_mainStream;
    std::unordered_map<quint64, Stream> m_spriteStreams; // by sprite instance serial
    int m_spriteReadAhead;
    SoundCache m_cache;
    qint64 m_mixPosition = 0;
    Clock m_clock;
    QElapsedTimer m_steady;
    mutable qint64 m_lastPlayed = 0;
    mutable qint64 m_playedMovedAt = -1; // when the output's count last moved; -1 not yet
    qint64 m_soundAt = -1;               // when something last sounded; -1 never
    std::vector<qint32> m_mix;
    std::vector<qint32> m_early; // an event sound's start, laid over queued sound
    std::vector<qint16> m_chunk;
    std::vector<qint32> m_scaled;                             // one voice, before its transform
    std::unordered_map<quint64, SoundTransform> m_transforms; // by group; defaults left out
    std::vector<quint64> m_ended;                             // script sounds played out
    quint64 m_nextScriptId = 1;
    struct LoadedSound {
        std::weak_ptr<const QByteArray> file;
        std::shared_ptr<const DecodedSound> sound;
    };
    std::vector<LoadedSound> m_loaded; // MP3 files scripts loaded, decoded once each
};

} // namespace swf
