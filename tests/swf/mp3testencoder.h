// MP3 test data from LAME (libmp3lame, linked into the audio tests only):
// the engine decodes MP3 but never encodes it.
#pragma once

#include <QByteArray>

#include <vector>

struct Mp3Encoding {
    QByteArray frames;    // MP3 frames, no tag or info frame
    int encoderDelay = 0; // samples the decoder puts before the signal
    int frameSamples = 0; // samples per MP3 frame
};

// Constant bit rate, `channels` interleaved; empty frames on failure.
Mp3Encoding encodeMp3(const std::vector<qint16> &samples, int rate, int channels, int kbps = 128);
