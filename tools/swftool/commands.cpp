#include "command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace swftool {

int runCompare(const Arguments &args); // comparecommand.cpp
int runAudio(const Arguments &args);   // audiocommand.cpp
int runSounds(const Arguments &args);  // soundscommand.cpp

const QList<Command> &commands()
{
    static const QList<Command> list = {
        {"info", "FILE", runInfo},
        {"render", "FILE -o OUT.png [--frames N] [--size WxH]", runRender},
        {"decompress", "FILE -o OUT.swf", runDecompress},
        {"compare", "DIR [--diff OUTDIR] [--only NAME]", runCompare},
        {"audio", "FILE -o OUT.raw [--frames N]", runAudio},
        {"sounds", "FILE -o DIR [--frames N]", runSounds},
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
