// The program's main window: hosts the movie control, the transport buttons,
// the seek bar that follows the frame position, the path line and the volume
// bar; owns the playlist and the playlist window; and is where every user
// action enters the program's own logic.
//
// Built from dialog template 102 (dialog units converted to pixels with the
// usual-font base units) and initialised by the start-up sequence when it is
// constructed; the application runs it modally.
#pragma once

#include "player/fileerror.h"
#include "player/playerservices.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDialog>

#include <memory>

class FullScreenWindow;
class MovieControl;
class PlaylistWindow;
class PreTranslator;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTimer;
class SeekBar;
class VolumeBar;

class PlayerWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerWindow)

public:
    // Whether "create docked" leaves the playlist window hidden (start-up)
    // or shows it (the toggle button).
    enum class DockedShow { Hidden, Shown };

    // The caption of the window and the two captions of the play/pause
    // button: play after a pause or a stop, pause after every operation that
    // loads or resumes a movie.
    static constexpr const char *Caption = "Orvanto V1.0";
    static QString PlayCaption() { return QStringLiteral("播放"); }
    static QString PauseCaption() { return QStringLiteral("暂停"); }
    // The list file and the start-up movie, in startDirectory.
    static constexpr const char *ListFileName = "FlashList.ini";
    static constexpr const char *StartUpMovieName = "vesk.swf";

    // Builds the window and runs the start-up sequence.
    explicit PlayerWindow(PlayerServices services, QWidget *parent = nullptr);
    // The same with the files named on the command line: those that exist
    // join the end of the playlist once the list file is read, and the
    // first of them plays instead of the start-up movie. With none that
    // exists, the start-up is the plain one.
    PlayerWindow(PlayerServices services, const QByteArrayList &namedFiles,
                 QWidget *parent = nullptr);
    ~PlayerWindow() override;

    const PlayerServices &services() const { return m_services; }
    MovieControl *movieControl() const { return m_movie; }
    PlaylistWindow *playlistWindow() const { return m_playlistWindow; }
    // What drives volumeBar (control 1016).
    VolumeBar *volumeBarControl() const { return m_volumeBar.get(); }

    // startDirectory + "/" + name: where the program's own files live.
    QByteArray ProgramFilePath(const char *name) const;

    // Playlist operations.
    // Plays entry `index`; an index outside the playlist does nothing.
    void PlayEntry(int index);
    void PlayPrevious();
    void PlayNext();
    // Writes the playlist to the list file (nothing when it is empty).
    // Returns false when the file could not be written; the error has been
    // reported and the previous file is left as it was.
    bool SaveList();
    // Reads the list file into the playlist and the playlist window's list
    // box. Returns false when it could not be read; the error has been
    // reported and the playlist is unchanged.
    bool LoadList();

    // The commands that fill the playlist: button 1018 and menu entry 32772
    // (open files), menu entry 32771 (add a folder).
    void OpenFiles();
    void AddFolder();
    // Files handed over by a later launch: those that exist are added to
    // the end of the playlist, which is saved, and the first of them plays.
    // Returns false, changing nothing, when none exists.
    bool OpenNamedFiles(const QByteArrayList &paths);

    // The playlist window: created once, toggled by button 1027, kept docked
    // to the left of this window as it moves.
    void CreatePlaylistWindowDocked(DockedShow show);
    void TogglePlaylistWindow();

    // The system-command handler behind the window menu: ids 16 to 31 open
    // the about box, everything else gets the standard handling (move,
    // minimise, close, ...).
    void OnSysCommand(int id);

    // The fields that the playlist window and the full-screen window use
    // directly.
    QByteArrayList playlist;  // full paths, in play order; duplicates allowed
    qint32 count = 0;         // the playlist's size as last synchronised
    qint32 currentIndex = -1; // the entry last played; -1 before the first
    QByteArray currentPath;   // the movie of the last PlayEntry; the path line
    QByteArray lastFolder;    // the folder last chosen by the add-folder command
    bool fullScreenArmed = false;
    QByteArray handOffPath; // exchanged with the full-screen window
    qint32 handOffFrame = 0;
    QByteArray startDirectory; // the working directory at start-up

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The template and the start-up sequence.
    void BuildControls();
    void BuildWindowMenu();
    void RunStartUpSequence(const QByteArrayList &namedFiles);
    void AddAboutEntryToWindowMenu();
    void LoadStartUpMovie(const QByteArrayList &namedFiles);

    // Transport, seek bar and the position timer.
    void OnPlayPause();
    void OnStop();
    void OnAbout();
    void OnSeekAction(int action);
    void OnThumbPosition();
    void OnEndScroll();
    void SeekTo(int position);
    void OnTimer();
    void OnMouseWheel(int delta);
    void OpenDroppedFile(const QByteArray &path);
    void FollowPlaylistWindow();

    // Message pre-translation and the window menu.
    bool PreTranslateMessage(QEvent *event);
    void OnKeyDown(int key);
    void ShowWindowMenu();
    bool IsOwnMouseEvent(const QPoint &pos) const;

    void StandardSysCommand(int command);

    // The commands that fill the playlist: replace it, refill the list box.
    void ReplacePlaylist(const QByteArrayList &paths);
    // Appends existing `files` to the playlist, plays the first of them and
    // saves the list; nothing when there are none.
    void AppendAndPlay(const QByteArrayList &files);
    QByteArrayList FindMovies(const QByteArray &folder);

    // Full screen and the return from it.
    void RunFullScreen();
    void ReturnFromFullScreen(const FullScreenWindow &fullScreen);

    // Helpers shared by the operations.
    void RefreshPathLine();
    void SetPlayPauseCaption(const QString &caption);
    void ResetSeekBar(qint32 frameCount);
    void InvalidateVolumeBar();
    QRect ClientRectOnScreen() const;
    void ReportFileError(const FileError &error);

    // Seams completed by the rooms that own the behaviour.
    void ApplySkin();        // start-up step 6: the skin
    void ShowMasterVolume(); // start-up step 8: unmute, show the volume
    void ClickVolumeBar();   // pre-translation step 1: a click into the bar
    void EnterFullScreen();  // pre-translation step 2: the double-click
    void ReleaseOnWindow();  // the window's own left-button release
    void RunAboutBox();      // button 1010 and the window menu's entry

    PlayerServices m_services;
    PlaylistWindow *m_playlistWindow = nullptr;
    MovieControl *m_movie = nullptr;
    QWidget *m_skinHost = nullptr;
    SeekBar *m_seekBar = nullptr;
    QProgressBar *volumeBar = nullptr;
    std::unique_ptr<VolumeBar> m_volumeBar;
    QLabel *m_pathLine = nullptr;
    QPushButton *m_playPause = nullptr;
    QMenu *m_windowMenu = nullptr;
    QTimer *m_positionTimer = nullptr;
    PreTranslator *m_preTranslator = nullptr;
};
