// Plays one movie: owns every piece of mutable state (the levels and their
// display lists, frame positions, the clock) over a shared, immutable
// Movie, and drives the script host through the phases of each frame.
//
// Frames are counted from 0. A new player shows frame 0 with its first
// frame's scripts run, and its time stands still until start() or play(). Time runs
// for every clip; the main timeline moves only while it plays (a script
// may stop it while the clips on it play on). Nothing here knows about
// windows or real time: the owner feeds elapsed time to advance(), or
// calls step() itself.
#pragma once

#include "swf/model/movie.h"
#include "swf/runtime/audiosink.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/objectgeometry.h"
#include "swf/runtime/pointerdispatcher.h"
#include "swf/runtime/pointerinput.h"
#include "swf/runtime/runtimecontext.h"
#include "swf/runtime/scripthost.h"
#include "swf/runtime/spriteinstance.h"

#include <map>
#include <memory>

namespace swf {

class Player {
public:
    // `audio` (not owned) hears the sounds of the first frame too; null
    // for none. `scripts` runs the movie's scripts; null runs none.
    explicit Player(std::shared_ptr<const Movie> movie, AudioSink *audio = nullptr,
                    std::unique_ptr<ScriptHost> scripts = nullptr);
    ~Player();
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;

    const Movie &movie() const { return *m_movie; }
    const std::shared_ptr<const Movie> &sharedMovie() const { return m_movie; }

    // The header's frame count, which may differ from the frames present.
    int frameCount() const { return m_movie->frameCount(); }
    // The last frame present in the file (0 for a movie without frames).
    int lastFrame() const { return qMax(0, rootTimeline().frameCount() - 1); }
    int frame() const { return qMax(0, rootTimeline().frame()); }

    // Whether the movie runs and its main timeline plays, as the movie
    // control reports it.
    bool isPlaying() const { return m_running && rootTimeline().isPlaying(); }
    // Whether the movie's time runs (play() until stop()).
    bool isRunning() const { return m_running; }
    // Lets time run and the main timeline play.
    void play();
    // Lets time run; the main timeline plays or not as its scripts left
    // it (a movie that stops in its first frame stays there).
    void start();
    // Halts the movie where it is: no frame advances until play().
    void stop();
    // Same as seek(0).
    void rewind() { seek(0); }
    // Exact in both directions; clamps to 0 … lastFrame(). The target
    // frame's scripts run. The playing state is kept.
    void seek(int frame);
    // One frame of time for the whole movie, whether running or not.
    void step();
    // Elapsed real time while running: steps the frames that fell due and
    // returns how many. A halted player ignores time.
    int advance(qint64 elapsedMs);
    qint64 msUntilNextFrame() const { return m_clock.msUntilNextFrame(); }
    double frameRate() const { return m_clock.framesPerSecond(); }
    // The movie's own time: what advance() was given, and one frame
    // interval for each step() made directly.
    qint64 timeMs() const { return qint64(m_timeMs); }

    // Level 0: the main timeline as a clip.
    SpriteInstance &root() { return *m_root; }
    const SpriteInstance &root() const { return *m_root; }
    TimelineInstance &rootTimeline() { return *m_root->timeline(); }
    const TimelineInstance &rootTimeline() const { return *m_root->timeline(); }
    const DisplayList &displayList() const { return *m_root->children(); }
    // Levels above 0 hold the movies scripts load into them; they are
    // drawn over level 0, lowest first. Null for an empty level.
    SpriteInstance *level(int number) const;
    const std::map<int, std::unique_ptr<SpriteInstance>> &levels() const { return m_levels; }
    // The number of the level whose main timeline `object` is; -1 for
    // any other object.
    int levelNumberOf(const DisplayObject &object) const;
    // Shows `movie` in level `number`, in place of what it held; null
    // empties the level (level 0 keeps an empty clip). Returns the level's
    // new main timeline.
    SpriteInstance *loadLevel(int number, std::shared_ptr<const Movie> movie);
    // Puts the main timeline of `movie` (an empty clip for null) in the
    // place of `clip`, a clip below a level: same depth, name, placement
    // and clip events, and the display state scripts set. Returns the new
    // clip, or null if none could be made.
    DisplayObject *loadIntoClip(DisplayObject &clip, std::shared_ptr<const Movie> movie);
    // A live object by handle, or null once it is gone.
    DisplayObject *find(ObjectHandle handle) const { return m_context.find(handle); }
    // True when something drawn changed since the last call.
    bool takeChanged();
    // Display objects alive below the levels.
    int objectCount() const { return int(m_context.objects.size()) - 1; }

    // Not owned; null restores the null implementation.
    void setAudioSink(AudioSink *sink);
    ScriptHost &scripts() { return *m_scripts; }
    RuntimeContext &context() { return m_context; }
    ObjectGeometry &geometry() { return m_geometry; }

    // Input from the owner. Buttons and clips under the pointer change
    // state and the scripts hear of it.
    void pointerEvent(const PointerEvent &event);
    void keyEvent(const KeyEvent &event);
    // Where the pointer was last seen, in stage twips.
    QPointF pointerPosition() const { return m_pointerPosition; }
    // Whether the pointer was last over a button or a clip that takes it.
    bool overInteractive() const { return m_pointer.overInteractive(); }

    // The object the keyboard focus shows with a rectangle around it, or
    // null for none.
    void setFocusHighlight(ObjectHandle handle)
    {
        m_focusHighlight = handle;
        m_context.changed = true;
    }
    DisplayObject *focusHighlight() const
    {
        return m_focusHighlight == ObjectHandle{} ? nullptr : find(m_focusHighlight);
    }

private:
    void stepFrame();

    std::shared_ptr<const Movie> m_movie;
    NullAudioSink m_nullAudio;
    std::unique_ptr<ScriptHost> m_scripts;
    RuntimeContext m_context;
    FrameClock m_clock;
    ObjectGeometry m_geometry;
    PointerDispatcher m_pointer{m_geometry};
    double m_timeMs = 0.0;
    QPointF m_pointerPosition;
    ObjectHandle m_focusHighlight;
    bool m_running = false;
    // Last, so that their objects go before the context that counts them.
    std::unique_ptr<SpriteInstance> m_root;
    std::map<int, std::unique_ptr<SpriteInstance>> m_levels;
};

} // namespace swf
