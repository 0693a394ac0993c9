#include "swf/audio/audioring.h"

#include <algorithm>

namespace swf {

AudioRing::AudioRing(qint64 capacityFrames)
    : m_capacity(qMax<qint64>(1, capacityFrames)), m_data(size_t(m_capacity * 2))
{
}

qint64 AudioRing::available() const
{
    std::lock_guard lock(m_mutex);
    return m_size;
}

qint64 AudioRing::space() const
{
    std::lock_guard lock(m_mutex);
    return m_capacity - m_size;
}

qint64 AudioRing::write(const qint16 *samples, qint64 frames)
{
    {
        std::lock_guard lock(m_mutex);
        frames = qBound<qint64>(0, frames, m_capacity - m_size);
        qint64 tail = (m_head + m_size) % m_capacity;
        for (qint64 done = 0; done < frames;) {
            const qint64 run = qMin(frames - done, m_capacity - tail);
            std::copy_n(samples + done * 2, run * 2, m_data.begin() + tail * 2);
            done += run;
            tail = (tail + run) % m_capacity;
        }
        m_size += frames;
    }
    if (frames > 0)
        m_ready.notify_one();
    return frames;
}

qint64 AudioRing::read(qint16 *samples, qint64 maxFrames, qint64 wanted,
                       std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    wanted = qBound<qint64>(1, wanted, m_capacity);
    m_ready.wait_for(lock, timeout, [&] { return m_size >= wanted || m_woken; });
    m_woken = false;
    const qint64 frames = qMin(maxFrames, m_size);
    for (qint64 done = 0; done < frames;) {
        const qint64 run = qMin(frames - done, m_capacity - m_head);
        std::copy_n(m_data.begin() + m_head * 2, run * 2, samples + done * 2);
        done += run;
        m_head = (m_head + run) % m_capacity;
    }
    m_size -= frames;
    return frames;
}

qint64 AudioRing::mixIntoTail(const qint16 *samples, qint64 frames)
{
    std::lock_guard lock(m_mutex);
    if (frames <= 0 || frames > m_size)
        return 0;
    qint64 at = (m_head + m_size - frames) % m_capacity;
    for (qint64 done = 0; done < frames;) {
        const qint64 run = qMin(frames - done, m_capacity - at);
        qint16 *to = m_data.data() + at * 2;
        const qint16 *from = samples + done * 2;
        for (qint64 i = 0; i < run * 2; ++i)
            to[i] = qint16(std::clamp<qint32>(qint32(to[i]) + from[i], -32768, 32767));
        done += run;
        at = (at + run) % m_capacity;
    }
    return frames;
}

qint64 AudioRing::clear()
{
    std::lock_guard lock(m_mutex);
    const qint64 dropped = m_size;
    m_head = 0;
    m_size = 0;
    return dropped;
}

void AudioRing::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_ready.notify_all();
}

} // namespace swf
