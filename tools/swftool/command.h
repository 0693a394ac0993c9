// orvanto-swf's subcommands. Each lives in its own file and is listed once
// in commands.cpp; a new one (compare, audio, sounds) adds a file and a line.
#pragma once

#include "filebytes.h"

#include <QByteArray>
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

} // namespace swftool
