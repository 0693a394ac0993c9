// The seam between the engine's mixer and the system's sound output. The
// engine hands over 44.1 kHz stereo signed 16-bit frames from the UI
// thread; an output plays them on its own time and reports how many have
// been heard, which is the clock a streaming sound sets the pace by.
#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace swf {

class AudioOutput {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    virtual ~AudioOutput() = default;

    // Takes up to `frames` frames (interleaved left, right) without
    // blocking; returns how many it took. The buffer is bounded.
    virtual qint64 write(const qint16 *samples, qint64 frames) = 0;
    // Frames write() would take now.
    virtual qint64 writable() const = 0;
    // Frames are counted in the order they are heard: playedFrames() is
    // how many have been heard (or dropped with the device's buffer); it
    // never runs ahead of what was written and never goes back.
    virtual qint64 playedFrames() const = 0;
    // Forgets what was written but not yet taken by the device, and
    // returns where the next frame written is counted: the frames kept,
    // those the device holds still to be heard included.
    virtual qint64 discard() = 0;

    // Sound written but not yet taken by the device is still open to
    // change: an event sound started while the mixer runs ahead is laid
    // over it, so that it is heard about as soon as it starts. An output
    // that cannot do this (the default) keeps none open.
    //
    // Frames written that the device has not taken yet.
    virtual qint64 queuedFrames() const { return 0; }
    // Adds `frames` frames onto the last `frames` frames queued, clipping
    // at the 16-bit range; all or none: returns `frames`, or 0 when fewer
    // are still queued (the device took some meanwhile).
    virtual qint64 mixIntoQueued(const qint16 *samples, qint64 frames)
    {
        Q_UNUSED(samples);
        Q_UNUSED(frames);
        return 0;
    }
};

// No device: frames are "heard" at the pace of the monotonic clock, so a
// movie with a streaming sound still plays in time, silently.
class NullAudioOutput final : public AudioOutput {
public:
    explicit NullAudioOutput(qint64 capacityFrames = kRate / 2) : m_capacity(capacityFrames) {}

    qint64 write(const qint16 *samples, qint64 frames) override;
    qint64 writable() const override;
    qint64 playedFrames() const override;
    qint64 discard() override;

private:
    void catchUp() const;

    qint64 m_capacity;
    qint64 m_written = 0;
    mutable qint64 m_played = 0;
    mutable QElapsedTimer m_clock;
    mutable qint64 m_clockNs = 0; // nanoseconds of m_clock already turned into frames
};

} // namespace swf
