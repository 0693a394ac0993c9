#include "swf/io/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swf {

namespace {

Error ioError(const char *what)
{
    return Error{ErrorCode::Io, -1, -1,
                 QStringLiteral("%1: %2").arg(QLatin1String(what),
                                              QString::fromLocal8Bit(std::strerror(errno)))};
}

FileStamp stampOf(const struct stat &st)
{
    return FileStamp{qint64(st.st_size),
                     qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

Result<FileStamp> statFile(const QByteArray &path)
{
    struct stat st {};
    if (path.isEmpty())
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("no file name given")};
    if (::stat(path.constData(), &st) != 0)
        return ioError("cannot open");
    if (S_ISDIR(st.st_mode))
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("is a directory")};
    if (!S_ISREG(st.st_mode))
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("not a regular file")};
    return stampOf(st);
}

Result<FileBytes> readFile(const QByteArray &path, qint64 cap)
{
    if (path.isEmpty())
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("no file name given")};
    // Non-blocking, so that a FIFO without a writer cannot hold us up; only
    // regular files are read.
    Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return ioError("cannot open");
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return ioError("cannot read");
    if (S_ISDIR(st.st_mode))
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("is a directory")};
    if (!S_ISREG(st.st_mode))
        return Error{ErrorCode::Io, -1, -1, QStringLiteral("not a regular file")};
    FileBytes file;
    file.stamp = stampOf(st);
    const qint64 want = qMin<qint64>(st.st_size, cap);
    file.bytes.resize(want);
    qint64 got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd.get(), file.bytes.data() + got, size_t(want - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ioError("cannot read");
        }
        if (n == 0)
            break; // the file shrank while being read
        got += n;
    }
    file.bytes.truncate(got);
    return file;
}

} // namespace swf
