// A movie exported to a file: MP4 (H.264 and AAC), WebM (VP9 and Opus),
// an animated GIF (one palette for the clip, no sound) or a PNG of one
// frame. The movie is played offline frame by frame at its own rate, its
// sound mixed as `orvanto-swf audio` mixes it, and each picture of the
// file shows the frame due at its time. What `orvanto-swf export` and the
// player's export share.
#pragma once

#include "swf/error.h"
#include "swf/movieloader.h"

#include <QByteArray>
#include <QSize>

#include <functional>
#include <optional>

namespace swftool {

enum class ExportFormat { Mp4, WebM, Gif, Png };

// The format a file name asks for by its extension (any case); none for
// names without one of .mp4, .webm, .gif, .png.
std::optional<ExportFormat> exportFormatOf(const QByteArray &path);

struct ExportOptions {
    QByteArray output;
    ExportFormat format = ExportFormat::Mp4;
    // The movie's own size when not given; MP4 and WebM round each side
    // up to an even number.
    std::optional<QSize> size;
    // The frames exported, counted from 1, both included; the movie's last
    // frame when `to` is not given. A PNG shows `from`.
    int from = 1;
    std::optional<int> to;
    // Pictures a second in the file; the movie's own rate when not given.
    // A GIF has at most 50 (browsers slow down faster ones).
    std::optional<double> fps;
    // How often the frames are played one after the other.
    int loops = 1;
    // Threads each encoder may use; 0 lets it choose.
    int threads = 0;
};

class MovieExport {
public:
    // Pictures done and to do, after each picture; false stops the export.
    using Progress = std::function<bool(int done, int total)>;
    // Stopped: the file holds what was done, or there is none when
    // nothing was.
    enum class Outcome { Finished, Stopped };

    // Checks the options against the movie; the error says what does not fit.
    static swf::Result<MovieExport> prepare(swf::MoviePtr movie, const ExportOptions &options);

    const ExportOptions &options() const { return m_options; }
    QSize pictureSize() const { return m_size; }
    double picturesPerSecond() const { return m_fps; }
    // Pictures in the file.
    int pictureCount() const { return m_pictures; }
    // Pictures drawn: a GIF's are drawn twice, once for its palette.
    int progressTotal() const;

    // Writes the file. On an error, no file is left behind.
    swf::Result<Outcome> run(const Progress &progress) const;

private:
    using PictureSink = std::function<std::optional<swf::Error>(const QImage &)>;
    using SoundSink = std::function<std::optional<swf::Error>(const std::vector<qint16> &)>;

    MovieExport(swf::MoviePtr movie, const ExportOptions &options)
        : m_movie(movie), m_options(options)
    {
    }
    swf::Result<Outcome> play(const PictureSink &picture, const SoundSink &sound, int progressBase,
                              const Progress &progress) const;
    swf::Result<Outcome> writePng() const;
    swf::Result<Outcome> writeMovieFile(const Progress &progress) const;

    swf::MoviePtr m_movie;
    ExportOptions m_options;
    QSize m_size;
    double m_fps = 0.0;
    double m_movieFps = 0.0;
    int m_last = 0; // from 0
    int m_pictures = 0;
};

} // namespace swftool
