// orvanto-swf's subcommands. Each lives in its own file and is listed once
// in commands.cpp; a new one (compare, audio, sounds) adds a file and a line.
#pragma once

#include "swf/movieloader.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace swftool {

using Arguments = QList<QByteArray>;

struct Command {
    const char *name;
    const char *usage; // arguments after the command name
    int (*run)(const Arguments &args);
};

const QList<Command> &commands();

// infocommand.cpp, rendercommand.cpp, decompresscommand.cpp
int runInfo(const Arguments &args);
int runRender(const Arguments &args);
int runDecompress(const Arguments &args);

// One line on stderr, "orvanto-swf: FILE: problem" (FILE byte for byte).
void reportFileError(const QByteArray &file, const QString &problem);
void reportError(const QString &problem);
void writeStdout(const QByteArray &bytes);
// Writes a whole file named by a byte-string path.
bool writeFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem);
// Loads the movie `file`; nothing, once the reason has been reported.
std::optional<swf::MoviePtr> openMovie(const QByteArray &file);
using FileWriter = bool (*)(const QByteArray &path, const QByteArray &bytes, QString *problem);
// Writes the picture of `movie` as a PNG to `output` with `write`; the exit
// status, once a null `image` (no memory for `size`) or a failure has been
// reported.
int savePicture(const QImage &image, QSize size, const QByteArray &movie, const QByteArray &output,
                FileWriter write);
// Writes a temporary file beside `path` and renames it over `path`, so
// `path` is replaced whole or left as it was, and nothing is written
// through a link that `path` may be.
bool replaceFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem);

} // namespace swftool
