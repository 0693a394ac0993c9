#include "swf/audio/streamvoice.h"

#include "swf/audio/audiooutput.h"
#include "swf/model/sound.h"

#include <algorithm>

namespace swf {

namespace {

// Marks older than this before the render position can no longer be what
// the output plays.
constexpr qint64 kMarkHistory = AudioOutput::kRate * 5;
// Consumed samples are dropped from the queue in runs of at least this.
constexpr qint64 kDropRun = 4096;

} // namespace

StreamVoice::StreamVoice(const Timeline &timeline, int startFrame, const SoundFormat &format,
                         qint64 startPosition, std::optional<int> readAhead)
    : m_timeline(timeline), m_decoder(format), m_readAhead(readAhead), m_nextFrame(startFrame),
      m_nominalEnd(double(startPosition)), m_decodedEnd(double(startPosition)),
      m_renderPosition(startPosition), m_confirmedFrame(startFrame)
{
    if (!m_decoder.isValid() || !readNextFrame())
        m_finished = true;
}

int StreamVoice::successor(int frame) const
{
    if (frame + 1 < m_timeline.frameCount())
        return frame + 1;
    // Timelines loop, except those of one frame, which stand still.
    return m_timeline.frameCount() > 1 ? 0 : -1;
}

bool StreamVoice::readNextFrame()
{
    if (m_exhausted)
        return false;
    if (m_readAhead && m_readSequence > m_confirmedSequence + *m_readAhead)
        return false;
    if (m_nextFrame < 0 || m_nextFrame >= m_timeline.frameCount()) {
        m_exhausted = true;
        return false;
    }
    qint64 nominal = 0;
    bool found = false;
    for (const auto &tag : m_timeline.frames[size_t(m_nextFrame)].tags) {
        // A new head in another format ends this stream; the next starts
        // when the timeline gets there.
        if (const auto *head = dynamic_cast<const SoundStreamHead *>(tag.get())) {
            if (m_readSequence > 0 && head->stream != m_decoder.format())
                break;
        } else if (const auto *block = dynamic_cast<const SoundStreamBlock *>(tag.get())) {
            const qint64 before = qint64(m_queue.size());
            nominal += m_decoder.decode(block->data, m_queue);
            found = true;
            if (before == 0 && !m_queue.empty())
                m_channels = m_decoder.channels();
            m_decodedEnd += double(qint64(m_queue.size()) - before) / m_channels *
                            AudioOutput::kRate / m_decoder.rate();
        }
    }
    if (!found) {
        m_exhausted = true;
        return false;
    }
    m_marks.push_back(Mark{qint64(m_nominalEnd), m_readSequence});
    m_nominalEnd += double(nominal) * AudioOutput::kRate / m_decoder.rate();
    ++m_readSequence;
    m_nextFrame = successor(m_nextFrame);
    return true;
}

bool StreamVoice::continuesAt(int frame) const
{
    if (frame == m_confirmedFrame)
        return true; // a second block in the same frame
    return frame == successor(m_confirmedFrame) &&
           !(m_exhausted && m_confirmedSequence + 1 >= m_readSequence);
}

bool StreamVoice::confirm(int frame)
{
    if (!continuesAt(frame))
        return false;
    if (frame == m_confirmedFrame)
        return true;
    ++m_confirmedSequence;
    m_confirmedFrame = frame;
    return true;
}

int StreamVoice::heardSequence(qint64 played) const
{
    int heard = -1;
    for (const Mark &mark : m_marks) {
        if (mark.position > played)
            break;
        heard = mark.sequence;
    }
    return heard;
}

std::optional<int> StreamVoice::framesBehind(qint64 played) const
{
    if ((m_exhausted || m_finished) && double(played) >= m_decodedEnd)
        return std::nullopt;
    return qMax(0, heardSequence(played) - m_confirmedSequence);
}

int StreamVoice::framesAhead(qint64 played) const
{
    const int heard = heardSequence(played);
    return heard < 0 ? 0 : qMax(0, m_confirmedSequence - heard);
}

std::optional<qint64> StreamVoice::framesUntilNext(qint64 played) const
{
    for (const Mark &mark : m_marks) {
        if (mark.sequence == m_confirmedSequence + 1)
            return qMax<qint64>(0, mark.position - played);
    }
    return std::nullopt;
}

void StreamVoice::render(qint32 *mix, int frames)
{
    int i = 0;
    for (; i < frames && !m_finished; ++i) {
        const qint64 at = m_resampler ? m_resampler->frame() : 0;
        while (queuedFrames() < at + 2 && readNextFrame()) {
        }
        if (at >= queuedFrames()) {
            // Out of sound: the stream ended, or (for a sprite) the
            // timeline stopped confirming it.
            m_finished = true;
            break;
        }
        if (!m_resampler)
            m_resampler.emplace(m_decoder.rate());
        const qint64 next = at + 1 < queuedFrames() ? at + 1 : at;
        const qint16 *a = m_queue.data() + at * m_channels;
        const qint16 *b = m_queue.data() + next * m_channels;
        const int left = m_resampler->interpolate(a[0], b[0]);
        const int right = m_channels == 2 ? m_resampler->interpolate(a[1], b[1]) : left;
        mix[2 * i] += left;
        mix[2 * i + 1] += right;
        m_resampler->advance();
    }
    m_renderPosition += i;
    dropConsumed();
    while (m_marks.size() > 1 && m_marks[1].position < m_renderPosition - kMarkHistory)
        m_marks.pop_front();
}

void StreamVoice::skip(qint64 frames)
{
    constexpr int kRun = 2048;
    std::vector<qint32> scratch(size_t(kRun) * 2);
    while (frames > 0 && !m_finished) {
        const int run = int(qMin<qint64>(frames, kRun));
        std::fill(scratch.begin(), scratch.end(), 0);
        render(scratch.data(), run);
        frames -= run;
    }
}

void StreamVoice::dropConsumed()
{
    if (!m_resampler)
        return;
    const qint64 consumed = qMin(m_resampler->frame(), queuedFrames());
    if (consumed < kDropRun)
        return;
    m_queue.erase(m_queue.begin(), m_queue.begin() + consumed * m_channels);
    m_resampler->rebase(consumed);
}

} // namespace swf
