#include "fs/folderdialog.h"

#include "fs/log.h"
#include "fs/namematch.h"
#include "res/resource.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace {

enum ItemRole {
    PathRole = Qt::UserRole,     // QByteArray, empty outside the file system
    FileSystemRole,              // bool
    LoadedRole,                  // bool: the subfolders have been listed
};

// The subfolders of `path` that a user browses: hidden ones are left out.
// Links to folders count as folders. In case-insensitive name order.
std::vector<QByteArray> subfolders(const QByteArray &path)
{
    DIR *listing = ::opendir(path.constData());
    if (!listing) {
        qCDebug(lcFsDialog) << "cannot list" << path << std::strerror(errno);
        return {};
    }
    std::vector<std::pair<QByteArray, QByteArray>> found;
    while (const dirent *entry = ::readdir(listing)) {
        if (entry->d_name[0] == '.')
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            folder = ::fstatat(::dirfd(listing), entry->d_name, &status, 0) == 0 &&
                     S_ISDIR(status.st_mode);
        }
        if (folder)
            found.emplace_back(nameSortKey(entry->d_name), QByteArray(entry->d_name));
    }
    ::closedir(listing);
    std::sort(found.begin(), found.end());
    std::vector<QByteArray> names;
    for (auto &entry : found)
        names.push_back(std::move(entry.second));
    return names;
}

QByteArray childPath(const QByteArray &parent, const QByteArray &name)
{
    return parent.endsWith('/') ? parent + name : parent + '/' + name;
}

QByteArray lastComponent(const QTreeWidgetItem *item)
{
    const QByteArray path = item->data(0, PathRole).toByteArray();
    return path == "/" ? path : path.mid(path.lastIndexOf('/') + 1);
}

bool isFolder(const QByteArray &path)
{
    struct stat status;
    return ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

FolderDialog::FolderDialog(const FolderBrowseInfo &info, QWidget *parent)
    : QDialog(parent), m_flags(info.ulFlags)
{
    const QString title = info.lpszTitle ? *info.lpszTitle : QString();
    setWindowTitle(title.isEmpty() ? tr("Browse for Folder") : title);
    auto *layout = new QVBoxLayout(this);

    if (!title.isEmpty()) {
        auto *titleLabel = new QLabel(title, this);
        titleLabel->setObjectName(QStringLiteral("titleText"));
        titleLabel->setWordWrap(true);
        layout->addWidget(titleLabel);
    }

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("folderTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    layout->addWidget(m_tree, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    // A long path must not widen the dialog; it is elided instead.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setMinimumHeight(m_status->fontMetrics().height());
    m_status->installEventFilter(this);
    m_status->setVisible(m_flags & BIF_STATUSTEXT);
    layout->addWidget(m_status);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setObjectName(Res::objectIdName(Res::IDOK));
    m_ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(Res::objectIdName(Res::IDCANCEL));
    connect(buttons, &QDialogButtonBox::accepted, this, &FolderDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FolderDialog::reject);
    layout->addWidget(buttons);

    fillTree(info.pidlRoot);
    updateOkButton();
    // Only changes from here on are notified: the dialog opens on the top
    // item without a notification.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &FolderDialog::onCurrentItemChanged);
    resize(380, 440);
}

FolderDialog::~FolderDialog() = default;

void FolderDialog::fillTree(const FolderItem &root)
{
    if (root.fileSystem) {
        m_top = makeItem(root.path, root.path);
    } else {
        m_top = new QTreeWidgetItem({tr("Computer")});
        m_top->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
        m_top->setData(0, FileSystemRole, false);
        m_top->setData(0, LoadedRole, true);
        QTreeWidgetItem *fileSystemRoot = makeItem("/", "/");
        fileSystemRoot->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
        m_top->addChild(fileSystemRoot);
    }
    m_tree->addTopLevelItem(m_top);
    connect(m_tree, &QTreeWidget::itemExpanded, this, &FolderDialog::populate);
    m_top->setExpanded(true);
    if (QTreeWidgetItem *fileSystemRoot = fileSystemRootItem(); fileSystemRoot != m_top)
        fileSystemRoot->setExpanded(true);
    m_tree->setCurrentItem(m_top);
}

QTreeWidgetItem *FolderDialog::makeItem(const QByteArray &path, const QByteArray &name) const
{
    auto *item = new QTreeWidgetItem({QFile::decodeName(name)});
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setData(0, PathRole, path);
    item->setData(0, FileSystemRole, true);
    item->setData(0, LoadedRole, false);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void FolderDialog::populate(QTreeWidgetItem *item)
{
    if (!item || item->data(0, LoadedRole).toBool())
        return;
    item->setData(0, LoadedRole, true);
    const QByteArray path = item->data(0, PathRole).toByteArray();
    QList<QTreeWidgetItem *> children;
    for (const QByteArray &name : subfolders(path))
        children.append(makeItem(childPath(path, name), name));
    item->addChildren(children);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem *FolderDialog::childFolder(QTreeWidgetItem *item, const QByteArray &name)
{
    populate(item);
    const QByteArray path = childPath(item->data(0, PathRole).toByteArray(), name);
    for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->data(0, PathRole).toByteArray() == path)
            return item->child(i);
    }
    // A hidden folder, or one made since the listing: shown from now on, in
    // its place in the order.
    if (!isFolder(path))
        return nullptr;
    QTreeWidgetItem *child = makeItem(path, name);
    const QByteArray key = nameSortKey(name);
    int at = 0;
    while (at < item->childCount() && nameSortKey(lastComponent(item->child(at))) < key)
        ++at;
    item->insertChild(at, child);
    return child;
}

QTreeWidgetItem *FolderDialog::fileSystemRootItem() const
{
    return m_top->data(0, FileSystemRole).toBool() ? m_top : m_top->child(0);
}

void FolderDialog::setSelection(const QByteArray &path)
{
    if (!path.startsWith('/'))
        return;
    const QByteArray target = lexicallyNormalPath(path);
    QTreeWidgetItem *item = fileSystemRootItem();
    const QByteArray base = item->data(0, PathRole).toByteArray();
    QByteArrayView rest;
    if (base == "/") {
        rest = QByteArrayView(target).sliced(1);
    } else if (target == base) {
        rest = {};
    } else if (target.startsWith(base + '/')) {
        rest = QByteArrayView(target).sliced(base.size() + 1);
    } else {
        return; // outside the tree
    }
    if (!isFolder(target))
        return;
    for (const QByteArray &name : rest.toByteArray().split('/')) {
        if (name.isEmpty())
            continue;
        item = childFolder(item, name);
        if (!item)
            return;
    }
    for (QTreeWidgetItem *parent = item->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
}

void FolderDialog::setStatusText(const QByteArray &text)
{
    m_statusText = QFile::decodeName(text);
    showStatusText();
}

FolderItem FolderDialog::currentFolder() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (!item || !item->data(0, FileSystemRole).toBool())
        return FolderItem::computer();
    return FolderItem::folder(item->data(0, PathRole).toByteArray());
}

QByteArray FolderDialog::currentDisplayName() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return {};
    if (item->data(0, FileSystemRole).toBool())
        return lastComponent(item);
    return QFile::encodeName(item->text(0));
}

QString FolderDialog::statusText() const
{
    return m_statusText;
}

void FolderDialog::accept()
{
    if (m_ok->isEnabled())
        QDialog::accept();
}

bool FolderDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_status && event->type() == QEvent::Resize)
        showStatusText();
    return QDialog::eventFilter(watched, event);
}

void FolderDialog::onCurrentItemChanged(QTreeWidgetItem *current)
{
    updateOkButton();
    if (current)
        emit selectionChanged(currentFolder());
}

void FolderDialog::updateOkButton()
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    const bool fileSystem = item && item->data(0, FileSystemRole).toBool();
    m_ok->setEnabled(item && (fileSystem || !(m_flags & BIF_RETURNONLYFSDIRS)));
}

void FolderDialog::showStatusText()
{
    const int width = std::max(m_status->width(), 1);
    m_status->setText(m_status->fontMetrics().elidedText(m_statusText, Qt::ElideMiddle, width));
    m_status->setToolTip(m_statusText);
}
