// orvanto-swf export FILE -o OUT [--size WxH] [--from F] [--to F]
// [--fps R] [--loops N]: writes the movie as a video file, a GIF or, for a
// .png output, one frame; the extension picks the format. Progress goes
// to standard error. Ctrl-C stops the export and leaves a valid file of
// what was done; a second Ctrl-C leaves none.
#include "command.h"
#include "movieexport.h"

#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace swftool {

namespace {

constexpr const char *kUsage =
    "export FILE -o OUT.mp4|.webm|.gif|.png [--size WxH] [--from F] [--to F] [--fps R] "
    "[--loops N]";

// What the signal handler may touch: a flag and, for the second Ctrl-C,
// the name of the file to remove.
std::atomic<bool> g_stopRequested{false};
const char *g_outputPath = nullptr;

extern "C" void onInterrupt(int)
{
    if (g_stopRequested.exchange(true)) {
        if (g_outputPath)
            ::unlink(g_outputPath);
        ::_exit(130);
    }
}

// One option's value into `options`; the problem when it does not fit.
std::optional<QString> takeValue(const QByteArray &name, const QByteArray &value,
                                 ExportOptions &options)
{
    if (name == "-o" || name == "--output") {
        options.output = value;
    } else if (name == "--size") {
        options.size = parseSize(value);
        if (!options.size)
            return QStringLiteral("--size needs WIDTHxHEIGHT in pixels");
    } else if (name == "--from" || name == "--to" || name == "--loops") {
        const auto number = positive(value, 1 << 30);
        if (!number)
            return QStringLiteral("%1 needs a whole number from 1").arg(QLatin1String(name));
        (name == "--from" ? options.from
         : name == "--to" ? options.to.emplace()
                          : options.loops) = *number;
    } else if (name == "--fps") {
        bool ok = false;
        options.fps = value.toDouble(&ok);
        if (!ok || !std::isfinite(*options.fps))
            return QStringLiteral("--fps needs a number");
    }
    return std::nullopt;
}

// Accepts "--size WxH" and "--size=WxH" alike.
std::optional<ExportOptions> parseOptions(const Arguments &args, QByteArray *input,
                                          QString *problem)
{
    static const QList<QByteArray> valued = {"-o",   "--output", "--size", "--from",
                                             "--to", "--fps",    "--loops"};
    ExportOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QByteArray arg = args[i];
        QByteArray value;
        const qsizetype eq = arg.indexOf('=');
        if (arg.startsWith("--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (valued.contains(arg) && i + 1 < args.size()) {
            value = args[++i];
        } else if (valued.contains(arg)) {
            *problem = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg));
            return std::nullopt;
        }
        if (valued.contains(arg)) {
            if (auto error = takeValue(arg, value, options)) {
                *problem = *error;
                return std::nullopt;
            }
        } else if (input->isEmpty() && !arg.startsWith("--")) {
            *input = arg;
        } else {
            *problem = QStringLiteral("unexpected argument %1").arg(QString::fromLocal8Bit(arg));
            return std::nullopt;
        }
    }
    if (input->isEmpty() || options.output.isEmpty()) {
        *problem = QStringLiteral("usage: orvanto-swf %1").arg(QLatin1String(kUsage));
        return std::nullopt;
    }
    const auto format = exportFormatOf(options.output);
    if (!format) {
        *problem = QStringLiteral("the output's name must end in .mp4, .webm, .gif or .png");
        return std::nullopt;
    }
    options.format = *format;
    return options;
}

// "[#########           ]  120/300 frames, 3 s left" on one line of
// standard error, redrawn in place.
// A GIF's pictures are drawn twice (once for the palette); the bar counts
// the file's pictures, each pass taking its share.
class ProgressBar {
public:
    explicit ProgressBar(int pictures) : m_pictures(pictures) { m_clock.start(); }

    // Redraws at most ten times a second; false once Ctrl-C was pressed.
    bool update(int done, int total)
    {
        const qint64 now = m_clock.elapsed();
        if (done < total && m_shownAt >= 0 && now - m_shownAt < 100)
            return !g_stopRequested;
        m_shownAt = now;
        constexpr int width = 30;
        const int filled = total > 0 ? int(qint64(done) * width / total) : width;
        QByteArray line = "\r[" + QByteArray(filled, '#') + QByteArray(width - filled, ' ') + "] ";
        line += QByteArray::number(qint64(done) * m_pictures / qMax(1, total)) + '/' +
                QByteArray::number(m_pictures) + " frames";
        if (done > 0 && done < total) {
            const double left = double(now) / done * (total - done) / 1000.0;
            line += ", " + QByteArray::number(qint64(std::ceil(left))) + " s left ";
        } else if (done == total) {
            line += ", " + QByteArray::number(now / 1000.0, 'f', 1) + " s        \n";
        }
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        return !g_stopRequested;
    }

private:
    int m_pictures;
    QElapsedTimer m_clock;
    qint64 m_shownAt = -1;
};

} // namespace

int runExport(const Arguments &args)
{
    QByteArray input;
    QString problem;
    const auto options = parseOptions(args, &input, &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    auto movie = swf::loadMovieFile(input);
    if (!movie) {
        reportFileError(input, movie.error().toString());
        return 1;
    }
    auto job = MovieExport::prepare(*movie, *options);
    if (!job) {
        reportFileError(input, job.error().message);
        return 1;
    }
    g_outputPath = options->output.constData();
    std::signal(SIGINT, onInterrupt);
    ProgressBar bar(job->pictureCount());
    const auto outcome = job->run([&bar](int done, int total) { return bar.update(done, total); });
    std::signal(SIGINT, SIG_DFL);
    g_outputPath = nullptr;
    if (!outcome) {
        std::fputc('\n', stderr);
        reportFileError(options->output, outcome.error().message);
        return 1;
    }
    if (*outcome == MovieExport::Outcome::Stopped) {
        std::fputc('\n', stderr);
        reportFileError(options->output, QStringLiteral("export stopped"));
        return 130;
    }
    return 0;
}

} // namespace swftool
