// Writing test inputs by their byte path, so names that are not valid
// UTF-8 can be written as they are.
#pragma once

#include <QByteArray>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

inline bool writeBytes(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return ok;
}

// The mode of `path` itself (a link is not followed); 0 when there is none.
inline mode_t fileMode(const QByteArray &path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 ? info.st_mode : 0;
}
