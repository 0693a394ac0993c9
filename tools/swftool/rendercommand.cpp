// orvanto-swf render FILE -o OUT.png [--frames N] [--size WxH]: runs N
// frames (after one, the stage shows the first frame) and writes the stage
// as a PNG, at the movie's own size or show-all into WxH.
#include "command.h"
#include "stagepicture.h"

#include "swf/limits.h"
#include "swf/render/renderer.h"

#include <optional>

namespace swftool {

namespace {

struct RenderOptions {
    QByteArray input;
    QByteArray output;
    int frames = 1;
    std::optional<QSize> size;
};

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

// Accepts "--frames N" and "--frames=N" alike.
std::optional<RenderOptions> parseOptions(const Arguments &args, QString *problem)
{
    RenderOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QByteArray arg = args[i];
        QByteArray value;
        const qsizetype eq = arg.indexOf('=');
        if (arg.startsWith("--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if ((arg == "-o" || arg == "--frames" || arg == "--size") && i + 1 < args.size()) {
            value = args[++i];
        } else if (arg == "-o" || arg == "--frames" || arg == "--size") {
            *problem = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg));
            return std::nullopt;
        }
        if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--frames") {
            const auto frames = positive(value, 1000000);
            if (!frames) {
                *problem = QStringLiteral("--frames needs a whole number from 1");
                return std::nullopt;
            }
            options.frames = *frames;
        } else if (arg == "--size") {
            options.size = parseSize(value);
            if (!options.size) {
                *problem = QStringLiteral("--size needs WIDTHxHEIGHT in pixels");
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
        *problem =
            QStringLiteral("usage: orvanto-swf render FILE -o OUT.png [--frames N] [--size WxH]");
        return std::nullopt;
    }
    return options;
}

} // namespace

int runRender(const Arguments &args)
{
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
    for (int i = 1; i < options->frames; ++i)
        player.step();
    swf::Renderer renderer;
    const QSize size = options->size.value_or(stageSize(**movie));
    const QImage image = renderStage(renderer, player, size);
    return savePicture(image, size, options->input, options->output, writeFileBytes);
}

} // namespace swftool
