#include "corpusrun.h"

#include "swf/avm2/runner.h"
#include "swf/movieloader.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace avm2test {

QStringList runMovie(const QString &path, int frames, int timeoutSeconds)
{
    QStringList lines;
    auto movie = swf::loadMovieFile(QFile::encodeName(path));
    if (!movie)
        return {QStringLiteral("<load failed: ") + movie.error().toString() + QLatin1Char('>')};
    swf::avm2::RunnerOptions options;
    options.trace = [&lines](const QString &line) {
        // A trace of several lines arrives as one; the log holds lines.
        lines.append(line.split(QLatin1Char('\n')));
    };
    options.timeoutSeconds = timeoutSeconds;
    // The corpus was recorded on a machine in the US Pacific time zone.
    options.timeZone = QTimeZone("America/Los_Angeles");
    swf::avm2::Runner runner(*movie, options);
    runner.runFrames(frames);
    return lines;
}

QStringList expectedTrace(const QString &swfPath)
{
    QFile f(swfPath + QStringLiteral(".trace"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QHash<QString, int> readFrames(const QString &corpusDir)
{
    QHash<QString, int> out;
    QFile f(corpusDir + QStringLiteral("/frames.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QStringList parts = in.readLine().split(QLatin1Char('\t'));
        if (parts.size() == 2)
            out.insert(parts[0], parts[1].toInt());
    }
    return out;
}

QString prefixOf(const QString &name)
{
    QString n = name;
    if (n.startsWith(QLatin1String("as3-")))
        n = n.mid(4);
    return n.section(QLatin1Char('-'), 0, 0);
}

} // namespace avm2test
