#include "command.h"
#include "stagepicture.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swftool {

int runCompare(const Arguments &args);   // comparecommand.cpp
int runAudio(const Arguments &args);     // audiocommand.cpp
int runSounds(const Arguments &args);    // soundscommand.cpp
int runThumbnail(const Arguments &args); // thumbnailcommand.cpp

const QList<Command> &commands()
{
    static const QList<Command> list = {
        {"info", "FILE", runInfo},
        {"render", "FILE -o OUT.png [--frames N] [--size WxH]", runRender},
        {"decompress", "FILE -o OUT.swf", runDecompress},
        {"compare", "DIR [--diff OUTDIR] [--only NAME]", runCompare},
        {"audio", "FILE -o OUT.raw [--frames N]", runAudio},
        {"sounds", "FILE -o DIR [--frames N]", runSounds},
        {"thumbnail", "FILE OUT.png [--size N]", runThumbnail},
    };
    return list;
}

void reportFileError(const QByteArray &file, const QString &problem)
{
    QByteArray line = "orvanto-swf: " + file + ": " + problem.toUtf8() + "\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void reportError(const QString &problem)
{
    const QByteArray line = "orvanto-swf: " + problem.toUtf8() + "\n";
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

void writeStdout(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

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

std::optional<swf::MoviePtr> openMovie(const QByteArray &file)
{
    auto movie = swf::loadMovieFile(file);
    if (!movie) {
        reportFileError(file, movie.error().toString());
        return std::nullopt;
    }
    return *movie;
}

int savePicture(const QImage &image, QSize size, const QByteArray &movie, const QByteArray &output,
                FileWriter write)
{
    if (image.isNull()) {
        reportFileError(
            movie,
            QStringLiteral("no memory for a %1x%2 picture").arg(size.width()).arg(size.height()));
        return 1;
    }
    QString problem;
    const auto png = encodePng(image, &problem);
    if (!png || !write(output, *png, &problem)) {
        reportFileError(output, problem);
        return 1;
    }
    return 0;
}

} // namespace swftool
