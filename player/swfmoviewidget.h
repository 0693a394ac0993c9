// The movie control on our own engine: loads a movie by path, plays it at
// its frame rate (looping), and paints the stage scaled to show all of it.
#pragma once

#include "player/moviecontrol.h"
#include "swf/runtime/pointerinput.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <memory>
#include <optional>

namespace swf {
class Player;
class Renderer;
} // namespace swf
class MovieAudio;
class UrlOpener;

class SwfMovieWidget final : public MovieControl {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwfMovieWidget)
public:
    explicit SwfMovieWidget(const MovieControlCreation &creation, QWidget *parent = nullptr);
    ~SwfMovieWidget() override;

    const MovieControlCreation &creation() const { return m_creation; }

    QByteArray GetMoviePath() const override { return m_path; }
    // Loads the movie and starts it, as the control does on load. A file
    // that cannot be read or parsed leaves an empty control.
    void SetMoviePath(const QByteArray &path) override;
    void Play() override;
    void Stop() override;
    void Rewind() override;
    void SetBackground(qint32 colour) override;
    qint32 GetFrameCount() const override { return m_frameCount; }
    void SeekToFrame(qint32 frame) override;
    qint32 GetFramePosition() const override { return m_framePosition; }
    bool IsPlaying() const override { return m_playing; }
    QImage grabStage(QSize size) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    void tick();
    void scheduleTick();
    void syncState();
    void invalidateFrame();
    QColor background() const;
    void forwardPointer(swf::PointerEvent::Type type, QPointF position);
    void recheckPointer();
    void followScripts();
    void forwardKey(const QKeyEvent &event, swf::KeyEvent::Type type);

    MovieControlCreation m_creation;
    QByteArray m_path;
    // The movie's sound; a child, so it outlives the player that reports to it.
    MovieAudio *m_audio;
    // Where the movie's getURL to a web or mail address goes.
    std::unique_ptr<UrlOpener> m_urlOpener;
    std::unique_ptr<swf::Player> m_player;
    // Where the pointer is over the widget, while it is.
    std::optional<QPointF> m_pointer;
    std::unique_ptr<swf::Renderer> m_renderer;
    std::optional<QColor> m_backgroundOverride;
    QTimer m_clock;
    QElapsedTimer m_sinceTick;
    QImage m_frameImage;
    bool m_frameStale = true;
    // Mirrors of the player's state, so the 1 ms polls cost nothing.
    qint32 m_frameCount = 0;
    qint32 m_framePosition = 0;
    bool m_playing = false;
};

// A factory that makes SwfMovieWidgets.
MovieControlFactory swfMovieControlFactory();
