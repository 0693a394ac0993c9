// FolderBrowser runs a folder dialog modally and turns the chosen folder into
// its full path. It holds the dialog's parameter block, and passes the
// dialog's notifications on to virtual operations, through which a derived
// class preselects a folder and drives the dialog's status line.
//
// A browser is idle until the first notification of a Browse and open from
// then until Browse returns. While open, the parameter block stays as the
// dialog received it: SetOwner, SetRootItem, SetFlags, SetTitleText (and so
// SetTitle) change nothing. SetSelection and SetStatusText reach the dialog
// only while it is open, including from inside the virtual operations.
#pragma once

#include "fs/folderdialogshell.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QWidget;

class FolderBrowser {
public:
    // `shell` runs the dialog; null means our own Qt folder dialog. The
    // browser does not own it.
    FolderBrowser(QWidget *owner, const FolderItem &rootItem, int titleId,
                  FolderDialogShell *shell = nullptr);
    virtual ~FolderBrowser() = 0;

    FolderBrowser(const FolderBrowser &) = delete;
    FolderBrowser &operator=(const FolderBrowser &) = delete;

    void SetOwner(QWidget *owner);
    void SetRootItem(const FolderItem &item);
    // BIF_RETURNONLYFSDIRS, BIF_STATUSTEXT; none at first.
    void SetFlags(unsigned flags);
    void SetTitleText(const QString &text);
    // Loads string resource `id` as the title. False for an id of zero or
    // less or one without text, leaving the title as it was.
    bool SetTitle(int id);

    // Runs the dialog; true when the user confirmed a folder of the file
    // system, whose path GetPath then returns. Not re-entrant: a Browse
    // called while this browser's dialog is open returns false at once.
    bool Browse();
    // The path of the folder the last successful Browse returned; empty
    // before one, and after a Browse that confirmed an item with no path.
    QByteArray GetPath() const;

    void SetSelection(const QByteArray &path);
    void SetStatusText(const QByteArray &text);

    // The dialog's callback; `browser` is the parameter block's lParam.
    static int BrowseCallbackProc(FolderDialogWindow *window, unsigned notification,
                                  const FolderItem *value, FolderBrowser *browser);

protected:
    // The dialog has been created.
    virtual void OnInitialized();
    // The selection has changed to `item`, which may have no file-system path.
    virtual void OnSelChanged(const FolderItem &item);

    FolderDialogShell &shell();

    QString titleText; // browseInfo.lpszTitle points here once there is a title
    FolderBrowseInfo browseInfo;
    QByteArray pathBuffer;
    FolderDialogWindow *dialogWindow = nullptr; // null whenever no dialog is open

private:
    FolderDialogShell *m_shell;
    std::unique_ptr<FolderDialogShell> m_ownShell; // our dialog, when no shell was given
    bool m_browsing = false;
};
