// The commands that fill the playlist: open files (button 1018 and the
// playlist window's entry 32772) and add a folder (entry 32771). Both
// replace the whole playlist, refill the playlist window's list box, start
// the first new entry and save the list file.
#include "player/playerwindow.h"

void PlayerWindow::OpenFiles()
{
    // Runs services().chooseMovieFiles; completed with the commands that
    // fill the playlist.
}

void PlayerWindow::AddFolder()
{
    // Runs services().folderBrowserFactory and the file finder from
    // lastFolder; completed with the commands that fill the playlist.
}
