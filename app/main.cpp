#include "app/application.h"
#include "player/errorreporter.h"

#ifdef ORVANTO_HAVE_SWF_MOVIE_WIDGET
#include "player/swfmoviewidget.h"
#endif

#include <memory>

int main(int argc, char *argv[])
{
    // Docking places the playlist window in screen coordinates, which a
    // Wayland session does not allow a client; XWayland does.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    Application application(argc, argv);

    PlayerServices services;
#ifdef ORVANTO_HAVE_SWF_MOVIE_WIDGET
    services.movieControlFactory = swfMovieControlFactory();
#endif
    services.errorReporter = std::make_shared<MessageBoxErrorReporter>();
    return application.RunPlayer(std::move(services));
}
