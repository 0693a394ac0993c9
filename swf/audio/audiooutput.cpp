#include "swf/audio/audiooutput.h"

namespace swf {

qint64 NullAudioOutput::write(const qint16 *, qint64 frames)
{
    const qint64 taken = qBound<qint64>(0, frames, writable());
    if (taken > 0 && m_written == playedFrames()) {
        // Starting from empty: time spent idle is not owed to these frames.
        m_clock.start();
        m_clockNs = 0;
    }
    m_written += taken;
    return taken;
}

qint64 NullAudioOutput::writable() const
{
    return qMax<qint64>(0, m_capacity - (m_written - playedFrames()));
}

qint64 NullAudioOutput::playedFrames() const
{
    catchUp();
    return m_played;
}

qint64 NullAudioOutput::discard()
{
    catchUp();
    m_written = m_played;
    return m_written;
}

void NullAudioOutput::catchUp() const
{
    if (!m_clock.isValid() || m_played >= m_written)
        return;
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 frames = (now - m_clockNs) * kRate / 1000000000;
    if (frames <= 0)
        return;
    m_clockNs += frames * 1000000000 / kRate;
    m_played = qMin(m_written, m_played + frames);
}

} // namespace swf
