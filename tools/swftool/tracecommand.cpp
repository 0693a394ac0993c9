// orvanto-swf trace FILE [--frames N] [--timeout S]: runs the movie
// headless, its first frame and then N frame steps (10 by default, as the
// Flash Player's reference logs were taken), and prints what trace()
// printed, one line each. A movie that asks to quit (fscommand "quit")
// stops there, as a standalone player would.
//
// orvanto-swf compare-trace DIR [--only NAME] [--frames N] [--actual OUT]:
// the same for every NAME.swf of DIR that has a NAME.swf.trace, compared
// exactly; one line a movie, then passes by name prefix and in all. With
// --actual, what each failing movie printed is written to OUT/NAME.swf.trace
// for a diff against the reference.
#include "command.h"
#include "scriptedplayer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <map>

namespace swftool {

namespace {

constexpr int kDefaultSteps = 10;
// A runaway script in a batch of reference movies gets this long.
constexpr qint64 kCompareTimeoutMs = 2000;

struct TraceOptions {
    QByteArray input;
    int steps = kDefaultSteps;
    qint64 timeoutMs = ToolScriptServices::kDefaultTimeoutMs;
    QString only;
    QString actualDir;
};

std::optional<TraceOptions> parseOptions(const Arguments &args, const char *usage, QString *problem)
{
    TraceOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QByteArray &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (arg == "--frames" && hasValue) {
            options.steps = args[++i].toInt(&ok);
            ok = ok && options.steps >= 0 && options.steps <= 100000;
        } else if (arg == "--timeout" && hasValue) {
            const double seconds = args[++i].toDouble(&ok);
            ok = ok && seconds > 0 && seconds <= 600;
            options.timeoutMs = qint64(seconds * 1000);
        } else if (arg == "--actual" && hasValue) {
            options.actualDir = QString::fromLocal8Bit(args[++i]);
        } else if (arg == "--only" && hasValue) {
            options.only = QString::fromLocal8Bit(args[++i]);
        } else if (options.input.isEmpty() && !arg.startsWith("--")) {
            options.input = arg;
        } else {
            ok = false;
        }
        if (!ok) {
            *problem = QStringLiteral("usage: orvanto-swf %1").arg(QLatin1String(usage));
            return std::nullopt;
        }
    }
    if (options.input.isEmpty()) {
        *problem = QStringLiteral("usage: orvanto-swf %1").arg(QLatin1String(usage));
        return std::nullopt;
    }
    return options;
}

// What trace() printed over the first frame and `steps` frame steps.
QByteArray traceOf(const swf::MoviePtr &movie, int steps, qint64 timeoutMs)
{
    auto services = std::make_shared<ToolScriptServices>(timeoutMs);
    QByteArray out;
    services->onTrace = [&out](const QString &line) { out += line.toUtf8() + '\n'; };
    auto player = makePlayer(movie, nullptr, services);
    player->play();
    for (int i = 0; i < steps && !services->quitRequested(); ++i)
        player->step();
    return out;
}

QString prefixOf(const QString &name)
{
    const int cut = int(name.indexOf(QRegularExpression(QStringLiteral("[-_.]"))));
    return cut > 0 ? name.left(cut) : name;
}

} // namespace

int runTrace(const Arguments &args)
{
    QString problem;
    const auto options = parseOptions(args, "trace FILE [--frames N] [--timeout S]", &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    const auto movie = openMovie(options->input);
    if (!movie)
        return 1;
    writeStdout(traceOf(*movie, options->steps, options->timeoutMs));
    return 0;
}

int runCompareTrace(const Arguments &args)
{
    QString problem;
    auto options =
        parseOptions(args, "compare-trace DIR [--only NAME] [--frames N] [--actual OUT]", &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(options->input));
    const QStringList names = dir.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
    std::map<QString, std::pair<int, int>> byPrefix; // passed, tried
    int passed = 0;
    int tried = 0;
    for (const QString &name : names) {
        if (!options->only.isEmpty() && name != options->only)
            continue;
        QFile expectedFile(dir.filePath(name + QStringLiteral(".trace")));
        if (!expectedFile.open(QIODevice::ReadOnly))
            continue;
        const QByteArray expected = expectedFile.readAll();
        const auto movie = swf::loadMovieFile(QFile::encodeName(dir.filePath(name)));
        const QByteArray actual =
            movie ? traceOf(*movie, options->steps, kCompareTimeoutMs) : QByteArray();
        const bool pass = movie && actual == expected;
        auto &counts = byPrefix[prefixOf(name)];
        counts.second += 1;
        counts.first += pass;
        ++tried;
        passed += pass;
        writeStdout((pass ? "pass " : "fail ") + name.toUtf8() + '\n');
        if (!pass && !options->actualDir.isEmpty()) {
            QFile out(QDir(options->actualDir).filePath(name + QStringLiteral(".trace")));
            if (!out.open(QIODevice::WriteOnly) || out.write(actual) != actual.size())
                reportError(QStringLiteral("cannot write %1").arg(out.fileName()));
        }
    }
    for (const auto &[prefix, counts] : byPrefix)
        writeStdout(QStringLiteral("prefix %1 passed %2 of %3\n")
                        .arg(prefix)
                        .arg(counts.first)
                        .arg(counts.second)
                        .toUtf8());
    writeStdout(QStringLiteral("passed %1 of %2\n").arg(passed).arg(tried).toUtf8());
    return 0;
}

} // namespace swftool
