#include "playlist/listfile.h"

#include "playlist/log.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor that closes itself.
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
    // Closes now and reports the error close() gave, 0 when none.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

// Reads the whole file, up to `limit` bytes; errno on failure. `tooLarge`
// is set when there was more.
int readAll(int fd, qint64 limit, QByteArray &data, bool &tooLarge)
{
    constexpr qsizetype ChunkSize = 64 * 1024;
    tooLarge = false;
    data.clear();
    for (;;) {
        const qsizetype used = data.size();
        data.resize(used + ChunkSize);
        const ssize_t got = ::read(fd, data.data() + used, ChunkSize);
        if (got < 0) {
            if (errno == EINTR) {
                data.resize(used);
                continue;
            }
            return errno;
        }
        data.resize(used + got);
        if (got == 0)
            return 0;
        if (data.size() > limit) {
            tooLarge = true;
            return 0;
        }
    }
}

int writeAll(int fd, const QByteArray &data)
{
    const char *next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += written;
        left -= written;
    }
    return 0;
}

// The file that a write replaces: the list file itself, or the file a
// symbolic link in its place points to, so the link stays a link.
QByteArray replacedFile(const QByteArray &path)
{
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return path;
    const std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.constData(), nullptr),
                                                             &std::free);
    return target ? QByteArray(target.get()) : path;
}

QByteArray directoryOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Creates a new temporary file beside `target`, named after it and hidden.
// The mode follows the file it will replace, or the umask for a new one.
int createTemporary(const QByteArray &target, QByteArray &name, int &error)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray base = target.mid(slash + 1);
    const QByteArray dir = target.left(slash + 1);
    struct stat existing {};
    const bool replaces = ::stat(target.constData(), &existing) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name =
            dir + '.' + base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces)
                ::fchmod(fd, existing.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) {
            error = errno;
            return -1;
        }
    }
    error = EEXIST;
    return -1;
}

} // namespace

std::optional<FileError> ListFile::read(QByteArrayList &entries) const
{
    Descriptor fd(::open(m_path.constData(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return FileError::fromErrno(errno, m_path);
    QByteArray data;
    bool tooLarge = false;
    if (const int error = readAll(fd.get(), MaxFileSize, data, tooLarge))
        return FileError::fromErrno(error, m_path);
    if (tooLarge) {
        qCWarning(lcPlaylist) << "list file larger than" << MaxFileSize << "bytes:" << m_path;
        return FileError{FileError::Cause::Generic, m_path};
    }
    bool truncated = false;
    QByteArrayList lines = parse(data, MaxEntries, &truncated);
    if (truncated) {
        qCWarning(lcPlaylist) << "list file with more than" << MaxEntries << "entries:" << m_path;
        return FileError{FileError::Cause::Generic, m_path};
    }
    entries = std::move(lines);
    return std::nullopt;
}

std::optional<FileError> ListFile::write(const QByteArrayList &entries) const
{
    const QByteArray target = replacedFile(m_path);
    QByteArray temporary;
    int error = 0;
    Descriptor fd(createTemporary(target, temporary, error));
    if (fd.get() < 0)
        return FileError::fromErrno(error, m_path);

    error = writeAll(fd.get(), format(entries));
    if (error == 0 && ::fsync(fd.get()) != 0)
        error = errno;
    if (const int closeError = fd.close(); error == 0)
        error = closeError;
    if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        return FileError::fromErrno(error, m_path);
    }

    // Make the rename itself durable; a failure here loses nothing that was
    // there before, so it is only logged.
    Descriptor dir(::open(directoryOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::fsync(dir.get()) != 0)
        qCWarning(lcPlaylist) << "could not flush the folder of" << target << ::strerror(errno);
    return std::nullopt;
}

QByteArrayList ListFile::parse(QByteArrayView bytes, qsizetype maxEntries, bool *truncated)
{
    QByteArrayList entries;
    if (truncated)
        *truncated = false;
    const char *const begin = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        if (entries.size() >= maxEntries) {
            if (truncated)
                *truncated = true;
            break;
        }
        qsizetype end = at;
        while (end < size && begin[end] != '\n' && begin[end] != '\r')
            ++end;
        QByteArray line(begin + at, end - at);
        at = end + 1;
        if (end < size && begin[end] == '\r' && at < size) {
            // The byte after a carriage return is consumed with it.
            if (begin[at] != '\n')
                line += begin[at];
            ++at;
        }
        entries.append(std::move(line));
    }
    return entries;
}

QByteArray ListFile::format(const QByteArrayList &entries)
{
    qsizetype size = 0;
    for (const QByteArray &entry : entries)
        size += entry.size() + 2;
    QByteArray data;
    data.reserve(size);
    for (const QByteArray &entry : entries) {
        data += entry;
        data += "\r\n";
    }
    return data;
}
