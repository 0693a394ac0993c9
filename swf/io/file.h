// Reading a movie file named by a byte-string path. The bytes reach open(2)
// unchanged, so names that are not valid UTF-8 still work.
#pragma once

#include "swf/error.h"

#include <QByteArray>

namespace swf {

struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    friend bool operator==(const FileStamp &, const FileStamp &) = default;
};

struct FileBytes {
    QByteArray bytes;
    FileStamp stamp;
};

// Size and modification time, or an error when the file cannot be reached.
Result<FileStamp> statFile(const QByteArray &path);

// The file's contents, at most `cap` bytes of them.
Result<FileBytes> readFile(const QByteArray &path, qint64 cap);

} // namespace swf
