// The playlist operations of the player window: playing an entry, stepping
// through the playlist, the list file, and the docked playlist window.
#include "player/playerwindow.h"

#include "player/moviecontrol.h"
#include "playlist/listfile.h"
#include "playlist/playlistwindow.h"

#include <QListWidget>

#include <algorithm>

namespace {

qint32 sizeOf(const QByteArrayList &playlist)
{
    return static_cast<qint32>(std::min<qsizetype>(playlist.size(), INT32_MAX));
}

} // namespace

// An index outside the playlist does nothing: the playlist window removes
// entries without moving currentIndex, so a step from it can point past the
// end.
void PlayerWindow::PlayEntry(int index)
{
    if (index < 0 || index >= playlist.size())
        return;
    currentPath = playlist.at(index);
    m_movie->SetMoviePath(currentPath);
    RefreshPathLine();
    currentIndex = index;
    ResetSeekBar(m_movie->GetFrameCount());
    m_movie->Play();
    SetPlayPauseCaption(PauseCaption());
}

// No wrap-around at either end; the volume bar is redrawn in every case.
void PlayerWindow::PlayPrevious()
{
    if (count > 0 && currentIndex > 0)
        PlayEntry(currentIndex - 1);
    InvalidateVolumeBar();
}

void PlayerWindow::PlayNext()
{
    if (currentIndex < count - 1)
        PlayEntry(currentIndex + 1);
    InvalidateVolumeBar();
}

bool PlayerWindow::SaveList()
{
    count = sizeOf(playlist);
    if (count <= 0)
        return true;
    if (const auto error = ListFile(ProgramFilePath(ListFileName)).write(playlist)) {
        ReportFileError(*error);
        return false;
    }
    return true;
}

bool PlayerWindow::LoadList()
{
    QByteArrayList entries;
    if (const auto error = ListFile(ProgramFilePath(ListFileName)).read(entries)) {
        ReportFileError(*error);
        return false;
    }
    playlist = std::move(entries);
    // The list box is empty here: the playlist window has just been made.
    if (m_playlistWindow)
        m_playlistWindow->AppendLines(playlist);
    count = sizeOf(playlist);
    return true;
}

// Docked: the window ends just left of the player window's client area, 135
// pixels wide, and reaches from above the player's caption to slightly below
// its bottom.
void PlayerWindow::CreatePlaylistWindowDocked(DockedShow show)
{
    const QRect client = ClientRectOnScreen();
    const int left = client.left() - 137;
    const int top = client.top() - 25;
    const int right = client.left() + client.width() - 527;
    const int bottom = client.top() + client.height() + 6;
    if (!m_playlistWindow)
        m_playlistWindow = new PlaylistWindow(this);
    m_playlistWindow->Dock(QRect(left, top, right - left, bottom - top));
    m_playlistWindow->setVisibleFlag(show == DockedShow::Shown);
    m_playlistWindow->setVisible(show == DockedShow::Shown);
}

void PlayerWindow::TogglePlaylistWindow()
{
    if (!m_playlistWindow) {
        CreatePlaylistWindowDocked(DockedShow::Shown);
        return;
    }
    if (!m_playlistWindow->visibleFlag()) {
        m_playlistWindow->setVisibleFlag(true);
        m_playlistWindow->show();
        m_playlistWindow->raise();
        m_playlistWindow->activateWindow();
    } else {
        m_playlistWindow->setVisibleFlag(false);
        m_playlistWindow->hide();
    }
}

// Following a move uses offsets of its own (150/525/25/10, against
// 137/527/25/6 when created): the window then reaches the player's client
// area and is 150 pixels wide. It follows whether shown or hidden, so it is
// docked whenever it is shown.
void PlayerWindow::FollowPlaylistWindow()
{
    if (!m_playlistWindow)
        return;
    const QRect client = ClientRectOnScreen();
    const int left = client.left() - 150;
    const int top = client.top() - 25;
    const int right = client.left() + client.width() - 525;
    const int bottom = client.top() + client.height() + 10;
    m_playlistWindow->Dock(QRect(left, top, right - left, bottom - top));
}
