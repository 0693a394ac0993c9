// What `orvanto-swf audio` and `orvanto-swf sounds` share: their options
// and the run of a movie's frames through the sound engine with no device.
#pragma once

#include "command.h"

#include "swf/movieloader.h"

#include <optional>

namespace swf {
class SoundCapture;
}

namespace swftool {

struct AudioRunOptions {
    QByteArray input;
    QByteArray output;
    int frames = 10;
};

// "FILE -o OUT [--frames N]"; `usage` completes the message on error.
std::optional<AudioRunOptions> parseAudioRunOptions(const Arguments &args, const char *usage,
                                                    QString *problem);

// Plays the first `frames` frames (the first shown, then a step each) at
// the movie's frame rate and returns the mix, 44.1 kHz stereo signed
// 16-bit little-endian; `capture`, when given, records each sound started.
// Empty with `problem` set when the mix would be unreasonably long.
QByteArray playOffline(const swf::MoviePtr &movie, int frames, swf::SoundCapture *capture,
                       QString *problem);

} // namespace swftool
