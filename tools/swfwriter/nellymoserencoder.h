// A plain Nellymoser encoder for test movies: MDCT frames, band energies
// rounded to the codes nearest the true ones, coefficients quantised to
// the nearest level with the bits the decoder's allocation gives them.
// Decoding the result gives the input back, 128 samples late, with the
// codec's noise.
#pragma once

#include <QByteArray>

#include <vector>

namespace swfwriter {

inline constexpr int kNellymoserDelay = 128;

// Mono samples to 64-byte blocks of 256 samples; the last block is filled
// up with silence.
QByteArray encodeNellymoser(const std::vector<qint16> &samples);

} // namespace swfwriter
