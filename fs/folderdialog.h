// Our folder dialog: the title text above a tree of folders that starts at
// the computer (no file-system path) with the file-system root "/" beneath
// it, or at a given folder; a status line when BIF_STATUSTEXT is set; OK and
// Cancel. Folders are listed when first expanded, hidden ones left out
// unless a selection by path leads through them. With BIF_RETURNONLYFSDIRS
// only a folder with a file-system path can be confirmed.
//
// It accepts the two messages of a running folder dialog and signals every
// change of selection; QtFolderDialogShell turns that into the callback's
// notifications.
#pragma once

#include "fs/folderdialogshell.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class FolderDialog final : public QDialog, public FolderDialogWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderDialog)

public:
    // Uses the parameter block's root item, title and flags.
    explicit FolderDialog(const FolderBrowseInfo &info, QWidget *parent = nullptr);
    ~FolderDialog() override;

    void setSelection(const QByteArray &path) override;
    void setStatusText(const QByteArray &text) override;

    // The item under the selection, and its name as the tree shows it.
    FolderItem currentFolder() const;
    QByteArray currentDisplayName() const;
    // The whole text of the status line (the line itself may elide it).
    QString statusText() const;

    // Refused while OK is disabled.
    void accept() override;

signals:
    void selectionChanged(const FolderItem &item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fillTree(const FolderItem &root);
    QTreeWidgetItem *makeItem(const QByteArray &path, const QByteArray &name) const;
    void populate(QTreeWidgetItem *item);
    QTreeWidgetItem *childFolder(QTreeWidgetItem *item, const QByteArray &name);
    QTreeWidgetItem *fileSystemRootItem() const;
    void onCurrentItemChanged(QTreeWidgetItem *current);
    void updateOkButton();
    void showStatusText();

    unsigned m_flags;
    QTreeWidget *m_tree = nullptr;
    QTreeWidgetItem *m_top = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_ok = nullptr;
    QString m_statusText;
};
