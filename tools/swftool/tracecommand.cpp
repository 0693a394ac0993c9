// orvanto-swf trace FILE [--frames N] [--timeout S] [--saved-data DIR]:
// runs the movie headless, its first frame and then N frame steps (10 by
// default, as the Flash Player's reference logs were taken), and prints
// what trace() printed, one line each. A movie that asks to quit
// (fscommand "quit") stops there, as a standalone player would. With
// --saved-data, its SharedObjects are read from and written to DIR.
//
// orvanto-swf compare-trace DIR [--only NAME] [--list FILE] [--frames N]
// [--actual OUT]: the same for every NAME.swf of DIR that has a
// NAME.swf.trace (or only those FILE names, one a line), compared exactly;
// one line a movie, then passes by name prefix, the globals that failing
// movies asked for and did not find (built-ins still to come), and passes
// in all. With --actual, what each failing movie printed is written to
// OUT/NAME.swf.trace for a diff against the reference.
//
// Both run movies as the reference logs were taken: in UTC, with dates
// starting at the recording player's clock (2002-10-28 21:24:04 UTC).
#include "command.h"
#include "scriptedplayer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace swftool {

namespace {

// A line as the reference logs hold it: UTF-8, a lone surrogate written
// as the three bytes of its code unit.
QByteArray traceBytes(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

constexpr int kDefaultSteps = 10;
// Where the clock of the player that printed the reference logs stood.
constexpr qint64 kReferenceClockMs = 1035840244000;
// A runaway script in a batch of reference movies gets this long.
constexpr qint64 kCompareTimeoutMs = 2000;

struct TraceOptions {
    QByteArray input;
    int steps = kDefaultSteps;
    qint64 timeoutMs = ToolScriptServices::kDefaultTimeoutMs;
    QString only;
    QString savedData;
    QString actualDir;
    QString listFile;
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
        } else if (arg == "--saved-data" && hasValue) {
            options.savedData = QFileInfo(QString::fromLocal8Bit(args[++i])).absoluteFilePath();
        } else if (arg == "--actual" && hasValue) {
            options.actualDir = QString::fromLocal8Bit(args[++i]);
        } else if (arg == "--list" && hasValue) {
            options.listFile = QString::fromLocal8Bit(args[++i]);
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

struct TraceRun {
    QByteArray out;
    std::set<QString> unknownGlobals;
};

// What trace() printed over the first frame and `steps` frame steps of the
// movie at `path`; its saved data kept in `savedData`, or in memory.
TraceRun traceOf(const swf::MoviePtr &movie, const QString &path, int steps, qint64 timeoutMs,
                 const QString &savedData = QString())
{
    const QString url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    auto services = std::make_shared<ToolScriptServices>(timeoutMs, url);
    services->savedDataRoot = savedData;
    services->timeZoneOverride = QTimeZone::utc();
    services->clockStart = kReferenceClockMs;
    TraceRun run;
    services->onTrace = [&run](const QString &line) { run.out += traceBytes(line) + '\n'; };
    auto player = makePlayer(movie, nullptr, services);
    player->start();
    for (int i = 0; i < steps && !services->quitRequested(); ++i)
        player->step();
    run.unknownGlobals = services->unknownGlobals();
    return run;
}

// Names listed in `path`, one a line, '#' starting a comment.
std::optional<std::set<QString>> readList(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::set<QString> names;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty() && !name.startsWith(QLatin1Char('#')))
            names.insert(name);
    }
    return names;
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
    const auto options =
        parseOptions(args, "trace FILE [--frames N] [--timeout S] [--saved-data DIR]", &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    const auto movie = openMovie(options->input);
    if (!movie)
        return 1;
    writeStdout(traceOf(*movie, QString::fromLocal8Bit(options->input), options->steps,
                        options->timeoutMs, options->savedData)
                    .out);
    return 0;
}

int runCompareTrace(const Arguments &args)
{
    QString problem;
    auto options = parseOptions(
        args, "compare-trace DIR [--only NAME] [--list FILE] [--frames N] [--actual OUT]",
        &problem);
    if (!options) {
        reportError(problem);
        return 2;
    }
    std::optional<std::set<QString>> listed;
    if (!options->listFile.isEmpty()) {
        listed = readList(options->listFile);
        if (!listed) {
            reportError(QStringLiteral("cannot read %1").arg(options->listFile));
            return 1;
        }
    }
    const QDir dir(QString::fromLocal8Bit(options->input));
    const QStringList names = dir.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
    std::map<QString, std::pair<int, int>> byPrefix; // passed, tried
    int passed = 0;
    int tried = 0;
    int failedWithUnknown = 0;
    std::map<QString, int> unknownCounts; // failing movies by global not found
    for (const QString &name : names) {
        if (!options->only.isEmpty() && name != options->only)
            continue;
        if (listed && !listed->count(name))
            continue;
        QFile expectedFile(dir.filePath(name + QStringLiteral(".trace")));
        if (!expectedFile.open(QIODevice::ReadOnly))
            continue;
        const QByteArray expected = expectedFile.readAll();
        const auto movie = swf::loadMovieFile(QFile::encodeName(dir.filePath(name)));
        const TraceRun run =
            movie ? traceOf(*movie, dir.filePath(name), options->steps, kCompareTimeoutMs)
                  : TraceRun();
        const QByteArray &actual = run.out;
        const bool pass = movie && actual == expected;
        if (!pass) {
            failedWithUnknown += !run.unknownGlobals.empty();
            for (const QString &global : run.unknownGlobals)
                unknownCounts[global] += 1;
        }
        auto &counts = byPrefix[prefixOf(name)];
        counts.second += 1;
        counts.first += pass;
        ++tried;
        passed += pass;
        QByteArray line = (pass ? "pass " : "fail ") + name.toUtf8();
        if (!pass && !run.unknownGlobals.empty()) {
            QStringList asked(run.unknownGlobals.begin(), run.unknownGlobals.end());
            line += " (asks for " + asked.join(QStringLiteral(", ")).toUtf8() + ')';
        }
        writeStdout(line + '\n');
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
    // The globals most failing movies missed first.
    std::vector<std::pair<int, QString>> unknown;
    for (const auto &[global, count] : unknownCounts)
        unknown.emplace_back(-count, global);
    std::sort(unknown.begin(), unknown.end());
    writeStdout(QStringLiteral("failed %1 that asked for globals not built\n")
                    .arg(failedWithUnknown)
                    .toUtf8());
    for (const auto &[count, global] : unknown)
        writeStdout(QStringLiteral("unknown %1 in %2 failing\n").arg(global).arg(-count).toUtf8());
    writeStdout(QStringLiteral("passed %1 of %2\n").arg(passed).arg(tried).toUtf8());
    return 0;
}

} // namespace swftool
