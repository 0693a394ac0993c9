#include "filebytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace swftool {

bool writeFileBytes(const QByteArray &path, const QByteArray &bytes, QString *problem)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *problem = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return false;
        }
        done += n;
    }
    if (::close(fd) != 0) {
        *problem = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace swftool
