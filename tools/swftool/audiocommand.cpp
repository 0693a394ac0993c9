// orvanto-swf audio FILE -o OUT.raw [--frames N]: plays N frames (10 by
// default) without a device and writes the mixed sound, 44.1 kHz stereo
// signed 16-bit little-endian.
#include "offlineaudio.h"

namespace swftool {

int runAudio(const Arguments &args)
{
    QString problem;
    const auto options = parseAudioRunOptions(args, "audio FILE -o OUT.raw [--frames N]", &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    auto movie = swf::loadMovieFile(options->input);
    if (!movie) {
        reportFileError(options->input, movie.error().toString());
        return 1;
    }
    const QByteArray mix = playOffline(*movie, options->frames, nullptr, &problem);
    if (!problem.isEmpty()) {
        reportFileError(options->input, problem);
        return 1;
    }
    if (!writeFileBytes(options->output, mix, &problem)) {
        reportFileError(options->output, problem);
        return 1;
    }
    return 0;
}

} // namespace swftool
