#include "offlineaudio.h"

#include "offlineplayback.h"

#include "swf/runtime/frameclock.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QtEndian>

#include <cmath>

namespace swftool {

namespace {

// An hour of mix at most: a slow frame rate times many frames would
// otherwise ask for gigabytes.
constexpr double kMaxSeconds = 3600.0;

std::optional<AudioRunOptions> parseAudioRunOptions(const Arguments &args, const char *usage,
                                                    QString *problem)
{
    AudioRunOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QByteArray arg = args[i];
        QByteArray value;
        const qsizetype eq = arg.indexOf('=');
        const bool takesValue = arg == "-o" || arg == "--output" || arg == "--frames";
        if (arg.startsWith("--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (takesValue && i + 1 < args.size()) {
            value = args[++i];
        } else if (takesValue) {
            *problem = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg));
            return std::nullopt;
        }
        if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--frames") {
            bool ok = false;
            options.frames = value.toInt(&ok);
            if (!ok || options.frames < 1 || options.frames > 1000000) {
                *problem = QStringLiteral("--frames needs a whole number from 1");
                return std::nullopt;
            }
        } else if (options.input.isEmpty() && !arg.startsWith("--")) {
            options.input = arg;
        } else {
            *problem = QStringLiteral("unexpected argument %1").arg(QString::fromLocal8Bit(arg));
            return std::nullopt;
        }
    }
    if (options.input.isEmpty() || options.output.isEmpty()) {
        *problem = QStringLiteral("usage: orvanto-swf %1").arg(QLatin1String(usage));
        return std::nullopt;
    }
    return options;
}

} // namespace

std::optional<AudioRun> openAudioRun(const Arguments &args, const char *usage, int *status)
{
    QString problem;
    auto options = parseAudioRunOptions(args, usage, &problem);
    if (!options) {
        reportError(problem);
        *status = 2;
        return std::nullopt;
    }
    auto movie = swf::loadMovieFile(options->input);
    if (!movie) {
        reportFileError(options->input, movie.error().toString());
        *status = 1;
        return std::nullopt;
    }
    const int frames = options->frames;
    const double fps = swf::FrameClock::effectiveRate((*movie)->frameRate());
    if (frames / fps > kMaxSeconds) {
        reportFileError(options->input,
                        QStringLiteral("%1 frames at %2 per second last more than an hour")
                            .arg(frames)
                            .arg(fps));
        *status = 1;
        return std::nullopt;
    }
    return AudioRun{std::move(*options), std::move(*movie)};
}

QByteArray playOffline(const AudioRun &run, swf::SoundCapture *capture)
{
    const QFileInfo file(QFile::decodeName(run.options.input));
    OfflinePlayback playback(run.movie, capture,
                             QUrl::fromLocalFile(file.absoluteFilePath()).toString());
    QByteArray mix;
    for (int frame = 1; frame <= run.options.frames; ++frame) {
        std::vector<qint16> block = playback.showNextFrame();
        for (qint16 &sample : block)
            sample = qToLittleEndian(sample);
        mix.append(reinterpret_cast<const char *>(block.data()), qsizetype(block.size() * 2));
    }
    return mix;
}

} // namespace swftool
