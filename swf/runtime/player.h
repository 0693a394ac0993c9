// Plays one movie: owns every piece of mutable state (display-list tree,
// frame position, playing flag, clock) over a shared, immutable Movie.
//
// Frames are counted from 0. A new player shows frame 0 and is stopped.
// The main timeline loops after its last real frame; nested sprites run
// their own timelines. Nothing here knows about windows or real time: the
// owner feeds elapsed time to advance(), or calls step() itself.
#pragma once

#include "swf/model/movie.h"
#include "swf/runtime/audiosink.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/pointerinput.h"
#include "swf/runtime/runtimecontext.h"
#include "swf/runtime/timelineinstance.h"

#include <memory>

namespace swf {

class Player {
public:
    // `audio` (not owned) hears the sounds of the first frame too; null
    // for none.
    explicit Player(std::shared_ptr<const Movie> movie, AudioSink *audio = nullptr);
    ~Player();
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    const Movie &movie() const { return *m_movie; }
    const std::shared_ptr<const Movie> &sharedMovie() const { return m_movie; }

    // The header's frame count, which may differ from the frames present.
    int frameCount() const { return m_movie->frameCount(); }
    // The last frame present in the file (0 for a movie without frames).
    int lastFrame() const { return qMax(0, m_root.frameCount() - 1); }
    int frame() const { return qMax(0, m_root.frame()); }

    bool isPlaying() const { return m_playing; }
    void play();
    void stop();
    // Same as seek(0).
    void rewind() { seek(0); }
    // Exact in both directions; clamps to 0 … lastFrame(). The playing
    // state is kept.
    void seek(int frame);
    // One frame of time for the whole movie, whether playing or not.
    void step();
    // Elapsed real time while playing: steps the frames that fell due and
    // returns how many. Stopped players ignore time.
    int advance(qint64 elapsedMs);
    qint64 msUntilNextFrame() const { return m_clock.msUntilNextFrame(); }
    double frameRate() const { return m_clock.framesPerSecond(); }

    const DisplayList &displayList() const { return m_root.displayList(); }
    const TimelineInstance &root() const { return m_root; }
    // True when something drawn changed since the last call.
    bool takeChanged();
    // Display objects alive, all levels together.
    int objectCount() const { return m_context.liveObjects; }

    // Not owned; null restores the null implementation.
    void setAudioSink(AudioSink *sink);
    void setPointerHandler(PointerHandler *handler);
    void pointerEvent(const PointerEvent &event);

private:
    std::shared_ptr<const Movie> m_movie;
    NullAudioSink m_nullAudio;
    NullPointerHandler m_nullPointer;
    PointerHandler *m_pointer = &m_nullPointer;
    RuntimeContext m_context;
    FrameClock m_clock;
    // Last, so that its objects go before the context that counts them.
    TimelineInstance m_root;
    bool m_playing = false;
};

} // namespace swf
