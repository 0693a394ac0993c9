// Writes pictures and sound into an ordinary video file through FFmpeg's
// libavformat and libavcodec: MP4 (H.264 and AAC), WebM (VP9 and Opus) or
// an animated GIF (no sound). Pictures come at a fixed frame rate; sound
// is 44.1 kHz stereo, as the engine mixes it. The file is complete once
// finish() returns; a writer dropped before that leaves it unfinished.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QImage>

#include <memory>
#include <optional>

namespace swf {

enum class MovieFileFormat { Mp4, WebM, Gif };

struct MovieFileSettings {
    MovieFileFormat format = MovieFileFormat::Mp4;
    // Pixels; MP4 and WebM need even sides.
    QSize size;
    double framesPerSecond = 24.0;
    // Whether there is a sound track (never in a GIF).
    bool sound = true;
    // Threads each encoder may use; 0 lets it choose.
    int threads = 0;
};

class MovieFileWriter {
public:
    static constexpr int kSoundRate = 44100;

    // Creates the file and writes its header.
    static Result<std::unique_ptr<MovieFileWriter>> open(const QByteArray &path,
                                                         const MovieFileSettings &settings);
    ~MovieFileWriter();
    MovieFileWriter(const MovieFileWriter &) = delete;
    MovieFileWriter &operator=(const MovieFileWriter &) = delete;

    // The next picture, of the settings' size: RGB32 or premultiplied ARGB
    // for MP4 and WebM (drawn on an opaque background), Indexed8 with its
    // colour table for a GIF.
    std::optional<Error> addPicture(const QImage &picture);
    // The sound that goes with the pictures so far: `frames` stereo frames
    // of interleaved signed 16-bit samples at kSoundRate.
    std::optional<Error> addSound(const qint16 *samples, int frames);
    // Encodes what is still pending and closes the file.
    std::optional<Error> finish();

    int picturesAdded() const;

private:
    struct State;
    explicit MovieFileWriter(std::unique_ptr<State> state);
    std::unique_ptr<State> d;
};

} // namespace swf
