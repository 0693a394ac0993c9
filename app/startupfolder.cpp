#include "app/startupfolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace StartUpFolder {

namespace {

QString failure(const char *what, const QByteArray &path)
{
    return QStringLiteral("%1 %2: %3")
        .arg(QString::fromUtf8(what), QString::fromLocal8Bit(path),
             QString::fromLocal8Bit(std::strerror(errno)));
}

// Makes `path` and its missing parents with mode 0700; true when `path`
// itself was made here.
std::optional<bool> makeFolders(const QByteArray &path, QString *problem)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        const QByteArray parent = path.left(slash);
        if (::mkdir(parent.constData(), 0700) != 0 && errno != EEXIST) {
            *problem = failure("无法创建文件夹", parent);
            return std::nullopt;
        }
    }
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    struct stat info = {};
    if (errno != EEXIST || ::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        *problem = failure("无法创建文件夹", path);
        return std::nullopt;
    }
    return false;
}

bool leadsNowhere(const QByteArray &path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode) &&
           ::stat(path.constData(), &info) != 0;
}

bool missing(const QByteArray &path)
{
    struct stat info = {};
    return ::lstat(path.constData(), &info) != 0 && errno == ENOENT;
}

} // namespace

QByteArray userFolder(const QByteArray &dataHome, const QByteArray &home)
{
    if (dataHome.startsWith('/'))
        return dataHome + "/orvanto";
    if (home.startsWith('/'))
        return home + "/.local/share/orvanto";
    return {};
}

std::optional<QString> prepare(const QByteArray &folder, const QByteArray &installed)
{
    if (!folder.startsWith('/'))
        return QStringLiteral("没有可用的个人数据文件夹 (XDG_DATA_HOME 或 HOME)");
    QString problem;
    const auto made = makeFolders(folder, &problem);
    if (!made)
        return problem;
    if (*made) {
        const QByteArray list = folder + '/' + kListFileName;
        const int fd = ::open(list.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return failure("无法创建", list);
        ::close(fd);
    }
    for (const char *name : kLinkedNames) {
        const QByteArray link = folder + '/' + name;
        const QByteArray target = installed + '/' + name;
        if (missing(target))
            continue;
        if (leadsNowhere(link))
            ::unlink(link.constData());
        if (missing(link) && ::symlink(target.constData(), link.constData()) != 0 &&
            errno != EEXIST)
            return failure("无法链接", link);
    }
    return std::nullopt;
}

} // namespace StartUpFolder
