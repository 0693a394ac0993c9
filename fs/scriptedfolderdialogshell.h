// A folder-dialog shell that plays a script instead of showing a dialog, for
// tests of the browser and of the commands that use it. It records, in
// order, the notifications it gives and the messages it receives:
//   "INITIALIZED", "SELCHANGED <path>" ("SELCHANGED -" for an item with no
//   path), "SETSELECTION <path>", "SETSTATUSTEXT <text>".
// Like the real dialog, a selection message with an absolute path moves the
// selection there and notifies the change; any other path changes nothing.
#pragma once

#include "fs/folderdialogshell.h"

#include <QList>

#include <functional>

class ScriptedFolderDialogShell final : public FolderDialogShell {
public:
    // The script: after the creation notification, the user moves the
    // selection to each of these in turn, then `whileOpen` runs, then the
    // dialog closes with `result` confirmed, or cancelled when it is none.
    QList<FolderItem> selectionChanges;
    std::function<void()> whileOpen;
    std::optional<FolderItem> result;

    // The record.
    QList<QByteArray> log;
    int browseCount = 0;
    FolderBrowseInfo receivedInfo; // as the last dialog opened
    QString receivedTitle;         // its title text, when it had one
    FolderBrowseInfo closingInfo;  // the parameter block as that dialog closed
    FolderItem selection;          // the selection as it closed
    QByteArray statusText;         // the status line as it closed

    std::optional<FolderItem> browseForFolder(const FolderBrowseInfo &info) override;
    bool pathFromItem(const FolderItem &item, QByteArray *path) const override;

private:
    class Window;
};
