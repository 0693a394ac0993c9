// The program's entry: the command line, the hand-over to a player already
// running, and the application object with the real services of the player
// window.
#include "app/application.h"
#include "app/commandline.h"
#include "app/instancechannel.h"
#include "fs/qtfolderdialogshell.h"
#include "fullscreen/fullscreenwindow.h"
#include "player/errorreporter.h"
#include "playlist/moviefiledialog.h"
#include "ui/aboutbox.h"
#include "ui/skin.h"
#include "ui/skinhost.h"
#include "volume/volumebar.h"

#ifdef ORVANTO_HAVE_SWF_MOVIE_WIDGET
#include "player/swfmoviewidget.h"
#endif

#include <cstdio>
#include <memory>

namespace {

PlayerServices productionServices()
{
    PlayerServices services;
#ifdef ORVANTO_HAVE_SWF_MOVIE_WIDGET
    services.movieControlFactory = swfMovieControlFactory();
#endif
    services.errorReporter = std::make_shared<MessageBoxErrorReporter>();

    // Control 1000 hosts the skin engine; the player window, the playlist
    // window and the about box are skinned, the full-screen window is not.
    services.skinHostFactory = [](QWidget *parent) { return new SkinHost(parent); };
    services.skinPlayerWindow = Skin::skinPlayerWindow;
    services.skinOwnWindow = Skin::skinOwnWindow;

    services.masterVolumeFactory = alsaVolumeControllerFactory();
    services.chooseMovieFiles = MovieFileDialog::choose;
    services.folderDialogShell = std::make_shared<QtFolderDialogShell>();
    // Made without the player window as its parent, so it is never skinned.
    services.fullScreenWindowFactory = [] { return std::make_unique<FullScreenWindow>(); };
    services.aboutBoxFactory = [](QWidget *owner) { return std::make_shared<AboutBox>(owner); };
    return services;
}

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

// Answers --help and --version before any display is needed.
bool answeredInformation(int argc, const char *const *argv)
{
    switch (CommandLine::informationRequest(argc, argv)) {
    case CommandLine::Request::Usage:
        print(stdout, CommandLine::usage());
        return true;
    case CommandLine::Request::Version:
        print(stdout, CommandLine::version());
        return true;
    default:
        return false;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (answeredInformation(argc, argv))
        return 0;

    // Docking places the playlist window in screen coordinates, which a
    // Wayland session does not allow a client; XWayland does.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    Application application(argc, argv);
    // Qt has taken its own options out of argv; the rest are ours, as bytes.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const CommandLine commandLine = CommandLine::parse(arguments, workingDirectory());
    if (commandLine.request() == CommandLine::Request::Mistake) {
        print(stderr,
              QStringLiteral("orvanto: %1\n").arg(commandLine.problem()) + CommandLine::usage());
        return 2;
    }
    InstanceChannel channel(InstanceChannel::runtimeFolder());
    if (!commandLine.files().isEmpty() && channel.handOver(commandLine.files()))
        return 0;
    return application.RunPlayer(productionServices(), commandLine.files(), &channel);
}
