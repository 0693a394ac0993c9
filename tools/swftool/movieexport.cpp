#include "movieexport.h"
#include "stagepicture.h"

#include "clippalette.h"
#include "filebytes.h"
#include "offlineplayback.h"

#include "swf/limits.h"
#include "swf/render/renderer.h"
#include "swf/runtime/frameclock.h"
#include "swf/video/moviefilewriter.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <cmath>
#include <unistd.h>

namespace swftool {

namespace {

// A file of more pictures than ten hours at 30 a second is a mistake.
constexpr int kMaxPictures = 10 * 3600 * 30;
constexpr int kMaxLoops = 10000;
// Browsers show GIF delays under two hundredths of a second as ten.
constexpr double kMaxGifRate = 50.0;

swf::Error exportError(const QString &message)
{
    return swf::Error{swf::ErrorCode::Io, -1, -1, message};
}

int evenUp(int side)
{
    return side + (side & 1);
}

swf::MovieFileFormat fileFormatOf(ExportFormat format)
{
    switch (format) {
    case ExportFormat::WebM:
        return swf::MovieFileFormat::WebM;
    case ExportFormat::Gif:
        return swf::MovieFileFormat::Gif;
    default:
        return swf::MovieFileFormat::Mp4;
    }
}

void removeFile(const QByteArray &path)
{
    ::unlink(path.constData());
}

} // namespace

std::optional<ExportFormat> exportFormatOf(const QByteArray &path)
{
    const QByteArray name = path.toLower();
    if (name.endsWith(".mp4"))
        return ExportFormat::Mp4;
    if (name.endsWith(".webm"))
        return ExportFormat::WebM;
    if (name.endsWith(".gif"))
        return ExportFormat::Gif;
    if (name.endsWith(".png"))
        return ExportFormat::Png;
    return std::nullopt;
}

swf::Result<MovieExport> MovieExport::prepare(swf::MoviePtr movie, const ExportOptions &options)
{
    MovieExport job(movie, options);
    const int frames = qMax(1, movie->timeline().frameCount());
    job.m_last = options.to.value_or(frames) - 1;
    if (options.from < 1 || options.from > frames)
        return exportError(QStringLiteral("the movie has frames 1 to %1").arg(frames));
    if (job.m_last < options.from - 1 || job.m_last >= frames)
        return exportError(
            QStringLiteral("the last frame must lie from %1 to %2").arg(options.from).arg(frames));
    if (options.loops < 1 || options.loops > kMaxLoops)
        return exportError(QStringLiteral("loops must lie from 1 to %1").arg(kMaxLoops));
    job.m_movieFps = swf::FrameClock::effectiveRate(movie->frameRate());
    job.m_fps = options.fps.value_or(job.m_movieFps);
    if (!(job.m_fps >= 1.0 && job.m_fps <= swf::limits::kMaxFrameRate))
        return exportError(
            QStringLiteral("the frame rate must lie from 1 to %1").arg(swf::limits::kMaxFrameRate));
    if (options.format == ExportFormat::Gif)
        job.m_fps = qMin(job.m_fps, kMaxGifRate);
    job.m_size = options.size.value_or(stageSize(*movie));
    if (options.format == ExportFormat::Mp4 || options.format == ExportFormat::WebM)
        job.m_size = QSize(evenUp(job.m_size.width()), evenUp(job.m_size.height()));
    if (job.m_size.isEmpty() || job.m_size.width() > swf::limits::kMaxRenderSide ||
        job.m_size.height() > swf::limits::kMaxRenderSide)
        return exportError(
            QStringLiteral("pictures are 1 to %1 pixels a side").arg(swf::limits::kMaxRenderSide));
    const double seconds = double(job.m_last - options.from + 2) * options.loops / job.m_movieFps;
    const double pictures =
        options.format == ExportFormat::Png ? 1 : std::round(seconds * job.m_fps);
    if (pictures > kMaxPictures)
        return exportError(QStringLiteral("more than %1 pictures").arg(kMaxPictures));
    job.m_pictures = qMax(1, int(pictures));
    return job;
}

int MovieExport::progressTotal() const
{
    return m_options.format == ExportFormat::Gif ? 2 * m_pictures : m_pictures;
}

swf::Result<MovieExport::Outcome> MovieExport::run(const Progress &progress) const
{
    if (m_options.format == ExportFormat::Png)
        return writePng();
    return writeMovieFile(progress);
}

// Plays frames 1 … `from` silently, then the range `loops` times; each
// frame's sound goes to `sound`, and each picture of the file to `picture`
// as its time comes (a frame may make several pictures, or none).
swf::Result<MovieExport::Outcome> MovieExport::play(const PictureSink &picture,
                                                    const SoundSink &sound, int progressBase,
                                                    const Progress &progress) const
{
    OfflinePlayback playback(m_movie);
    const int first = m_options.from - 1;
    for (int i = 0; i < first; ++i)
        playback.showNextFrame();
    const int range = m_last - first + 1;
    const int frames = range * m_options.loops;
    // The whole movie loops by itself; a part of it is jumped back to.
    const bool whole = first == 0 && m_last == m_movie->timeline().frameCount() - 1;
    swf::Renderer renderer;
    const QColor background = swf::Renderer::backgroundOf(*m_movie);
    QImage canvas(m_size, QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return exportError(QStringLiteral("no memory for a %1x%2 picture")
                               .arg(m_size.width())
                               .arg(m_size.height()));
    int played = 0;
    bool drawn = false;
    const auto showFrame = [&]() -> std::optional<swf::Error> {
        if (played > 0 && played % range == 0 && !whole)
            playback.jumpTo(first);
        const std::vector<qint16> &block = playback.showNextFrame();
        ++played;
        drawn = false;
        return sound ? sound(block) : std::nullopt;
    };
    for (int n = 0; n < m_pictures; ++n) {
        // The frame on screen at this picture's time.
        const int due = qMin(frames, int(std::floor(n * m_movieFps / m_fps + 1e-9)) + 1);
        while (played < due) {
            if (auto error = showFrame())
                return *error;
        }
        if (!drawn) {
            QPainter painter(&canvas);
            renderer.render(playback.player(), painter, canvas.rect(), background);
            drawn = true;
        }
        if (auto error = picture(canvas))
            return *error;
        if (progress && !progress(progressBase + n + 1, progressTotal()))
            return Outcome::Stopped;
    }
    // The sound of the last frames, when pictures are fewer than frames.
    while (played < frames) {
        if (auto error = showFrame())
            return *error;
    }
    return Outcome::Finished;
}

swf::Result<MovieExport::Outcome> MovieExport::writePng() const
{
    QImage frame;
    auto outcome = play(
        [&frame](const QImage &picture) -> std::optional<swf::Error> {
            frame = picture.convertToFormat(QImage::Format_RGB32);
            return std::nullopt;
        },
        {}, 0, [](int, int) { return false; });
    if (!outcome)
        return outcome.error();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(frame))
        return exportError(writer.errorString());
    QString problem;
    if (!writeFileBytes(m_options.output, png, &problem))
        return exportError(problem);
    return Outcome::Finished;
}

swf::Result<MovieExport::Outcome> MovieExport::writeMovieFile(const Progress &progress) const
{
    const bool gif = m_options.format == ExportFormat::Gif;
    ClipPalette palette;
    if (gif) {
        auto counted = play(
            [&palette](const QImage &picture) -> std::optional<swf::Error> {
                palette.count(picture);
                return std::nullopt;
            },
            {}, 0, progress);
        if (!counted || *counted == Outcome::Stopped)
            return counted;
        palette.build();
    }
    swf::MovieFileSettings settings;
    settings.format = fileFormatOf(m_options.format);
    settings.size = m_size;
    settings.framesPerSecond = m_fps;
    settings.threads = m_options.threads;
    auto writer = swf::MovieFileWriter::open(m_options.output, settings);
    if (!writer) {
        removeFile(m_options.output);
        return writer.error();
    }
    swf::MovieFileWriter &file = **writer;
    auto outcome = play(
        [&](const QImage &picture) {
            return file.addPicture(gif ? palette.map(picture) : picture);
        },
        [&](const std::vector<qint16> &block) {
            return file.addSound(block.data(), int(block.size() / 2));
        },
        gif ? m_pictures : 0, progress);
    std::optional<swf::Error> error = outcome ? file.finish() : outcome.error();
    if (error || file.picturesAdded() == 0) {
        removeFile(m_options.output);
        if (error)
            return *error;
    }
    return outcome;
}

} // namespace swftool
