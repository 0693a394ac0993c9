// One stream sound playing. It reads the SoundStreamBlocks of its timeline
// ahead of the playhead (a streaming sound never waits for the picture),
// decodes them, and remembers where in the output each frame's sound
// begins, so that the timeline can follow what is heard.
//
// Frames are counted twice: `frame` is the timeline's frame number, and a
// sequence number counts the frames of this stream from 0, across loops.
#pragma once

#include "swf/audio/resampler.h"
#include "swf/audio/streamdecoder.h"
#include "swf/model/timeline.h"

#include <deque>
#include <optional>

namespace swf {

class StreamVoice {
public:
    // Starts at `startFrame`, whose block must have `format`, at output
    // frame `startPosition`. `readAhead` bounds how many frames the voice
    // reads past the last frame the timeline confirmed (sprites, whose
    // removal the engine only notices by their silence); none for the main
    // timeline.
    StreamVoice(const Timeline &timeline, int startFrame, const SoundFormat &format,
                qint64 startPosition, std::optional<int> readAhead);

    int confirmedFrame() const { return m_confirmedFrame; }
    // Frames confirmed since the stream started.
    int confirmedSequence() const { return m_confirmedSequence; }
    bool finished() const { return m_finished; }

    // The timeline reached `frame`. True when that continues this stream;
    // false when the timeline jumped, or reached a frame the stream does
    // not hold, and a new stream must start there.
    bool confirm(int frame);
    // Whether confirm(frame) would be true.
    bool continuesAt(int frame) const;
    // Frames the timeline is behind the sound heard at output frame
    // `played`; none once everything the stream holds has been heard.
    std::optional<int> framesBehind(qint64 played) const;
    // Frames the timeline is ahead of the sound heard at `played` (it
    // went on at the frame rate while the output was silent); 0 when it
    // is not, or before the stream is heard at all.
    int framesAhead(qint64 played) const;
    // Output frames from `played` until the timeline's next frame is
    // heard; none while that frame is not read yet.
    std::optional<qint64> framesUntilNext(qint64 played) const;
    // Adds the next `frames` output frames to `mix` (stereo, interleaved).
    void render(qint32 *mix, int frames);
    // Passes over the next `frames` output frames unheard.
    void skip(qint64 frames);

private:
    struct Mark {
        qint64 position; // output frame where the frame's sound begins
        int sequence;
    };

    bool readNextFrame();
    int heardSequence(qint64 played) const;
    int successor(int frame) const;
    qint64 queuedFrames() const { return qint64(m_queue.size()) / m_channels; }
    void dropConsumed();

    const Timeline &m_timeline;
    StreamDecoder m_decoder;
    std::optional<Resampler> m_resampler;
    std::vector<qint16> m_queue; // decoded, not yet played
    int m_channels = 1;
    std::optional<int> m_readAhead;
    int m_nextFrame;
    int m_readSequence = 0;
    bool m_exhausted = false;
    bool m_finished = false;
    std::deque<Mark> m_marks;
    double m_nominalEnd;     // where the next frame read will begin
    double m_decodedEnd;     // where the decoded sound ends
    qint64 m_renderPosition; // output frame render() continues at
    int m_confirmedSequence = 0;
    int m_confirmedFrame;
};

} // namespace swf
