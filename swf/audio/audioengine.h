// The sound of one player: the AudioSink its timelines report to. It
// starts event sounds (StartSound, StartSound2, DefineButtonSound) and
// stream sounds (SoundStreamBlock after a SoundStreamHead, on the main
// timeline and in sprites), mixes them at 44.1 kHz stereo, and keeps an
// AudioOutput fed. Everything here runs on the thread that owns the
// player; only mixed samples cross to the output.
//
// While a stream of the main timeline plays, the output's count of frames
// heard is the movie's clock: framesDue() tells the player how far the
// timeline is behind the sound, so frames are dropped when drawing lags,
// never sound.
#pragma once

#include "swf/audio/eventvoice.h"
#include "swf/audio/soundcache.h"
#include "swf/audio/streamvoice.h"
#include "swf/model/movie.h"
#include "swf/runtime/audiosink.h"

#include <QElapsedTimer>

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

    void soundEvent(const SoundEvent &event) override;
    void timelineJumped(int frame) override;
    void playingChanged(bool playing) override;
    void buttonTransition(quint16 buttonId, ButtonSoundTransition transition) override;
    std::optional<int> framesDue() const override;
    void stopAllSounds() override { stopAll(); }

    // Mixes the next `frames` frames, interleaved stereo, into `out`.
    void render(qint16 *out, int frames);
    // Mixes ahead into the output, up to a short lead; call every few
    // milliseconds while isActive().
    void pump();
    // Silences every sound at once, with what the output still holds.
    void stopAll();
    // Forgets what the output holds but has not played, so that a stream
    // restarted by a seek is heard at once.
    void discardQueued();
    // Something plays, or the output still holds sound.
    bool isActive() const;

private:
    struct PendingSound {
        const StartSound *tag;
        int frame;
    };
    struct Stream {
        std::unique_ptr<StreamVoice> voice;
        const Timeline *timeline = nullptr;
        int capture = -1;
    };

    void startSoundTag(const StartSound &tag);
    void startEventSound(quint16 soundId, const SoundInfo &info);
    void mixIntoQueued(EventVoice &voice);
    void streamBlockReached(const SoundEvent &event);
    void continueOrRestart(Stream &stream, const Timeline &timeline, int frame,
                           std::optional<int> readAhead);
    Stream startStream(const Timeline &timeline, int frame, std::optional<int> readAhead);
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
    qint64 m_lastPlayed = -1;
    QElapsedTimer m_playedWatch;  // since the output's count last moved
    bool m_outputStarted = false; // it played a little since the stream began
    qint64 m_playedAtStart = 0;
    std::vector<qint32> m_mix;
    std::vector<qint32> m_early; // an event sound's start, laid over queued sound
    std::vector<qint16> m_chunk;
};

} // namespace swf
