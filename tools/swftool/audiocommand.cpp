// orvanto-swf audio FILE -o OUT.raw [--frames N]: plays N frames (10 by
// default) without a device and writes the mixed sound, 44.1 kHz stereo
// signed 16-bit little-endian.
#include "offlineaudio.h"

namespace swftool {

int runAudio(const Arguments &args)
{
    int status = 0;
    const auto run = openAudioRun(args, "audio FILE -o OUT.raw [--frames N]", &status);
    if (!run)
        return status;
    QString problem;
    if (!writeFileBytes(run->options.output, playOffline(*run, nullptr), &problem)) {
        reportFileError(run->options.output, problem);
        return 1;
    }
    return 0;
}

} // namespace swftool
