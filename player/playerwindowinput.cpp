// Input of the player window: the message pre-translation that sees every
// event bound for the window or one of its children (the movie control
// included), the wheel, dropped files, dragging the window by its
// background, the standard dialog keys and the window menu.
#include "player/playerwindow.h"

#include "player/moviecontrol.h"
#include "player/seekbar.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/aboutcommands.h"

#include <QAction>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QWheelEvent>
#include <QWindow>

namespace {

// The seek of the Left and Right arrows, in frames.
constexpr qint32 ArrowSeekFrames = 120;

// Standard system commands of the window menu.
namespace SysCommand {
constexpr int Size = 0xF000;
constexpr int Move = 0xF010;
constexpr int Minimize = 0xF020;
constexpr int Maximize = 0xF030;
constexpr int Close = 0xF060;
constexpr int Restore = 0xF120;
} // namespace SysCommand

// The first file of a drop, as the bytes of its path. The uri-list is read
// raw, so a name that is not valid UTF-8 keeps its bytes.
QByteArray firstDroppedFile(const QMimeData *mime)
{
    if (!mime)
        return {};
    const QByteArray uriList = mime->data(QStringLiteral("text/uri-list"));
    for (const QByteArray &rawLine : uriList.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        // Only the first entry counts; it must be a local file.
        if (!line.startsWith("file:"))
            return {};
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            // file://host/path: the path starts at the host's end.
            const qsizetype slash = rest.indexOf('/', 2);
            if (slash < 0)
                return {};
            rest = rest.mid(slash);
        }
        return QByteArray::fromPercentEncoding(rest);
    }
    return {};
}

// The last three characters decide, case and all: "SWF" and "swf" pass,
// mixed case does not.
bool hasMovieSuffix(const QByteArray &path)
{
    return path.endsWith("SWF") || path.endsWith("swf");
}

} // namespace

void PlayerWindow::BuildWindowMenu()
{
    // Window managers own the title bar's menu; the window offers its own,
    // routed through the same system-command handler.
    m_windowMenu = new QMenu(this);
    m_windowMenu->setObjectName(QStringLiteral("windowMenu"));
    const auto add = [this](const QString &text, int command, bool enabled) {
        QAction *action = m_windowMenu->addAction(text);
        action->setData(command);
        action->setEnabled(enabled);
    };
    add(QStringLiteral("&Restore"), SysCommand::Restore, false);
    add(QStringLiteral("&Move"), SysCommand::Move, true);
    add(QStringLiteral("&Size"), SysCommand::Size, false);
    add(QStringLiteral("Mi&nimize"), SysCommand::Minimize, false);
    add(QStringLiteral("Ma&ximize"), SysCommand::Maximize, false);
    m_windowMenu->addSeparator();
    add(QStringLiteral("&Close\tAlt+F4"), SysCommand::Close, true);
    connect(m_windowMenu, &QMenu::triggered, this,
            [this](QAction *action) { OnSysCommand(AboutCommands::commandOf(action)); });

    for (const QKeySequence &keys :
         {QKeySequence(Qt::ALT | Qt::Key_Space), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &PlayerWindow::ShowWindowMenu);
    }
}

// Start-up step 2: the about box's entry, after a separator, when string
// 101 has a text; then the entries of our own.
void PlayerWindow::AddAboutEntryToWindowMenu()
{
    AboutCommands::addSystemMenuEntry(m_windowMenu, Res::loadString);
    AddExportEntriesToWindowMenu();
}

void PlayerWindow::ShowWindowMenu()
{
    m_windowMenu->exec(mapToGlobal(QPoint(0, 0)));
}

// Ids 16 to 31 open the about box (without redrawing the volume bar); our
// own entries save the frame or export the movie; every other command gets
// the standard handling.
void PlayerWindow::OnSysCommand(int id)
{
    switch (id & ~0xF) {
    case Res::IDM_SAVEFRAME:
        SaveFrame();
        return;
    case Res::IDM_EXPORTVIDEO:
        ExportVideo();
        return;
    default:
        break;
    }
    AboutCommands::systemCommand(
        id, {[this] { RunAboutBox(); }, {}, [this](int command) { StandardSysCommand(command); }});
}

// The low four bits of a system command are the system's own.
void PlayerWindow::StandardSysCommand(int command)
{
    switch (command & ~0xF) {
    case SysCommand::Move:
        if (QWindow *window = windowHandle())
            window->startSystemMove();
        break;
    case SysCommand::Minimize:
        showMinimized();
        break;
    case SysCommand::Restore:
        showNormal();
        break;
    case SysCommand::Close:
        close();
        break;
    default:
        break;
    }
}

// Message pre-translation, in its order: the left-button release (volume
// bar), the left double-click (full screen), the right-button press
// (consumed, so no control's own menu ever opens), the keys; then the events
// go on to their widgets. The wheel is the window's wherever it turns.
bool PlayerWindow::PreTranslateMessage(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            ClickVolumeBar();
        return false;
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        if (button == Qt::LeftButton)
            EnterFullScreen();
        // The second press of a right double-click is a right press as well.
        return button == Qt::RightButton;
    }
    case QEvent::MouseButtonPress:
        return static_cast<QMouseEvent *>(event)->button() == Qt::RightButton;
    case QEvent::KeyPress:
        OnKeyDown(static_cast<QKeyEvent *>(event)->key());
        return false;
    case QEvent::Wheel:
        // Only the vertical wheel seeks.
        OnMouseWheel(static_cast<QWheelEvent *>(event)->angleDelta().y());
        return true;
    default:
        return false;
    }
}

void PlayerWindow::OnKeyDown(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (m_movie->IsPlaying()) {
            const qint32 step = key == Qt::Key_Left ? -ArrowSeekFrames : ArrowSeekFrames;
            // The control clamps a position outside the movie, a negative one
            // included. The seek bar follows at the next timer tick.
            m_movie->SeekToFrame(m_movie->GetFramePosition() + step);
            m_movie->Play();
        }
        break;
    case Qt::Key_Up:
        PlayPrevious();
        break;
    case Qt::Key_Down:
        PlayNext();
        break;
    default:
        break;
    }
}

// One notch is 120, positive when the wheel turns away from the user, which
// goes back. The delta is taken as a signed 16-bit value.
void PlayerWindow::OnMouseWheel(int delta)
{
    if (delta == 0 || !m_movie->IsPlaying())
        return;
    m_movie->SeekToFrame(m_movie->GetFramePosition() - static_cast<qint16>(delta));
    m_movie->Play();
    m_seekBar->setValue(m_movie->GetFramePosition());
}

void PlayerWindow::keyPressEvent(QKeyEvent *event)
{
    // The standard dialog keys: Esc cancels; Enter clicks the push button
    // that has the focus, and anywhere else it is the dialog's accept.
    // Either ends the modal run.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto *button = qobject_cast<QPushButton *>(focusWidget());
        if (button && button->isEnabled())
            button->click();
        else
            accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Whether a mouse event at `pos` belongs to the window itself: labels and
// the group box are transparent to the mouse, as static controls are; every
// other control keeps its own. A control's event that it ignored reaches
// the window too, but it is not the window's.
bool PlayerWindow::IsOwnMouseEvent(const QPoint &pos) const
{
    QWidget *child = childAt(pos);
    return !child || qobject_cast<QLabel *>(child) || qobject_cast<QGroupBox *>(child);
}

// A left-button press on the window's own background moves the window.
void PlayerWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && IsOwnMouseEvent(event->position().toPoint()) &&
        windowHandle())
        windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

void PlayerWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && IsOwnMouseEvent(event->position().toPoint()))
        ReleaseOnWindow();
    QDialog::mouseReleaseEvent(event);
}

void PlayerWindow::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    FollowPlaylistWindow();
}

void PlayerWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Any dropped file is taken; the first one is then checked.
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayerWindow::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PlayerWindow::dropEvent(QDropEvent *event)
{
    const QByteArray path = firstDroppedFile(event->mimeData());
    event->acceptProposedAction();
    if (!path.isEmpty())
        OpenDroppedFile(path);
}

// A dropped movie plays at once; the playlist, currentIndex, currentPath and
// the path line are left alone. The path is taken whole, however long.
void PlayerWindow::OpenDroppedFile(const QByteArray &path)
{
    if (!hasMovieSuffix(path))
        return;
    m_movie->SetMoviePath(path);
    const qint32 frameCount = m_movie->GetFrameCount();
    m_movie->Play();
    SetPlayPauseCaption(PauseCaption());
    ResetSeekBar(frameCount);
}
