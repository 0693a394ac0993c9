// Running one movie of the ActionScript 3 corpus and reading what the
// Flash Player printed for it.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace avm2test {

// The trace lines a movie prints in `frames` frames, with uncaught errors
// as the player prints them; the clock is the machine's own.
QStringList runMovie(const QString &path, int frames, int timeoutSeconds);
// The expected lines of NAME.swf (NAME.swf.trace), without a final empty line.
QStringList expectedTrace(const QString &swfPath);
// frames.tsv: movie name -> frames to run.
QHash<QString, int> readFrames(const QString &corpusDir);
// The part of a corpus name that groups it ("ecma3" for
// ecma3-Date-..., "Vector" for as3-Vector-...).
QString prefixOf(const QString &name);

} // namespace avm2test
