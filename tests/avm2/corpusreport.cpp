// Runs every movie of the ActionScript 3 corpus, each in a child process
// with a time limit, and prints how many pass exactly, by prefix.
//   avm2_corpus_report [--write-pass FILE] [--filter TEXT] [--show-failures]
// The child mode (--one PATH FRAMES) prints one movie's trace lines.
#include "corpusrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTextStream>

namespace {

int runOne(const QString &path, int frames)
{
    QTextStream out(stdout);
    for (const QString &line : avm2test::runMovie(path, frames, 5))
        out << line << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--one"))
        return runOne(args[2], args[3].toInt());
    const QString dir = QStringLiteral(ORVANTO_CORPUS_DIR "/as3");
    const QString writePass = args.indexOf(QStringLiteral("--write-pass")) > 0
                                  ? args.value(args.indexOf(QStringLiteral("--write-pass")) + 1) : QString();
    const QString filter = args.indexOf(QStringLiteral("--filter")) > 0
                               ? args.value(args.indexOf(QStringLiteral("--filter")) + 1) : QString();
    const bool showFailures = args.contains(QStringLiteral("--show-failures"));
    const auto frames = avm2test::readFrames(dir);
    QStringList names = QDir(dir).entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
    QMap<QString, QPair<int, int>> byPrefix;
    QStringList passing;
    QTextStream out(stdout);
    int crashes = 0, timeouts = 0;
    for (const QString &name : names) {
        if (!filter.isEmpty() && !name.contains(filter))
            continue;
        QProcess child;
        child.start(app.applicationFilePath(), {QStringLiteral("--one"), dir + QLatin1Char('/') + name,
                                                 QString::number(frames.value(name, 1))});
        bool finished = child.waitForFinished(20000);
        if (!finished) {
            child.kill();
            child.waitForFinished();
            ++timeouts;
        } else if (child.exitStatus() != QProcess::NormalExit) {
            ++crashes;
            out << "CRASH " << name << '\n';
        }
        QString got = QString::fromUtf8(child.readAllStandardOutput());
        QStringList lines = got.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        const QStringList expected = avm2test::expectedTrace(dir + QLatin1Char('/') + name);
        const bool pass = finished && lines == expected;
        auto &counts = byPrefix[avm2test::prefixOf(name)];
        counts.second++;
        if (pass) {
            counts.first++;
            passing << name;
        } else if (showFailures) {
            out << "FAIL " << name << '\n';
            for (qsizetype i = 0; i < qMax(lines.size(), expected.size()); ++i) {
                if (lines.value(i) != expected.value(i)) {
                    out << "  line " << i + 1 << "\n    want: " << expected.value(i) << "\n    got:  " << lines.value(i) << '\n';
                    break;
                }
            }
        }
    }
    int pass = 0, total = 0;
    for (auto it = byPrefix.constBegin(); it != byPrefix.constEnd(); ++it) {
        out << it.key() << ": " << it->first << " / " << it->second << '\n';
        pass += it->first;
        total += it->second;
    }
    out << "total: " << pass << " / " << total << " (crashes " << crashes << ", timeouts " << timeouts << ")\n";
    if (!writePass.isEmpty()) {
        QFile f(writePass);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write((passing.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    return 0;
}
