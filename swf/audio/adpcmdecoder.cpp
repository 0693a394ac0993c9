#include "swf/audio/adpcmdecoder.h"

#include <algorithm>
#include <array>

namespace swf {

namespace {

// The IMA ADPCM step sizes.
constexpr std::array<int, 89> kSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

// Step index changes by code magnitude (the code without its sign bit),
// one table per code size as the SWF file-format documentation gives them.
constexpr int kIndex2[] = {-1, 2};
constexpr int kIndex3[] = {-1, -1, 2, 4};
constexpr int kIndex4[] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kIndex5[] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
constexpr const int *kIndexTables[] = {kIndex2, kIndex3, kIndex4, kIndex5};

constexpr int kPacketSamples = 4096;

// The rate at which the Flash Player's ADPCM output holds sample pairs.
constexpr double kHeldPairsRate = 11025.0;

// SWF bit fields: most significant bit first.
class BitSource {
public:
    explicit BitSource(QByteArrayView data) : m_data(data) {}

    qint64 bitsLeft() const { return qint64(m_data.size()) * 8 - m_bit; }
    quint32 take(int count)
    {
        quint32 value = 0;
        for (int i = 0; i < count; ++i) {
            const auto byte = quint8(m_data[qsizetype(m_bit >> 3)]);
            value = (value << 1) | ((byte >> (7 - (m_bit & 7))) & 1);
            ++m_bit;
        }
        return value;
    }
    qint32 takeSigned(int count)
    {
        const quint32 value = take(count);
        const quint32 sign = 1u << (count - 1);
        return qint32(value ^ sign) - qint32(sign);
    }

private:
    QByteArrayView m_data;
    qint64 m_bit = 0;
};

// Frames 2k and 2k+1 (counted from `first`) both become frame 2k+1; an
// unpaired last frame stays as it is.
void holdPairs(std::vector<qint16> &out, size_t first, int channels)
{
    const size_t step = size_t(channels);
    for (size_t frame = first; frame + 2 * step <= out.size(); frame += 2 * step)
        std::copy_n(out.begin() + qsizetype(frame + step), step, out.begin() + qsizetype(frame));
}

} // namespace

// One code: the magnitude bits add halving steps to an eighth-step
// baseline (for four bits: step/8 + step·b2 + step/2·b1 + step/4·b0).
void AdpcmChannel::apply(quint32 code, int bits)
{
    int step = kSteps[size_t(index)];
    int delta = step >> (bits - 1);
    const quint32 signBit = 1u << (bits - 1);
    for (quint32 mask = signBit >> 1; mask; mask >>= 1) {
        if (code & mask)
            delta += step;
        step >>= 1;
    }
    sample = std::clamp(code & signBit ? sample - delta : sample + delta, -32768, 32767);
    index =
        std::clamp(index + kIndexTables[bits - 2][code & (signBit - 1)], 0, int(kSteps.size()) - 1);
}

// Compatibility: the Flash Player's output for 11 kHz ADPCM keeps every
// second sample frame, held for two: the reference recordings show it
// exactly (each even sample equals the odd one after it, which is bit for
// bit what the codes decode to). Nothing shows it for other codecs or
// rates, so they are played as decoded.
AdpcmDecoder::AdpcmDecoder(double rate, int channels)
    : m_rate(rate), m_channels(channels), m_holdPairs(rate == kHeldPairsRate)
{
}

void AdpcmDecoder::decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit)
{
    const size_t first = out.size();
    decodePackets(data, out, limit);
    if (m_holdPairs)
        holdPairs(out, first, m_channels);
}

void AdpcmDecoder::decodePackets(QByteArrayView data, std::vector<qint16> &out, qint64 limit)
{
    BitSource bits(data);
    if (bits.bitsLeft() < 2)
        return;
    const int codeBits = int(bits.take(2)) + 2;
    const int channels = m_channels;
    AdpcmChannel state[2];
    while (bits.bitsLeft() >= 22 * channels && qint64(out.size()) + channels <= limit) {
        for (int c = 0; c < channels; ++c) {
            state[c].sample = bits.takeSigned(16);
            state[c].index = int(bits.take(6));
            out.push_back(qint16(state[c].sample));
        }
        for (int i = 1; i < kPacketSamples; ++i) {
            if (bits.bitsLeft() < qint64(codeBits) * channels ||
                qint64(out.size()) + channels > limit)
                return;
            for (int c = 0; c < channels; ++c) {
                state[c].apply(bits.take(codeBits), codeBits);
                out.push_back(qint16(state[c].sample));
            }
        }
    }
}

} // namespace swf
