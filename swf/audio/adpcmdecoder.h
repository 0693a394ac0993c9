// SWF's ADPCM: IMA-style adaptive differential coding with 2 to 5 bits per
// sample. Every call reads a whole ADPCMSOUNDDATA: a 2-bit code size, then
// packets of 4096 samples per channel, each opening with the first sample
// as it is and the step index.
//
// At 11025 Hz the output is the decoded signal with every second sample
// frame held (see decode()): that is what the Flash Player plays.
#pragma once

#include "swf/audio/sounddecoder.h"

namespace swf {

// One channel's state between codes; an encoder uses it to stay in step
// with the decoder.
struct AdpcmChannel {
    int sample = 0;
    int index = 0; // into the step table, 0 … 88

    // Decodes one code of `bits` (2 … 5) bits into `sample`.
    void apply(quint32 code, int bits);
};

class AdpcmDecoder final : public SoundDecoder {
public:
    AdpcmDecoder(double rate, int channels);

    void decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit) override;
    double rate() const override { return m_rate; }
    int channels() const override { return m_channels; }

private:
    void decodePackets(QByteArrayView data, std::vector<qint16> &out, qint64 limit);

    double m_rate;
    int m_channels;
    bool m_holdPairs;
};

} // namespace swf
