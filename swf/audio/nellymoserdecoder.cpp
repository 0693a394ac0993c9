#include "swf/audio/nellymoserdecoder.h"

#include "swf/audio/nellymoserformat.h"

#include <cmath>
#include <numbers>

namespace swf {

namespace {

using namespace nellymoser;

constexpr int kHalf = kFrameSamples; // 128 coefficients, 128 new samples per frame

// Bits least significant first, as the codec stores them.
class LsbBits {
public:
    explicit LsbBits(const quint8 *data) : m_data(data) {}
    void seek(int bit) { m_bit = bit; }
    quint32 take(int count)
    {
        quint32 value = 0;
        for (int i = 0; i < count && m_bit < kBlockBytes * 8; ++i, ++m_bit)
            value |= quint32((m_data[m_bit >> 3] >> (m_bit & 7)) & 1) << i;
        return value;
    }

private:
    const quint8 *m_data;
    int m_bit = 0;
};

// cos(π/128 · (m + 128.5) · (k + 0.5)): the middle half of the inverse
// MDCT, from which the outer quarters follow by symmetry.
const std::array<float, kHalf * kHalf> &imdctTable()
{
    static const auto table = [] {
        std::array<float, kHalf * kHalf> t{};
        for (int m = 0; m < kHalf; ++m) {
            for (int k = 0; k < kHalf; ++k)
                t[size_t(m * kHalf + k)] =
                    float(std::cos(std::numbers::pi / kHalf * (m + 128.5) * (k + 0.5)));
        }
        return t;
    }();
    return table;
}

class NellymoserDecoder final : public SoundDecoder {
public:
    explicit NellymoserDecoder(double rate) : m_rate(rate) {}

    void decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit) override;
    double rate() const override { return m_rate; }
    int channels() const override { return 1; }

private:
    void decodeBlock(const quint8 *block, std::vector<qint16> &out);
    void synthesise(const std::array<float, kHalf> &coefficients, std::vector<qint16> &out);
    bool randomSign();

    double m_rate;
    QByteArray m_pending;                 // a block cut by the end of the data
    std::array<float, kHalf> m_overlap{}; // the previous frame's windowed second half
    quint32 m_noise = 0x12345678;
};

void NellymoserDecoder::decode(QByteArrayView data, std::vector<qint16> &out, qint64 limit)
{
    if (!m_pending.isEmpty()) {
        const qsizetype need = kBlockBytes - m_pending.size();
        m_pending.append(data.first(qMin(need, data.size())));
        data = data.sliced(qMin(need, data.size()));
        if (m_pending.size() < kBlockBytes)
            return;
        if (qint64(out.size()) + kBlockSamples <= limit)
            decodeBlock(reinterpret_cast<const quint8 *>(m_pending.constData()), out);
        m_pending.clear();
    }
    while (data.size() >= kBlockBytes && qint64(out.size()) + kBlockSamples <= limit) {
        decodeBlock(reinterpret_cast<const quint8 *>(data.data()), out);
        data = data.sliced(kBlockBytes);
    }
    if (data.size() < kBlockBytes)
        m_pending = data.toByteArray();
}

void NellymoserDecoder::decodeBlock(const quint8 *block, std::vector<qint16> &out)
{
    LsbBits bits(block);
    Energies energies{};
    std::array<float, kCodedCoefficients> gains{};
    int energy = kFirstEnergy[bits.take(6)];
    size_t at = 0;
    for (int band = 0; band < kBands; ++band) {
        if (band > 0)
            energy += kEnergyStep[bits.take(5)];
        const auto gain = float(energyGain(energy));
        for (int i = 0; i < kBandSizes[size_t(band)]; ++i, ++at) {
            energies[at] = energy;
            gains[at] = gain;
        }
    }
    const Allocation allocation = allocateBits(energies);
    for (int frame = 0; frame < 2; ++frame) {
        bits.seek(kHeaderBits + frame * kDetailBits);
        std::array<float, kHalf> coefficients{};
        for (size_t i = 0; i < size_t(kCodedCoefficients); ++i) {
            const int n = allocation[i];
            if (n > 0) {
                coefficients[i] = kLevels[size_t((1 << n) - 1) + bits.take(n)] * gains[i];
            } else {
                // Coefficients without bits are noise at the band's level.
                const float level = float(std::numbers::sqrt2 / 2) * gains[i];
                coefficients[i] = randomSign() ? -level : level;
            }
        }
        synthesise(coefficients, out);
    }
}

// Inverse MDCT of one frame, sine-windowed and overlapped with the
// previous frame's second half: 128 new samples.
void NellymoserDecoder::synthesise(const std::array<float, kHalf> &coefficients,
                                   std::vector<qint16> &out)
{
    const auto &table = imdctTable();
    std::array<float, kHalf> middle{};
    for (int m = 0; m < kHalf; ++m) {
        const float *row = table.data() + m * kHalf;
        float sum = 0.0f;
        for (int k = 0; k < kCodedCoefficients; ++k)
            sum += row[k] * coefficients[size_t(k)];
        middle[size_t(m)] = sum;
    }
    // The full 256 outputs y: y[n] = -middle[63 - n] for n < 64,
    // middle[n - 64] up to 191, then middle[319 - n].
    auto y = [&middle](int n) -> float {
        if (n < 64)
            return -middle[size_t(63 - n)];
        if (n < 192)
            return middle[size_t(n - 64)];
        return middle[size_t(319 - n)];
    };
    for (int n = 0; n < kHalf; ++n) {
        const double sample = m_overlap[size_t(n)] + window(n) * y(n);
        out.push_back(qint16(std::lrint(std::clamp(sample, -32768.0, 32767.0))));
        m_overlap[size_t(n)] = float(window(n + kHalf) * y(n + kHalf));
    }
}

bool NellymoserDecoder::randomSign()
{
    m_noise = m_noise * 1103515245u + 12345u;
    return (m_noise >> 16) & 1;
}

} // namespace

std::unique_ptr<SoundDecoder> makeNellymoserDecoder(double rate)
{
    return std::make_unique<NellymoserDecoder>(rate);
}

} // namespace swf
