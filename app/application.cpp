#include "app/application.h"

#include "player/playerwindow.h"

#include <QPalette>

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Orvanto"));
    setApplicationVersion(QStringLiteral("1.0"));
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

int Application::RunPlayer(PlayerServices services)
{
    PlayerWindow window(std::move(services));
    window.exec();
    return 0;
}
