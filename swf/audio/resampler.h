// Linear-interpolation resampling to the output rate, with the position in
// 32.32 fixed point so that long sounds do not drift. At the output rate
// itself samples pass through unchanged.
#pragma once

#include <QtGlobal>

namespace swf {

class Resampler {
public:
    explicit Resampler(double sourceRate = 44100.0);

    // Source frame the next output frame starts from.
    qint64 frame() const { return qint64(m_position >> 32); }
    // The sample between source samples `a` and `b` at the current position.
    int interpolate(int a, int b) const
    {
        const auto fraction = qint64(m_position & 0xffffffffu);
        return a + int(((qint64(b) - a) * fraction) >> 32);
    }
    void advance() { m_position += m_step; }
    // Moves the position by whole source frames (looping, dropping what
    // was consumed).
    void rebase(qint64 frames) { m_position -= quint64(frames) << 32; }
    void restartAt(qint64 frame) { m_position = quint64(frame) << 32; }

private:
    quint64 m_position = 0;
    quint64 m_step;
};

} // namespace swf
