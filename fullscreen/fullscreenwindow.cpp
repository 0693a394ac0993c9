#include "fullscreen/fullscreenwindow.h"

#include "player/playerwindow.h"
#include "player/pretranslator.h"
#include "res/resource.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

namespace {

// Template 130 in pixels (187 x 94 dialog units); the window is shown over
// the whole screen, so its size plays no part.
constexpr QSize TemplateSize(281, 153);

} // namespace

FullScreenWindow::FullScreenWindow() : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(Res::objectIdName(Res::IDD_FULLSCREEN));
    // Modal before it is first shown: the initialisation shows it.
    setWindowModality(Qt::ApplicationModal);
    resize(TemplateSize);

    m_frameTimer = new QTimer(this);
    m_frameTimer->setObjectName(QStringLiteral("timer%1").arg(Res::TIMER_FULLSCREEN));
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    m_frameTimer->setInterval(Res::TIMER_PERIOD_MS);
    connect(m_frameTimer, &QTimer::timeout, this, &FullScreenWindow::OnTimer);

    m_preTranslator =
        new PreTranslator(this, [this](QEvent *event) { return PreTranslateMessage(event); });
}

FullScreenWindow::~FullScreenWindow() = default;

MovieControlCreation FullScreenWindow::MovieCreation(const QRect &clientRect)
{
    using namespace MovieControlStyle;
    MovieControlCreation creation;
    creation.origin = MovieControlCreation::Origin::RunTime;
    creation.rect = clientRect;
    creation.windowName = QString::fromLatin1(MovieWindowName);
    creation.style = Child | Visible | TabStop | HScroll | VScroll | ControlLowBit;
    creation.controlId = Res::IDC_FULLSCREEN_MOVIE;
    // No saved state: the control starts with its own settings.
    creation.quality.clear();
    creation.windowMode.clear();
    creation.scaleMode.clear();
    creation.scriptAccess.clear();
    return creation;
}

int FullScreenWindow::exec()
{
    m_ended = false;
    OnInitDialog();
    return QDialog::exec();
}

// Shown over the whole screen of the player window, without a frame; the
// movie control fills the client area. Without a movie control the window
// stays up and shows nothing.
void FullScreenWindow::OnInitDialog()
{
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    showFullScreen();

    const QRect client = rect();
    const MovieControlFactory &factory =
        owner ? owner->services().movieControlFactory : MovieControlFactory();
    const MovieControlCreation creation = MovieCreation(client);
    m_movie = factory ? factory(creation, this) : nullptr;
    if (!m_movie)
        return;
    m_movie->setParent(this);
    m_movie->setObjectName(Res::objectIdName(Res::IDC_FULLSCREEN_MOVIE));
    m_movie->setGeometry(client);
    m_movie->setVisible(creation.style & MovieControlStyle::Visible);

    m_movie->SetMoviePath(moviePath);
    m_movie->SetBackground(0);
    m_movie->SeekToFrame(frame);
    m_movie->Play();
    m_frameTimer->start();
}

void FullScreenWindow::done(int result)
{
    if (m_ended)
        return;
    m_ended = true;
    QDialog::done(result);
}

// Input, in its order: the left double-click leaves, the right button never
// reaches the movie control (so its own menu never opens), the keys; the
// wheel is the window's wherever it turns, as in the player window.
bool FullScreenWindow::PreTranslateMessage(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (button == Qt::LeftButton) {
            m_frameTimer->stop();
            accept();
            return true;
        }
        // The second press of a right double-click is a right press as well.
        return button == Qt::RightButton;
    }
    case QEvent::MouseButtonPress:
        return static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    case QEvent::KeyPress:
        OnKeyDown(static_cast<QKeyEvent *>(event)->key());
        return false;
    case QEvent::Wheel:
        OnMouseWheel(static_cast<QWheelEvent *>(event)->angleDelta().y());
        return true;
    default:
        return false;
    }
}

void FullScreenWindow::OnKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        m_frameTimer->stop();
        if (owner)
            owner->fullScreenArmed = true;
        accept();
        break;
    case Qt::Key_Space:
        // Halts on the current frame, without rewinding.
        if (m_movie) {
            if (m_movie->IsPlaying())
                m_movie->Stop();
            else
                m_movie->Play();
        }
        break;
    case Qt::Key_Left:
        SeekBy(-ArrowSeekFrames);
        break;
    case Qt::Key_Right:
        SeekBy(ArrowSeekFrames);
        break;
    case Qt::Key_Up:
        StepToEntry(Step::Previous);
        break;
    case Qt::Key_Down:
        StepToEntry(Step::Next);
        break;
    default:
        break;
    }
}

// Only a playing movie seeks; the control clamps a position outside the
// movie, a negative one included.
void FullScreenWindow::SeekBy(qint32 frames)
{
    if (!m_movie || !m_movie->IsPlaying())
        return;
    m_movie->SeekToFrame(m_movie->GetFramePosition() + frames);
    m_movie->Play();
}

// One notch is 120, positive when the wheel turns away from the user, which
// goes back. The delta is taken as a signed 16-bit value.
void FullScreenWindow::OnMouseWheel(int delta)
{
    if (delta == 0)
        return;
    SeekBy(-static_cast<qint16>(delta));
}

// The owner steps through its playlist in full (its own movie starts the
// entry too, behind this window); then the current entry plays here. At the
// ends of the playlist that reloads the entry playing; with no current entry
// nothing changes.
void FullScreenWindow::StepToEntry(Step step)
{
    if (!owner)
        return;
    if (step == Step::Previous)
        owner->PlayPrevious();
    else
        owner->PlayNext();
    const qint32 index = owner->currentIndex;
    if (index < 0 || index >= owner->playlist.size())
        return;
    owner->currentPath = owner->playlist.at(index);
    if (m_movie)
        m_movie->SetMoviePath(owner->currentPath);
    moviePath = owner->currentPath;
    if (m_movie)
        m_movie->Play();
}

// The frame the player window gets back: the last one seen while playing.
void FullScreenWindow::OnTimer()
{
    if (m_movie && m_movie->IsPlaying())
        frame = m_movie->GetFramePosition();
}

// The close request ends with OK too; the timer ends with the window and
// fullScreenArmed stays as it is.
void FullScreenWindow::closeEvent(QCloseEvent *event)
{
    accept();
    QDialog::closeEvent(event);
}

// Enter is the dialog's standard accept, as in the player window.
void FullScreenWindow::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FullScreenWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_movie)
        m_movie->setGeometry(rect());
}
