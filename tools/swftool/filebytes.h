// Writing a whole file named by a byte-string path, so names that are not
// valid UTF-8 reach the file system as they are.
#pragma once

#include <QByteArray>
#include <QString>

namespace swftool {

bool writeFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem);

} // namespace swftool
