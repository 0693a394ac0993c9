#include "swf/runtime/frameclock.h"

#include "swf/limits.h"

#include <cmath>

namespace swf {

FrameClock::FrameClock(double framesPerSecond) : m_fps(effectiveRate(framesPerSecond))
{
}

double FrameClock::effectiveRate(double declared)
{
    if (!(declared > 0.0))
        return limits::kZeroFrameRate;
    return qMin(declared, limits::kMaxFrameRate);
}

int FrameClock::advance(qint64 elapsedMs)
{
    if (elapsedMs > 0)
        m_pendingMs += double(elapsedMs);
    const double interval = intervalMs();
    const double due = std::floor(m_pendingMs / interval);
    const double maxFrames = qMax(1.0, std::floor(limits::kMaxCatchUpMs / interval));
    if (due > maxFrames) {
        m_pendingMs = 0.0;
        return int(maxFrames);
    }
    m_pendingMs -= due * interval;
    return int(due);
}

int FrameClock::follow(int due)
{
    m_pendingMs = 0.0;
    const double maxFrames = qMax(1.0, std::floor(limits::kMaxCatchUpMs / intervalMs()));
    return int(qBound(0.0, double(due), maxFrames));
}

qint64 FrameClock::msUntilNextFrame() const
{
    return qMax<qint64>(1, qint64(std::ceil(intervalMs() - m_pendingMs)));
}

} // namespace swf
