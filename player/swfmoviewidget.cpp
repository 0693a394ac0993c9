#include "player/swfmoviewidget.h"

#include "player/flashkeycode.h"
#include "player/movieaudio.h"
#include "player/moviescriptservices.h"
#include "swf/amf/sharedobjectstore.h"
#include "swf/movieloader.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"
#include "ui/urlopener.h"

#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>

namespace {

Q_LOGGING_CATEGORY(lcMovieWidget, "player.movie")

QColor colourFromControl(qint32 colour)
{
    const auto value = quint32(colour);
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

} // namespace

SwfMovieWidget::SwfMovieWidget(const MovieControlCreation &creation, QWidget *parent)
    : MovieControl(parent), m_creation(creation), m_audio(new MovieAudio(this)),
      m_urlOpener(std::make_unique<DesktopUrlOpener>()),
      m_renderer(std::make_unique<swf::Renderer>())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_clock.setSingleShot(true);
    m_clock.setTimerType(Qt::PreciseTimer);
    connect(&m_clock, &QTimer::timeout, this, &SwfMovieWidget::tick);
    // While a stream sound plays, its clock moves the frames on.
    connect(m_audio, &MovieAudio::framesDue, this, &SwfMovieWidget::tick);
    if (creation.origin == MovieControlCreation::Origin::RunTime) {
        setGeometry(creation.rect);
        if (creation.controlId)
            setObjectName(QString::number(creation.controlId));
        if (!creation.windowName.isEmpty())
            setWindowTitle(creation.windowName);
        setFocusPolicy(creation.style & MovieControlStyle::TabStop ? Qt::StrongFocus
                                                                   : Qt::ClickFocus);
        setVisible(creation.style & MovieControlStyle::Visible);
    } else {
        setFocusPolicy(Qt::StrongFocus);
    }
}

SwfMovieWidget::~SwfMovieWidget() = default;

void SwfMovieWidget::SetMoviePath(const QByteArray &path)
{
    m_clock.stop();
    m_player.reset();
    m_audio->unload();
    m_path = path;
    auto movie = swf::MovieCache::shared().load(path);
    if (movie) {
        auto services = std::make_shared<MovieScriptServices>(
            QString::fromLocal8Bit(path), *m_urlOpener, swf::amf::SharedObjectStore::defaultRoot());
        // Deferred: the request comes from inside the player's own step.
        services->onQuit = [this] {
            QMetaObject::invokeMethod(this, &SwfMovieWidget::Stop, Qt::QueuedConnection);
        };
        m_player = std::make_unique<swf::Player>(*movie, m_audio->load(*movie),
                                                 swf::makeScriptHost(*movie, services));
        m_audio->attach(m_player.get());
        m_player->start();
        m_audio->update();
    } else {
        qCWarning(lcMovieWidget).noquote()
            << QString::fromLocal8Bit(path) << "not loaded:" << movie.error().toString();
    }
    syncState();
    invalidateFrame();
    scheduleTick();
}

void SwfMovieWidget::Play()
{
    if (!m_player || m_player->isPlaying())
        return;
    m_player->play();
    m_audio->update();
    syncState();
    scheduleTick();
}

void SwfMovieWidget::Stop()
{
    if (!m_player)
        return;
    m_player->stop();
    m_audio->update();
    m_clock.stop();
    syncState();
}

void SwfMovieWidget::Rewind()
{
    m_audio->stopAll();
    SeekToFrame(0);
}

void SwfMovieWidget::SetBackground(qint32 colour)
{
    m_backgroundOverride = colourFromControl(colour);
    invalidateFrame();
}

void SwfMovieWidget::SeekToFrame(qint32 frame)
{
    if (!m_player)
        return;
    m_player->seek(frame);
    m_audio->update();
    syncState();
    if (m_player->takeChanged())
        invalidateFrame();
    scheduleTick();
}

// Steps the frames that fell due since the last tick; frames missed while
// drawing lagged are stepped without being drawn.
void SwfMovieWidget::tick()
{
    if (!m_player || !m_player->isRunning())
        return;
    m_player->advance(m_sinceTick.restart());
    m_audio->update();
    syncState();
    if (m_player->takeChanged()) {
        invalidateFrame();
        recheckPointer();
    }
    m_clock.start(int(m_player->msUntilNextFrame()));
}

void SwfMovieWidget::scheduleTick()
{
    if (!m_player || !m_player->isRunning()) {
        m_clock.stop();
        return;
    }
    m_sinceTick.start();
    m_clock.start(int(m_player->msUntilNextFrame()));
}

void SwfMovieWidget::syncState()
{
    m_frameCount = m_player ? m_player->frameCount() : 0;
    m_framePosition = m_player ? m_player->frame() : 0;
    m_playing = m_player && m_player->isPlaying();
}

void SwfMovieWidget::invalidateFrame()
{
    m_frameStale = true;
    update();
}

QColor SwfMovieWidget::background() const
{
    if (m_backgroundOverride)
        return *m_backgroundOverride;
    if (m_player)
        return swf::Renderer::backgroundOf(*m_player);
    return palette().color(backgroundRole());
}

// A renderer of its own, so the picture on screen keeps its cached layers.
QImage SwfMovieWidget::grabStage(QSize size) const
{
    if (!m_player || size.isEmpty())
        return QImage();
    swf::Renderer renderer;
    return renderer.render(*m_player, size, background());
}

void SwfMovieWidget::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (!m_player) {
        QPainter(this).fillRect(rect(), background());
        return;
    }
    if (m_frameStale || m_frameImage.size() != pixels) {
        m_frameImage = m_renderer->render(*m_player, pixels, background());
        m_frameImage.setDevicePixelRatio(ratio);
        m_frameStale = false;
    }
    QPainter(this).drawImage(0, 0, m_frameImage);
}

void SwfMovieWidget::resizeEvent(QResizeEvent *event)
{
    MovieControl::resizeEvent(event);
    m_frameStale = true;
}

void SwfMovieWidget::forwardPointer(swf::PointerEvent::Type type, QPointF position)
{
    if (!m_player)
        return;
    const QTransform toStage =
        swf::Renderer::showAll(m_player->movie().stage(), QRectF(rect())).inverted();
    m_player->pointerEvent(swf::PointerEvent{type, toStage.map(position)});
    m_audio->update();
    if (m_player->takeChanged())
        invalidateFrame();
    followScripts();
    // The hand the Flash Player shows over buttons.
    if (m_player->overInteractive())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void SwfMovieWidget::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer = event->position();
    forwardPointer(swf::PointerEvent::Type::Move, event->position());
    MovieControl::mouseMoveEvent(event);
}

// Buttons answer the primary button only; the window keeps the others.
void SwfMovieWidget::mousePressEvent(QMouseEvent *event)
{
    m_pointer = event->position();
    if (event->button() == Qt::LeftButton)
        forwardPointer(swf::PointerEvent::Type::Press, event->position());
    MovieControl::mousePressEvent(event);
}

void SwfMovieWidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_pointer = event->position();
    if (event->button() == Qt::LeftButton)
        forwardPointer(swf::PointerEvent::Type::Release, event->position());
    MovieControl::mouseReleaseEvent(event);
}

void SwfMovieWidget::leaveEvent(QEvent *event)
{
    m_pointer.reset();
    forwardPointer(swf::PointerEvent::Type::Leave, QPointF());
    MovieControl::leaveEvent(event);
}

// Buttons that frames bring under a still pointer, or move away from it,
// change state as if the pointer had moved.
void SwfMovieWidget::recheckPointer()
{
    if (m_pointer)
        forwardPointer(swf::PointerEvent::Type::Move, *m_pointer);
}

MovieControlFactory swfMovieControlFactory()
{
    return [](const MovieControlCreation &creation, QWidget *parent) -> MovieControl * {
        return new SwfMovieWidget(creation, parent);
    };
}

// Keys reach the movie's scripts as well as the window, which watches the
// same keys through its event filter; the event goes on to the window so
// its own keys (Enter, Esc) keep working.
void SwfMovieWidget::keyPressEvent(QKeyEvent *event)
{
    forwardKey(*event, swf::KeyEvent::Type::Press);
    event->ignore();
}

void SwfMovieWidget::keyReleaseEvent(QKeyEvent *event)
{
    // A held key repeats its press, not its release.
    if (!event->isAutoRepeat())
        forwardKey(*event, swf::KeyEvent::Type::Release);
    event->ignore();
}

void SwfMovieWidget::forwardKey(const QKeyEvent &event, swf::KeyEvent::Type type)
{
    if (!m_player)
        return;
    swf::KeyEvent key;
    key.type = type;
    key.keyCode = flashKeyCode(event);
    const QString text = event.text();
    if (!text.isEmpty() && text.front().isPrint())
        key.charCode = text.front().unicode();
    else if (key.keyCode == 8 || key.keyCode == 13 || key.keyCode == 27)
        key.charCode = char16_t(key.keyCode);
    if (key.keyCode == 0 && key.charCode == 0)
        return;
    m_player->keyEvent(key);
    m_audio->update();
    if (m_player->takeChanged())
        invalidateFrame();
    followScripts();
}

// A script run by the pointer or a key may have started or stopped the
// movie; the clock follows without losing the time of a frame under way.
void SwfMovieWidget::followScripts()
{
    syncState();
    if (!m_player || !m_player->isRunning())
        m_clock.stop();
    else if (!m_clock.isActive())
        scheduleTick();
}
