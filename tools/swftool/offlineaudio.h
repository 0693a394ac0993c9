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

// The options of a run with its movie loaded.
struct AudioRun {
    AudioRunOptions options;
    swf::MoviePtr movie;
};

// Parses "FILE -o OUT [--frames N]" (`usage` completes the message on
// error), loads the movie and refuses a mix that would be unreasonably
// long. On failure the problem is reported and `status` is the exit
// status: 2 for the arguments, 1 for the movie.
std::optional<AudioRun> openAudioRun(const Arguments &args, const char *usage, int *status);

// Plays the first frames of the run (the first shown, then a step each) at
// the movie's frame rate and returns the mix, 44.1 kHz stereo signed
// 16-bit little-endian; `capture`, when given, records each sound started.
QByteArray playOffline(const AudioRun &run, swf::SoundCapture *capture);

} // namespace swftool
