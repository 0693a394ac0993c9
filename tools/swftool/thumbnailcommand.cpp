// orvanto-swf thumbnail FILE OUT.png [--size N]: the picture a file manager
// shows for a movie (the thumbnailer entry calls it). The first frame of the
// first 100 that is not plain background, fitted into N × N with its
// aspect kept; after two seconds of wall-clock time, the frame reached.
// OUT.png is written whole or not at all.
#include "command.h"
#include "stagepicture.h"
#include "thumbnailframe.h"

#include "swf/limits.h"

#include <QDeadlineTimer>

#include <optional>

namespace swftool {

namespace {

constexpr int kDefaultSide = 256;
constexpr int kTimeLimitMs = 2000;

struct ThumbnailOptions {
    QByteArray input;
    QByteArray output;
    int side = kDefaultSide;
};

std::optional<int> side(const QByteArray &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1 || value > swf::limits::kMaxRenderSide)
        return std::nullopt;
    return value;
}

// Accepts "--size N" and "--size=N" anywhere among the two names.
std::optional<ThumbnailOptions> parseOptions(const Arguments &args, QString *problem)
{
    ThumbnailOptions options;
    QList<QByteArray> names;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QByteArray &arg = args[i];
        std::optional<QByteArray> value;
        if (arg == "--size" && i + 1 < args.size())
            value = args[++i];
        else if (arg.startsWith("--size="))
            value = arg.mid(7);
        if (value) {
            const auto parsed = side(*value);
            if (!parsed) {
                *problem = QStringLiteral("--size needs a whole number of pixels from 1 to %1")
                               .arg(swf::limits::kMaxRenderSide);
                return std::nullopt;
            }
            options.side = *parsed;
        } else if (arg.startsWith("--")) {
            *problem = QStringLiteral("unexpected argument %1").arg(QString::fromLocal8Bit(arg));
            return std::nullopt;
        } else {
            names.append(arg);
        }
    }
    if (names.size() != 2) {
        *problem = QStringLiteral("usage: orvanto-swf thumbnail FILE OUT.png [--size N]");
        return std::nullopt;
    }
    options.input = names[0];
    options.output = names[1];
    return options;
}

} // namespace

int runThumbnail(const Arguments &args)
{
    const QDeadlineTimer deadline(kTimeLimitMs);
    QString problem;
    const auto options = parseOptions(args, &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    const auto movie = openMovie(options->input);
    if (!movie)
        return 1;
    swf::Player player(*movie);
    const QSize size = fitInSquare(stageSize(**movie), options->side);
    const QImage image = findThumbnailFrame(
        player, size, ThumbnailLimits{100, [&deadline] { return deadline.hasExpired(); }});
    return savePicture(image, size, options->input, options->output, replaceFileBytes);
}

} // namespace swftool
