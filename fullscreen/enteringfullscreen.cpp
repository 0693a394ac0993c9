// The full-screen branch of the player window: the double-click that enters
// full screen as fullScreenArmed allows, and the return that continues the
// movie in the player window at the frame reached.
#include "player/playerwindow.h"

#include "fullscreen/fullscreenwindow.h"
#include "player/moviecontrol.h"
#include "player/seekbar.h"

// Pre-translation step 2. After leaving full screen by a double-click or a
// close request the flag is down: the next double-click only raises it.
void PlayerWindow::EnterFullScreen()
{
    if (!fullScreenArmed) {
        fullScreenArmed = true;
        return;
    }
    // The path the control reports: a dropped movie continues too.
    handOffPath = m_movie->GetMoviePath();
    m_movie->Stop();
    fullScreenArmed = false;
    RunFullScreen();
}

// When the window cannot be made, its run cannot start: the movie stays
// halted and nothing else changes.
void PlayerWindow::RunFullScreen()
{
    std::unique_ptr<FullScreenWindow> fullScreen =
        m_services.fullScreenWindowFactory ? m_services.fullScreenWindowFactory() : nullptr;
    if (!fullScreen)
        return;
    fullScreen->owner = this;
    fullScreen->moviePath = handOffPath;
    fullScreen->frame = m_movie->GetFramePosition();
    if (fullScreen->exec() == QDialog::Accepted)
        ReturnFromFullScreen(*fullScreen);
}

// The movie is loaded again, also when it is the one already loaded, and
// plays on at the frame reached in full screen.
void PlayerWindow::ReturnFromFullScreen(const FullScreenWindow &fullScreen)
{
    handOffPath = fullScreen.moviePath;
    handOffFrame = fullScreen.frame;
    m_movie->SetMoviePath(handOffPath);
    currentPath = handOffPath;
    RefreshPathLine();
    const qint32 frameCount = m_movie->GetFrameCount();
    m_movie->SeekToFrame(handOffFrame);
    m_movie->Play();
    SetPlayPauseCaption(PauseCaption());
    m_seekBar->setRange(0, frameCount);
    m_seekBar->setValue(handOffFrame);
}
