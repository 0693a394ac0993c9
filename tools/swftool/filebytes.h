// Writing a whole file named by a byte-string path, so names that are not
// valid UTF-8 reach the file system as they are.
#pragma once

#include <QByteArray>
#include <QString>

namespace swftool {

bool writeFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem);
// Writes a temporary file beside `path` and renames it over `path`, so
// `path` is replaced whole or left as it was, and nothing is written
// through a link that `path` may be.
bool replaceFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem);

} // namespace swftool
