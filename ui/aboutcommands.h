// How the player window reaches the about box: the entry of its window menu
// (standing in for the system menu, which the window manager owns), the
// system-command routing, and the about button (1010).
#pragma once

#include <QString>

#include <functional>

class QAction;
class QMenu;

// What the player window does for each way of opening the about box.
struct AboutCommandHandlers {
    // Construct an about box, run it modally, discard it (AboutBox::run).
    std::function<void()> runAboutBox;
    // Invalidate the volume bar, background erased.
    std::function<void()> redrawVolumeBar;
    // The standard handling of any other system command (move, close, ...).
    std::function<void(int command)> standardSystemCommand;
};

namespace AboutCommands {

using StringLoader = std::function<QString(int id)>;

// Appends a separator and the entry "&About Orvanto..." (string 101 as
// `loadString` gives it) with command id 16 as the action's data. Adds
// nothing, not even the separator, without a menu or when the text is empty.
// Returns the entry, or null.
QAction *addSystemMenuEntry(QMenu *windowMenu, const StringLoader &loadString);

// The command id a window-menu action carries; 0 for none.
int commandOf(const QAction *action);

// System commands 16 to 31 (the low four bits are the system's own) open the
// about box.
bool opensAboutBox(int command);

// A system command: the about box for ids 16 to 31, the standard handling
// for every other id. The volume bar is not redrawn on this path.
void systemCommand(int command, const AboutCommandHandlers &handlers);

// Button 1010: the about box, then the volume bar is redrawn.
void aboutButton(const AboutCommandHandlers &handlers);

} // namespace AboutCommands
