// The program's entry: the application object with the real services of the
// player window.
#include "app/application.h"
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

} // namespace

int main(int argc, char *argv[])
{
    // Docking places the playlist window in screen coordinates, which a
    // Wayland session does not allow a client; XWayland does.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    Application application(argc, argv);
    return application.RunPlayer(productionServices());
}
