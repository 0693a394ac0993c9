// Running orvanto-swf from a test, and reading a corpus pass list; for the
// tests whose target defines ORVANTO_SWF_TOOL.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>

// One run of orvanto-swf COMMAND ARGS: its exit code (-1 when it did not
// finish within ten minutes) and what it printed.
struct ToolRun {
    int exitCode = -1;
    QString out;
};

inline ToolRun runTool(const QString &command, const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), QStringList{command} + args);
    if (!process.waitForFinished(600000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

// The names of a pass list, one a line, '#' starting a comment.
inline QStringList readNameList(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList names;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty() && !name.startsWith(QLatin1Char('#')))
            names.append(name);
    }
    return names;
}
