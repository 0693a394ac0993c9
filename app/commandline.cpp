#include "app/commandline.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

constexpr char kCallerDirectory[] = "--caller-directory=";

CommandLine::Request informationOption(const QByteArray &arg)
{
    if (arg == "-h" || arg == "--help")
        return CommandLine::Request::Usage;
    if (arg == "-v" || arg == "--version")
        return CommandLine::Request::Version;
    return CommandLine::Request::Run;
}

} // namespace

CommandLine CommandLine::parse(const QByteArrayList &arguments, const QByteArray &workingDirectory)
{
    CommandLine line;
    QByteArray base = workingDirectory;
    QByteArrayList names;
    bool optionsEnded = false;
    for (const QByteArray &arg : arguments) {
        if (optionsEnded || !arg.startsWith('-') || arg == "-") {
            names.append(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg.startsWith(kCallerDirectory)) {
            const QByteArray directory = arg.mid(qsizetype(sizeof kCallerDirectory) - 1);
            // Only an absolute directory can stand in for the working one.
            if (directory.startsWith('/'))
                base = directory;
        } else if (const Request request = informationOption(arg); request != Request::Run) {
            line.m_request = request;
            return line;
        } else {
            line.m_request = Request::Mistake;
            line.m_problem = QStringLiteral("未知的选项 %1").arg(QString::fromLocal8Bit(arg));
            return line;
        }
    }
    for (const QByteArray &name : names) {
        if (!name.isEmpty())
            line.m_files.append(absolutePath(name, base));
    }
    return line;
}

CommandLine::Request CommandLine::informationRequest(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--")
            break;
        if (const Request request = informationOption(arg); request != Request::Run)
            return request;
    }
    return Request::Run;
}

QString CommandLine::usage()
{
    return QStringLiteral("用法: orvanto [文件...]\n"
                          "播放 SWF (Flash) 动画。指定的文件加到播放列表末尾, 并立即播放第一个;\n"
                          "播放器已在运行时, 文件交给正在运行的播放器。\n"
                          "\n"
                          "  -h, --help                 显示本帮助\n"
                          "  -v, --version              显示版本\n"
                          "  --caller-directory=目录    相对文件名从该目录算起 (启动器使用)\n");
}

QString CommandLine::version()
{
    return QStringLiteral("Orvanto 1.0\n");
}

QByteArray absolutePath(const QByteArray &path, const QByteArray &base)
{
    const QByteArray joined = path.startsWith('/') ? path : base + '/' + path;
    QByteArrayList parts;
    for (const QByteArray &part : joined.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

QByteArray workingDirectory()
{
    // getcwd with a null buffer allocates one of the size the path needs.
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? QByteArray(cwd.get()) : QByteArray();
}
