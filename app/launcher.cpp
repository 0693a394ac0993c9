// orvanto, as installed: the small launcher in front of the player. The
// player reads its start-up movie and skin from, and keeps its list file
// in, the folder it starts in; installed, that folder is the user's own
// start-up directory under $XDG_DATA_HOME/orvanto/, made ready here. The
// launcher enters it and starts the player with the arguments it was
// given, telling it where relative file names were meant from.
//
// ORVANTO_INSTALLED_DATA and ORVANTO_INSTALLED_PLAYER are the installed
// data folder and player, relative to the launcher's own folder, so the
// installed tree can move as a whole.
#include "app/commandline.h"
#include "app/startupfolder.h"

#include <QByteArray>
#include <QByteArrayList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

QByteArray ownFolder()
{
    const std::unique_ptr<char, decltype(&std::free)> self(::realpath("/proc/self/exe", nullptr),
                                                           &std::free);
    if (!self)
        return {};
    const QByteArray path(self.get());
    return path.left(path.lastIndexOf('/'));
}

void complain(const QString &problem)
{
    const QByteArray line = "orvanto: " + problem.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray own = ownFolder();
    if (own.isEmpty()) {
        complain(QStringLiteral("找不到启动器自身的位置"));
        return 1;
    }
    const QByteArray installed = absolutePath(ORVANTO_INSTALLED_DATA, own);
    const QByteArray player = absolutePath(ORVANTO_INSTALLED_PLAYER, own);
    const QByteArray caller = workingDirectory();

    QByteArray folder = StartUpFolder::userFolder(qgetenv("XDG_DATA_HOME"), qgetenv("HOME"));
    if (const auto problem = StartUpFolder::prepare(folder, installed)) {
        // Still play: from the installed folder, where the list file cannot
        // be kept, which the player then reports.
        complain(*problem);
        folder = installed;
    }
    if (::chdir(folder.constData()) != 0) {
        complain(
            QStringLiteral("无法进入 %1: %2")
                .arg(QString::fromLocal8Bit(folder), QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }

    QByteArrayList arguments = {player};
    if (!caller.isEmpty())
        arguments.append("--caller-directory=" + caller);
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    std::vector<char *> pointers;
    for (QByteArray &argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    ::execv(player.constData(), pointers.data());
    complain(
        QStringLiteral("无法启动 %1: %2")
            .arg(QString::fromLocal8Bit(player), QString::fromLocal8Bit(std::strerror(errno))));
    return 127;
}
