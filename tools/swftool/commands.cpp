#include "command.h"
#include "stagepicture.h"

#include "swf/limits.h"

#include <cstdio>

namespace swftool {

int runCompare(const Arguments &args);   // comparecommand.cpp
int runAudio(const Arguments &args);     // audiocommand.cpp
int runSounds(const Arguments &args);    // soundscommand.cpp
int runThumbnail(const Arguments &args); // thumbnailcommand.cpp
int runTrace(const Arguments &args);     // tracecommand.cpp
int runCompareTrace(const Arguments &args);
int runExport(const Arguments &args); // exportcommand.cpp

const QList<Command> &commands()
{
    static const QList<Command> list = {
        {"info", "FILE", runInfo},
        {"render", "FILE -o OUT.png [--frames N] [--size WxH]", runRender},
        {"decompress", "FILE -o OUT.swf", runDecompress},
        {"compare", "DIR [--diff OUTDIR] [--only NAME]", runCompare},
        {"audio", "FILE -o OUT.raw [--frames N]", runAudio},
        {"sounds", "FILE -o DIR [--frames N]", runSounds},
        {"thumbnail", "FILE OUT.png [--size N]", runThumbnail},
        {"trace", "FILE [--frames N] [--timeout S] [--saved-data DIR]", runTrace},
        {"compare-trace", "DIR [--only NAME] [--list FILE] [--frames N] [--actual OUT]",
         runCompareTrace},
        {"export",
         "FILE -o OUT.mp4|.webm|.gif|.png [--size WxH] [--from F] [--to F] [--fps R] [--loops N]",
         runExport},
    };
    return list;
}

std::optional<int> positive(const QByteArray &text, int max)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > max)
        return std::nullopt;
    return value;
}

std::optional<QSize> parseSize(const QByteArray &text)
{
    const QList<QByteArray> parts = text.toLower().split('x');
    if (parts.size() != 2)
        return std::nullopt;
    const auto w = positive(parts[0], swf::limits::kMaxRenderSide);
    const auto h = positive(parts[1], swf::limits::kMaxRenderSide);
    if (!w || !h)
        return std::nullopt;
    return QSize(*w, *h);
}

void reportFileError(const QByteArray &file, const QString &problem)
{
    QByteArray line = "orvanto-swf: " + file + ": " + problem.toUtf8() + "\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void reportError(const QString &problem)
{
    const QByteArray line = "orvanto-swf: " + problem.toUtf8() + "\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void writeStdout(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

std::optional<swf::MoviePtr> openMovie(const QByteArray &file)
{
    auto movie = swf::loadMovieFile(file);
    if (!movie) {
        reportFileError(file, movie.error().toString());
        return std::nullopt;
    }
    return *movie;
}

int savePicture(const QImage &image, QSize size, const QByteArray &movie, const QByteArray &output,
                FileWriter write)
{
    if (image.isNull()) {
        reportFileError(
            movie,
            QStringLiteral("no memory for a %1x%2 picture").arg(size.width()).arg(size.height()));
        return 1;
    }
    QString problem;
    const auto png = encodePng(image, &problem);
    if (!png || !write(output, *png, &problem)) {
        reportFileError(output, problem);
        return 1;
    }
    return 0;
}

} // namespace swftool
