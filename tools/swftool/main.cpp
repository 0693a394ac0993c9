// orvanto-swf: looks into SWF movies from the command line.
#include "command.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstdio>

namespace {

void printUsage()
{
    QByteArray text = "usage:\n";
    for (const swftool::Command &command : swftool::commands())
        text += QByteArray("  orvanto-swf ") + command.name + " " + command.usage + "\n";
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
}

} // namespace

int main(int argc, char **argv)
{
    // Text fields in device fonts need the font database, which lives in a
    // GUI application; the tool never opens a window, so any platform does.
    // The engine's and Qt's diagnostics are for developers (Qt warns about
    // the runtime folder, for one); the tool reports its errors itself, one
    // line each.
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    // A thumbnailer runs without a display, whatever platform the session
    // names.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        (argc > 1 && qstrcmp(argv[1], "thumbnail") == 0))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const QByteArray name = argv[1];
    swftool::Arguments args;
    for (int i = 2; i < argc; ++i)
        args.append(QByteArray(argv[i]));
    for (const swftool::Command &command : swftool::commands()) {
        if (name == command.name)
            return command.run(args);
    }
    swftool::reportError(
        QStringLiteral("unknown command \"%1\"").arg(QString::fromLocal8Bit(name)));
    printUsage();
    return 2;
}
