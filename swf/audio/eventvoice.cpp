#include "swf/audio/eventvoice.h"

#include "swf/audio/audiooutput.h"

namespace swf {

namespace {

constexpr int kUnity = 32768;

// A position in 44.1 kHz samples as a frame of a sound at `rate`.
qint64 sourceFrame(quint32 position44, double rate)
{
    return qint64(double(position44) * rate / AudioOutput::kRate);
}

} // namespace

EventVoice::EventVoice(quint16 soundId, std::shared_ptr<const DecodedSound> sound,
                       const SoundInfo &info)
    : m_soundId(soundId), m_sound(std::move(sound)), m_envelope(info.envelope),
      m_resampler(m_sound->rate)
{
    const qint64 frames = m_sound->frames();
    m_end = frames;
    if (info.inPoint) {
        m_first = qMin(frames, sourceFrame(*info.inPoint, m_sound->rate));
        m_time = *info.inPoint;
    }
    // The out point names the last sample played; one before the in point
    // would play nothing, so it is taken as damage and ignored.
    if (info.outPoint) {
        const qint64 last = sourceFrame(*info.outPoint, m_sound->rate);
        if (last >= m_first)
            m_end = qMin(m_end, last + 1);
    }
    m_loopsLeft = qMax(1, int(info.loops));
    m_resampler.restartAt(m_first);
    m_finished = m_first >= m_end;
}

double EventVoice::positionMs() const
{
    return m_sound->rate > 0 ? double(m_resampler.frame()) * 1000.0 / m_sound->rate : 0.0;
}

std::pair<int, int> EventVoice::levels(qint64 time)
{
    if (m_envelope.empty())
        return {kUnity, kUnity};
    while (m_envelopeAt + 1 < m_envelope.size() &&
           qint64(m_envelope[m_envelopeAt + 1].position44) <= time)
        ++m_envelopeAt;
    const SoundEnvelopePoint &a = m_envelope[m_envelopeAt];
    if (m_envelopeAt + 1 == m_envelope.size() || time <= qint64(a.position44))
        return {qMin<int>(a.left, kUnity), qMin<int>(a.right, kUnity)};
    // Between two points the levels move in a straight line.
    const SoundEnvelopePoint &b = m_envelope[m_envelopeAt + 1];
    const qint64 span = qint64(b.position44) - a.position44;
    const qint64 into = time - a.position44;
    auto between = [&](int from, int to) {
        return qMin(kUnity, int(from + (qint64(to) - from) * into / span));
    };
    return {between(a.left, b.left), between(a.right, b.right)};
}

void EventVoice::render(qint32 *mix, int frames)
{
    const int channels = m_sound->channels;
    const qint16 *samples = m_sound->samples.data();
    for (int i = 0; i < frames && !m_finished; ++i) {
        qint64 at = m_resampler.frame();
        // A loop shorter than one output step may be passed more than once.
        while (at >= m_end && !m_finished) {
            m_finished = --m_loopsLeft <= 0;
            m_resampler.rebase(m_end - m_first);
            at = m_resampler.frame();
        }
        if (m_finished)
            break;
        // The last sample of a loop leads into the first of the next.
        const qint64 next = at + 1 < m_end ? at + 1 : (m_loopsLeft > 1 ? m_first : at);
        const qint16 *a = samples + at * channels;
        const qint16 *b = samples + next * channels;
        const int left = m_resampler.interpolate(a[0], b[0]);
        const int right = channels == 2 ? m_resampler.interpolate(a[1], b[1]) : left;
        const auto [leftLevel, rightLevel] = levels(m_time);
        mix[2 * i] += qint32((qint64(left) * leftLevel) >> 15);
        mix[2 * i + 1] += qint32((qint64(right) * rightLevel) >> 15);
        m_resampler.advance();
        ++m_time;
    }
}

} // namespace swf
