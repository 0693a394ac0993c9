#include "tools/swfwriter/nellymoserencoder.h"

#include "swf/audio/nellymoserformat.h"

#include <array>
#include <cmath>
#include <numbers>

namespace swfwriter {

namespace {

using namespace swf::nellymoser;

constexpr int kM = kFrameSamples;

// Bits least significant first, as the codec stores them.
class LsbWriter {
public:
    explicit LsbWriter(QByteArray &block) : m_block(block) {}
    void seek(int bit) { m_bit = bit; }
    void put(quint32 value, int count)
    {
        for (int i = 0; i < count; ++i, ++m_bit) {
            if ((value >> i) & 1)
                m_block[m_bit >> 3] = char(quint8(m_block[m_bit >> 3]) | (1u << (m_bit & 7)));
        }
    }

private:
    QByteArray &m_block;
    int m_bit = 0;
};

// Forward MDCT of 256 windowed samples, scaled so that the decoder's
// inverse transform and overlap give the input back.
std::array<double, kM> mdct(const std::vector<double> &signal, qint64 start)
{
    std::array<double, kM> out{};
    for (int k = 0; k < kM; ++k) {
        double sum = 0.0;
        for (int n = 0; n < 2 * kM; ++n) {
            const qint64 at = start + n;
            const double x = at >= 0 && at < qint64(signal.size()) ? signal[size_t(at)] : 0.0;
            sum += swf::nellymoser::window(n) * x *
                   std::cos(std::numbers::pi / kM * (n + 64.5) * (k + 0.5));
        }
        out[size_t(k)] = sum * 2.0 / kM;
    }
    return out;
}

// Codes for the band energies: each step lands as near the wanted log
// energy as the step table allows. A band is first raised where the next
// could not be reached from it, since steps up are bounded; a band a
// little too loud costs less than a tone lost. Returns the energy per band.
std::array<int, kBands> encodeEnergies(std::array<double, kBands> wanted, LsbWriter &bits)
{
    const int maxRise = kEnergyStep.back();
    for (int band = kBands - 2; band >= 0; --band)
        wanted[size_t(band)] = qMax(wanted[size_t(band)], wanted[size_t(band) + 1] - maxRise);
    std::array<int, kBands> energies{};
    int energy = 0;
    for (int band = 0; band < kBands; ++band) {
        int bestCode = 0;
        double bestError = 1e300;
        const int codes = band == 0 ? 64 : 32;
        for (int code = 0; code < codes; ++code) {
            const int candidate =
                band == 0 ? kFirstEnergy[size_t(code)] : energy + kEnergyStep[size_t(code)];
            const double error = std::abs(candidate - wanted[size_t(band)]);
            if (error < bestError) {
                bestError = error;
                bestCode = code;
            }
        }
        energy =
            band == 0 ? kFirstEnergy[size_t(bestCode)] : energy + kEnergyStep[size_t(bestCode)];
        bits.put(quint32(bestCode), band == 0 ? 6 : 5);
        energies[size_t(band)] = energy;
    }
    return energies;
}

int nearestLevel(double value, int bits)
{
    const int first = (1 << bits) - 1;
    int best = 0;
    for (int v = 1; v < (1 << bits); ++v) {
        if (std::abs(kLevels[size_t(first + v)] - value) <
            std::abs(kLevels[size_t(first + best)] - value))
            best = v;
    }
    return best;
}

QByteArray encodeBlock(const std::vector<double> &signal, qint64 blockStart)
{
    // The block's two frames; frame t covers the samples from 128·(t − 1).
    const std::array<std::array<double, kM>, 2> frames = {mdct(signal, blockStart - kM),
                                                          mdct(signal, blockStart)};
    std::array<double, kBands> wanted{};
    int at = 0;
    for (int band = 0; band < kBands; ++band) {
        double power = 0.0;
        const int size = kBandSizes[size_t(band)];
        for (int i = 0; i < size; ++i)
            power += frames[0][size_t(at + i)] * frames[0][size_t(at + i)] +
                     frames[1][size_t(at + i)] * frames[1][size_t(at + i)];
        const double rms = std::sqrt(power / (2 * size));
        wanted[size_t(band)] = 2048.0 * std::log2(qMax(rms * 8.0, 8.0));
        at += size;
    }
    QByteArray block(kBlockBytes, '\0');
    LsbWriter bits(block);
    const std::array<int, kBands> bandEnergy = encodeEnergies(wanted, bits);
    Energies energies{};
    at = 0;
    for (int band = 0; band < kBands; ++band) {
        for (int i = 0; i < kBandSizes[size_t(band)]; ++i)
            energies[size_t(at++)] = bandEnergy[size_t(band)];
    }
    const Allocation allocation = allocateBits(energies);
    for (int f = 0; f < 2; ++f) {
        bits.seek(kHeaderBits + f * kDetailBits);
        for (int i = 0; i < kCodedCoefficients; ++i) {
            const int n = allocation[size_t(i)];
            if (n > 0)
                bits.put(quint32(nearestLevel(
                             frames[size_t(f)][size_t(i)] / energyGain(energies[size_t(i)]), n)),
                         n);
        }
    }
    return block;
}

} // namespace

QByteArray encodeNellymoser(const std::vector<qint16> &samples)
{
    const std::vector<double> signal(samples.begin(), samples.end());
    QByteArray out;
    for (qint64 start = 0; start < qint64(signal.size()); start += kBlockSamples)
        out.append(encodeBlock(signal, start));
    return out;
}

} // namespace swfwriter
