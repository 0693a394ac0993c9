#include "app/application.h"

#include "app/instancechannel.h"
#include "player/playerwindow.h"

#include <QPalette>

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Orvanto"));
    setApplicationVersion(QStringLiteral("1.0"));
    // Ties the windows to orvanto.desktop: its icon and name in task bars.
    setDesktopFileName(QStringLiteral("orvanto"));
    SetDialogColours();
}

void Application::SetDialogColours()
{
    // Making the style resets the palettes of widget classes; make it first.
    style();
    QPalette palette = QApplication::palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Window, Qt::black);
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, Qt::white);
    // Every class derived from QDialog takes this palette, and its children
    // inherit it.
    QApplication::setPalette(palette, "QDialog");
}

int Application::RunPlayer(PlayerServices services, const QByteArrayList &namedFiles,
                           InstanceChannel *channel)
{
    PlayerWindow window(std::move(services), namedFiles);
    if (channel) {
        connect(channel, &InstanceChannel::filesReceived, &window,
                [&window](const QByteArrayList &files) {
                    if (!window.OpenNamedFiles(files))
                        return;
                    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
                    window.raise();
                    window.activateWindow();
                });
        channel->listen();
    }
    window.exec();
    return 0;
}
