// Decodes the blocks of one stream sound in order. MP3 blocks open with
// SampleCount and SeekSamples: the first block of a start skips its
// SeekSamples (the samples that belong to the frame before), and
// SampleCount tells how long the block lasts on the timeline. Blocks of
// other codecs last as long as what they decode to.
#pragma once

#include "swf/audio/sounddecoder.h"

namespace swf {

class StreamDecoder {
public:
    explicit StreamDecoder(const SoundFormat &format);

    // False for codecs the engine does not play.
    bool isValid() const { return m_decoder != nullptr; }
    const SoundFormat &format() const { return m_format; }
    double rate() const;
    int channels() const;

    // Appends the samples of one block (all channels together) and returns
    // the sample frames it lasts.
    qint64 decode(QByteArrayView block, std::vector<qint16> &out);

private:
    SoundFormat m_format;
    std::unique_ptr<SoundDecoder> m_decoder;
    bool m_first = true;
    qint64 m_skip = 0; // sample frames still to drop
};

} // namespace swf
