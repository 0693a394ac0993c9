#include "filebytes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swftool {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Writes all of `bytes` to `fd` and closes it.
bool writeAndClose(int fd, const QByteArray &bytes, QString *problem)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *problem = lastError();
            ::close(fd);
            return false;
        }
        done += n;
    }
    if (::close(fd) != 0) {
        *problem = lastError();
        return false;
    }
    return true;
}

} // namespace

bool writeFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *problem = lastError();
        return false;
    }
    return writeAndClose(fd, bytes, problem);
}

bool replaceFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem)
{
    QByteArray temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *problem = lastError();
        return false;
    }
    // mkostemp makes the file private; give it the mode a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0644 & ~mask) != 0) {
        *problem = lastError();
        ::close(fd);
        ::unlink(temporary.constData());
        return false;
    }
    if (!writeAndClose(fd, bytes, problem)) {
        ::unlink(temporary.constData());
        return false;
    }
    if (::rename(temporary.constData(), path.constData()) != 0) {
        *problem = lastError();
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

} // namespace swftool
