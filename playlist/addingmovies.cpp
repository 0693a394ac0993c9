// The commands that fill the playlist: open files (button 1018 and the
// playlist window's entry 32772) and add a folder (entry 32771). Both
// replace the whole playlist, refill the playlist window's list box, start
// the first new entry and save the list file.
#include "player/playerwindow.h"

#include "fs/filefinder.h"
#include "fs/initialfolderbrowser.h"
#include "playlist/playlistwindow.h"
#include "res/resource.h"

#include <QGuiApplication>
#include <QListWidget>

#include <algorithm>

namespace {

// The wait cursor over the whole program while a folder tree is walked: the
// walk runs on the user-interface thread and can take a while.
class WaitCursor final {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(WaitCursor)
};

} // namespace

// The dialog takes any number of files: a selection is never refused for its
// length. Confirmed or cancelled, the volume bar is redrawn and the list
// file is written (a cancel rewrites the list as it is).
void PlayerWindow::OpenFiles()
{
    std::optional<QByteArrayList> chosen;
    if (m_services.chooseMovieFiles)
        chosen = m_services.chooseMovieFiles(this);
    if (chosen) {
        ReplacePlaylist(*chosen);
        if (count > 0)
            PlayEntry(0);
    }
    InvalidateVolumeBar();
    SaveList();
}

// A folder without movies, or one that cannot be entered, leaves the
// playlist empty and saves nothing, so the list file keeps the last list.
void PlayerWindow::AddFolder()
{
    InitialFolderBrowser browser(this, Res::IDS_BROWSE_TITLE, m_services.folderDialogShell.get());
    browser.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT);
    browser.SetInitialFolder(lastFolder);
    if (!browser.Browse())
        return;
    lastFolder = browser.GetPath();
    playlist.clear();
    ReplacePlaylist(FindMovies(lastFolder));
    if (count > 0) {
        PlayEntry(0);
        SaveList();
    }
}

// Every movie under `folder`, in the order the finder reports them. The
// finder leaves the working directory in the last folder it visited.
QByteArrayList PlayerWindow::FindMovies(const QByteArray &folder)
{
    std::unique_ptr<FileFinder> finder =
        m_services.fileFinderFactory ? m_services.fileFinderFactory() : nullptr;
    if (!finder)
        finder = std::make_unique<FileFinder>();
    finder->foundFiles.clear();
    const WaitCursor wait;
    if (finder->SetRoot(folder))
        finder->Search("*.swf");
    return finder->foundFiles;
}

// The playlist and the list box become `paths`, in their order.
void PlayerWindow::ReplacePlaylist(const QByteArrayList &paths)
{
    playlist = paths;
    if (m_playlistWindow)
        m_playlistWindow->listBox()->clear();
    count = static_cast<qint32>(std::min<qsizetype>(playlist.size(), INT32_MAX));
    if (m_playlistWindow)
        m_playlistWindow->AppendLines(playlist);
}
