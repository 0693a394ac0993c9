// What the Nellymoser (Asao) bitstream means, shared by the decoder and the
// test encoder. A 64-byte block holds 256 samples as two MDCT frames of 128
// coefficients sharing one spectral envelope: 116 header bits give the log
// energy of 23 bands (a 6-bit start, then 5-bit steps), and each frame's
// 198 detail bits hold the coefficients, with as many bits per coefficient
// as allocateBits() derives from the envelope. Bits are read least
// significant first.
#pragma once

#include <QtGlobal>

#include <array>

namespace swf::nellymoser {

inline constexpr int kBlockBytes = 64;
inline constexpr int kBlockSamples = 256;
inline constexpr int kFrameSamples = 128;
inline constexpr int kBands = 23;
inline constexpr int kCodedCoefficients = 124;
inline constexpr int kHeaderBits = 116;
inline constexpr int kDetailBits = 198;
inline constexpr int kMaxCoefficientBits = 6;

// Coefficients per band; they add up to kCodedCoefficients.
extern const std::array<quint8, kBands> kBandSizes;
// The first band's log energy by its 6-bit code, and the change to each
// next band by its 5-bit code; log energies count 2048 per octave.
extern const std::array<quint16, 64> kFirstEnergy;
extern const std::array<qint16, 32> kEnergyStep;
// Normalised coefficient values: those of n bits start at index 2^n - 1.
extern const std::array<float, 127> kLevels;

using Energies = std::array<int, kCodedCoefficients>;
using Allocation = std::array<int, kCodedCoefficients>;

// Bits of each coefficient, from the log energy of its band: more energy,
// more bits, 198 bits in all at most.
Allocation allocateBits(const Energies &energies);
// The amplitude a log energy stands for, at the 16-bit output scale.
double energyGain(int energy);
// The sine window of the frames' 256-sample overlap.
double window(int n);

} // namespace swf::nellymoser
