// MP3 through libmpg123 in feed mode: bytes are handed over from memory as
// they come, and frames split between stream blocks decode once whole.
#pragma once

#include "swf/audio/sounddecoder.h"

namespace swf {

// `rate` and `channels` are the movie's declaration, used until the first
// frame tells the truth; null when libmpg123 cannot be set up.
std::unique_ptr<SoundDecoder> makeMp3Decoder(double rate, int channels);

} // namespace swf
