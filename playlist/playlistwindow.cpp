#include "playlist/playlistwindow.h"

#include "player/playerwindow.h"
#include "player/pretranslator.h"
#include "playlist/displayname.h"
#include "res/resource.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStringList>

#include <cmath>

namespace {

// Template 131 in dialog units, converted with the usual-font base units.
QRect dialogRect(int x, int y, int width, int height)
{
    const auto toX = [](int v) { return static_cast<int>(std::lround(v * 1.5)); };
    const auto toY = [](int v) { return static_cast<int>(std::lround(v * 1.625)); };
    return QRect(toX(x), toY(y), toX(x + width) - toX(x), toY(y + height) - toY(y));
}

} // namespace

PlaylistWindow::PlaylistWindow(PlayerWindow *owner) : QDialog(owner), m_owner(owner)
{
    setObjectName(Res::objectIdName(Res::IDD_PLAYLIST));
    setWindowTitle(QString::fromUtf8(Caption));
    // Caption, system menu and a sizing border.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(dialogRect(0, 0, 87, 247).size());

    // The template's OK and Cancel buttons are there but hidden; OK stays
    // the default button.
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(Res::objectIdName(Res::IDOK));
    ok->setGeometry(dialogRect(7, 7, 50, 14));
    ok->setDefault(true);
    ok->hide();
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(Res::objectIdName(Res::IDCANCEL));
    cancel->setGeometry(dialogRect(7, 24, 50, 14));
    cancel->hide();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PlaylistWindow::reject);

    // Not sorted, so that a line's index is its playlist index.
    m_listBox = new QListWidget(this);
    m_listBox->setObjectName(Res::objectIdName(Res::IDC_PLAYLIST_BOX));
    m_listBox->setGeometry(dialogRect(0, 0, 86, 246));
    m_listBox->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listBox->setSortingEnabled(false);
    m_listBox->setUniformItemSizes(true);
    // Long names are cut at the edge, not shortened with an ellipsis; the
    // horizontal scroll bar reaches the rest.
    m_listBox->setTextElideMode(Qt::ElideNone);
    m_listBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_listBox->viewport()->installEventFilter(this);

    m_preTranslator =
        new PreTranslator(this, [this](QEvent *event) { return PreTranslateMessage(event); });

    // The initialisation ends with the skin.
    if (const auto &skin = m_owner->services().skinOwnWindow)
        skin(this);
}

PlaylistWindow::~PlaylistWindow() = default;

void PlaylistWindow::AppendLines(const QByteArrayList &paths)
{
    QStringList names;
    names.reserve(paths.size());
    for (const QByteArray &path : paths)
        names.append(DisplayName(path));
    m_listBox->addItems(names);
}

void PlaylistWindow::Dock(const QRect &windowRect)
{
    m_savedRect = windowRect;
    PlaceFrame(windowRect);
    update();
}

// Places the window so that its frame covers `windowRect`. Until the window
// manager has framed this window, its frame is taken to be like the owner's.
void PlaylistWindow::PlaceFrame(const QRect &windowRect)
{
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && parentWidget())
        frame = parentWidget()->frameGeometry().size() - parentWidget()->size();
    resize(windowRect.size() - frame.expandedTo(QSize(0, 0)));
    move(windowRect.topLeft());
}

void PlaylistWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_savedRect.isValid())
        PlaceFrame(m_savedRect);
}

void PlaylistWindow::reject()
{
    m_visibleFlag = false;
    QDialog::reject();
}

void PlaylistWindow::keyPressEvent(QKeyEvent *event)
{
    // Enter is the dialog's standard accept even with its OK button hidden:
    // the window is hidden, while the visible flag stays as it is.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PlaylistWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_listBox->setGeometry(0, 0, width(), height());
}

// The list box's double-click plays the selected line, wherever in the box
// it lands.
bool PlaylistWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_listBox->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        PlaySelectedEntry();
    return QDialog::eventFilter(watched, event);
}

// Pre-translation, in its order: the right-button press opens the context
// menu, the Delete key removes the selected entry; both then go on to their
// widgets.
bool PlaylistWindow::PreTranslateMessage(QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            TrackContextMenu(mouse->globalPosition().toPoint());
    } else if (event->type() == QEvent::KeyPress) {
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete)
            DeleteSelectedEntry();
    }
    return false;
}

// Menu 132, its first popup "文件", made for this one use.
void PlaylistWindow::TrackContextMenu(const QPoint &screenPos)
{
    QMenu menu(QStringLiteral("文件"), this);
    menu.setObjectName(Res::objectIdName(Res::IDR_PLAYLIST_MENU));
    const auto add = [&menu](const QString &text, int command) {
        menu.addAction(text)->setData(command);
    };
    add(QStringLiteral("目录(&D)"), Res::ID_ADD_FOLDER);
    add(QStringLiteral("文件(&F)"), Res::ID_ADD_FILES);
    add(QStringLiteral("清空(&R)"), Res::ID_CLEAR);

    const QAction *chosen = menu.exec(screenPos);
    switch (chosen ? chosen->data().toInt() : 0) {
    case Res::ID_ADD_FOLDER:
        m_owner->AddFolder();
        break;
    case Res::ID_ADD_FILES:
        m_owner->OpenFiles();
        break;
    case Res::ID_CLEAR:
        ClearPlaylist();
        break;
    default:
        break;
    }
}

// With an empty playlist SaveList writes nothing: the list file keeps the
// last list saved.
void PlaylistWindow::ClearPlaylist()
{
    m_listBox->clear();
    m_owner->playlist.clear();
    m_owner->SaveList();
}

// currentIndex is left as it is; playing an entry outside the shortened
// playlist then does nothing.
void PlaylistWindow::DeleteSelectedEntry()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    delete m_listBox->takeItem(index);
    // As in a list box, nothing is selected after the removal.
    m_listBox->clearSelection();
    if (index < m_owner->playlist.size())
        m_owner->playlist.removeAt(index);
    m_owner->SaveList();
}

void PlaylistWindow::PlaySelectedEntry()
{
    const int index = SelectedIndex();
    if (index >= 0)
        m_owner->PlayEntry(index);
}

int PlaylistWindow::SelectedIndex() const
{
    const QList<QListWidgetItem *> selected = m_listBox->selectedItems();
    return selected.isEmpty() ? -1 : m_listBox->row(selected.first());
}
