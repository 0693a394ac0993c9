// The full-screen window: a borderless window over the whole screen whose
// client area is a second movie control, made at run time. The player window
// hands it the movie's path and the frame reached; it plays on from there,
// takes the keyboard and the wheel, and when the user leaves it the player
// window reads the path and the frame back.
//
// It is made without a parent, so the player window's skin (a style sheet,
// which passes down to child windows) never reaches it, and its modal run
// blocks the whole program, the player window included.
#pragma once

#include "player/moviecontrol.h"

#include <QByteArray>
#include <QDialog>

class PlayerWindow;
class PreTranslator;
class QTimer;

class FullScreenWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullScreenWindow)

public:
    // The window name of the movie control made at run time.
    static constexpr const char *MovieWindowName = "Orvanto";
    // The seek of the Left and Right arrows, in frames.
    static constexpr qint32 ArrowSeekFrames = 120;

    // Template 130: no controls, no caption, no frame.
    FullScreenWindow();
    ~FullScreenWindow() override;

    // The creation values of the movie control over `clientRect`.
    static MovieControlCreation MovieCreation(const QRect &clientRect);

    // The movie control; null when it could not be made.
    MovieControl *movieControl() const { return m_movie; }

    // Set by the player window before the run; the path and the frame are
    // read back after it.
    PlayerWindow *owner = nullptr;
    QByteArray moviePath; // the movie to play; replaced by Up and Down
    qint32 frame = 0;     // where to start; then the frame last seen playing

public slots:
    // Initialises the window (shown over the whole screen, the movie control
    // made, the movie started at `frame`) and runs it modally.
    int exec() override;
    // The first end of a run decides its result: a standard dialog key that
    // follows an exit (Esc cancelling after it has ended with OK) changes
    // nothing.
    void done(int result) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class Step { Previous, Next };

    void OnInitDialog();
    bool PreTranslateMessage(QEvent *event);
    void OnKeyDown(int key);
    void OnMouseWheel(int delta);
    void OnTimer();
    void SeekBy(qint32 frames);
    void StepToEntry(Step step);

    MovieControl *m_movie = nullptr;
    QTimer *m_frameTimer = nullptr;
    PreTranslator *m_preTranslator = nullptr;
    bool m_ended = false;
};
