#include "ui/aboutcommands.h"

#include "res/resource.h"

#include <QAction>
#include <QMenu>

namespace AboutCommands {

QAction *addSystemMenuEntry(QMenu *windowMenu, const StringLoader &loadString)
{
    if (!windowMenu || !loadString)
        return nullptr;
    const QString text = loadString(Res::IDS_ABOUTBOX);
    if (text.isEmpty())
        return nullptr;
    windowMenu->addSeparator();
    QAction *entry = windowMenu->addAction(text);
    entry->setData(Res::IDM_ABOUTBOX);
    return entry;
}

int commandOf(const QAction *action)
{
    return action ? action->data().toInt() : 0;
}

bool opensAboutBox(int command)
{
    return (command & ~0xF) == Res::IDM_ABOUTBOX;
}

void systemCommand(int command, const AboutCommandHandlers &handlers)
{
    if (opensAboutBox(command)) {
        if (handlers.runAboutBox)
            handlers.runAboutBox();
    } else if (handlers.standardSystemCommand) {
        handlers.standardSystemCommand(command);
    }
}

void aboutButton(const AboutCommandHandlers &handlers)
{
    if (handlers.runAboutBox)
        handlers.runAboutBox();
    if (handlers.redrawVolumeBar)
        handlers.redrawVolumeBar();
}

} // namespace AboutCommands
