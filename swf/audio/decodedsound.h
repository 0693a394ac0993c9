// A sound decoded whole: what an event sound plays from, and what
// `orvanto-swf sounds` writes.
#pragma once

#include "swf/model/sound.h"

#include <vector>

namespace swf {

struct DecodedSound {
    double rate = 44100.0;
    int channels = 1;
    std::vector<qint16> samples; // interleaved

    qint64 frames() const { return qint64(samples.size()) / channels; }
};

// Decodes a DefineSound within limits::kMaxSoundSamples. For MP3 the
// SeekSamples at the start are skipped; every codec is cut to the declared
// sample count when that is shorter than the data (a longer count is a lie
// the data cannot keep). Unplayable codecs decode to nothing.
DecodedSound decodeSound(const Sound &sound);

} // namespace swf
