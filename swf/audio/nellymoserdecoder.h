// Nellymoser (Asao), the speech codec of SWF 6 and later: mono, 64-byte
// blocks of 256 samples, at 8 kHz, 16 kHz or the movie's rate.
#pragma once

#include "swf/audio/sounddecoder.h"

namespace swf {

std::unique_ptr<SoundDecoder> makeNellymoserDecoder(double rate);

} // namespace swf
