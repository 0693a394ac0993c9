// The program's handle on one movie control: the ten operations the player
// window and the full-screen window rely on, one call each. The engine-backed
// widget (SwfMovieWidget) implements it; tests put a recording fake in its
// place.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>

// How a movie control comes into being: from the player window's template
// (with the template's saved state), or at run time in a rectangle with a
// window name, a style and a control id (the full-screen window).
struct MovieControlCreation {
    enum class Origin { Template, RunTime };

    Origin origin = Origin::Template;
    QRect rect;
    QString windowName;
    quint32 style = 0;
    int controlId = 0;
    // The template's saved state: quality "High", window mode "Window",
    // scale mode "ShowAll", script access "always".
    QString quality = QStringLiteral("High");
    QString windowMode = QStringLiteral("Window");
    QString scaleMode = QStringLiteral("ShowAll");
    QString scriptAccess = QStringLiteral("always");
};

class MovieControl : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~MovieControl() override = default;

    // Paths are byte strings end to end (see the playlist): they reach the
    // file system unchanged, whatever their encoding.
    virtual QByteArray GetMoviePath() const = 0;
    virtual void SetMoviePath(const QByteArray &path) = 0;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Rewind() = 0;
    // Colour with red in the low byte, then green, then blue.
    virtual void SetBackground(qint32 colour) = 0;
    virtual qint32 GetFrameCount() const = 0;
    virtual void SeekToFrame(qint32 frame) = 0;
    virtual qint32 GetFramePosition() const = 0;
    virtual bool IsPlaying() const = 0;

    // Of our own: the stage as it is shown now, drawn at `size`, for saving
    // the picture. A null image where the control cannot draw it itself.
    virtual QImage grabStage(QSize size) const
    {
        Q_UNUSED(size);
        return QImage();
    }
};

// Creates a movie control as a child of `parent`; nullptr when it cannot be
// created.
using MovieControlFactory =
    std::function<MovieControl *(const MovieControlCreation &, QWidget *parent)>;

// Window styles passed through unchanged to a run-time control.
namespace MovieControlStyle {
inline constexpr quint32 Child = 0x40000000;
inline constexpr quint32 Visible = 0x10000000;
inline constexpr quint32 TabStop = 0x00010000;
inline constexpr quint32 HScroll = 0x00100000;
inline constexpr quint32 VScroll = 0x00200000;
inline constexpr quint32 ControlLowBit = 0x0200;
} // namespace MovieControlStyle
