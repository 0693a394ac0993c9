// The bounded buffer between the thread that mixes (the UI thread) and the
// thread that feeds a sound device: stereo 16-bit frames, one writer, one
// reader. Writing never blocks; reading may wait a bounded time.
#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace swf {

class AudioRing {
public:
    explicit AudioRing(qint64 capacityFrames);
    AudioRing(const AudioRing &) = delete;
    AudioRing &operator=(const AudioRing &) = delete;

    qint64 capacity() const { return m_capacity; }
    qint64 available() const;
    qint64 space() const;

    // Copies in up to `frames` frames; returns how many fit.
    qint64 write(const qint16 *samples, qint64 frames);
    // Waits until `wanted` frames are there (or `timeout` passes, or
    // wake() is called), then takes up to `maxFrames`; returns how many.
    qint64 read(qint16 *samples, qint64 maxFrames, qint64 wanted,
                std::chrono::milliseconds timeout);
    // Adds `frames` frames onto the last `frames` frames held, clipping at
    // the 16-bit range; all or none: returns `frames`, or 0 when fewer are
    // held.
    qint64 mixIntoTail(const qint16 *samples, qint64 frames);
    // Empties the buffer; returns the frames dropped.
    qint64 clear();
    // Ends a wait in read() early.
    void wake();

private:
    qint64 m_capacity;
    std::vector<qint16> m_data;
    qint64 m_head = 0; // next frame to read
    qint64 m_size = 0;
    bool m_woken = false;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
};

} // namespace swf
