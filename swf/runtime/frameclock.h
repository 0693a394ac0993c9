// Turns elapsed time into frame steps at a movie's frame rate. Whoever owns
// real time (the movie widget, a test) feeds it the time that passed; while
// a streaming sound plays, the sound's clock is followed instead.
#pragma once

#include <QtGlobal>

namespace swf {

class FrameClock {
public:
    explicit FrameClock(double framesPerSecond = 12.0);

    // The rate actually used: zero becomes a slow default and absurd rates
    // are capped, so the clock never spins.
    double framesPerSecond() const { return m_fps; }
    double intervalMs() const { return 1000.0 / m_fps; }

    // Adds elapsed time; returns the frames now due. When more than the
    // catch-up limit is due the excess is dropped, so a stalled player
    // skips ahead instead of racing.
    int advance(qint64 elapsedMs);
    // Another clock (a streaming sound) says `due` frames are due: returns
    // them, within the catch-up limit, and starts time afresh so the frame
    // rate takes over smoothly when that clock falls silent.
    int follow(int due);
    // Whole milliseconds until the next frame is due (at least 1).
    qint64 msUntilNextFrame() const;
    void reset() { m_pendingMs = 0.0; }

    static double effectiveRate(double declared);

private:
    double m_fps;
    double m_pendingMs = 0.0;
};

} // namespace swf
