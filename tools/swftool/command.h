// orvanto-swf's subcommands. Each lives in its own file and is listed once
// in commands.cpp; a new one (compare, audio, sounds) adds a file and a line.
#pragma once

#include "filebytes.h"

#include "swf/movieloader.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
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

// A whole number from 1 to `max`; a size "WxH" of such numbers up to the
// renderer's largest picture.
std::optional<int> positive(const QByteArray &text, int max);
std::optional<QSize> parseSize(const QByteArray &text);

// One line on stderr, "orvanto-swf: FILE: problem" (FILE byte for byte).
void reportFileError(const QByteArray &file, const QString &problem);
void reportError(const QString &problem);
void writeStdout(const QByteArray &bytes);
// Loads the movie `file`; nothing, once the reason has been reported.
std::optional<swf::MoviePtr> openMovie(const QByteArray &file);
using FileWriter = bool (*)(const QByteArray &path, const QByteArray &bytes, QString *problem);
// Writes the picture of `movie` as a PNG to `output` with `write`; the exit
// status, once a null `image` (no memory for `size`) or a failure has been
// reported.
int savePicture(const QImage &image, QSize size, const QByteArray &movie, const QByteArray &output,
                FileWriter write);

} // namespace swftool
