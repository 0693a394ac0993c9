// The seam between the folder browser and the dialog that lets the user
// choose a folder: the dialog's parameter block, the items it shows, the two
// messages the running dialog accepts, and the shell that runs it. The real
// shell shows our own Qt folder dialog (QtFolderDialogShell); tests script
// one (ScriptedFolderDialogShell).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

// Flags of the parameter block.
inline constexpr unsigned BIF_RETURNONLYFSDIRS = 0x0001; // only file-system folders can be confirmed
inline constexpr unsigned BIF_STATUSTEXT = 0x0004;       // the dialog has a status line

// Notifications the dialog gives its callback.
inline constexpr unsigned BFFM_INITIALIZED = 1; // the dialog has been created
inline constexpr unsigned BFFM_SELCHANGED = 2;  // the selection has changed; the value is the item

// One item of the dialog's tree: a folder of the file system, or an item
// outside it with no path, such as the tree's top item, the computer.
struct FolderItem {
    QByteArray path; // absolute, no trailing '/' except for "/"; empty outside the file system
    bool fileSystem = false;

    static FolderItem computer() { return {}; }
    static FolderItem folder(const QByteArray &path) { return {path, true}; }

    friend bool operator==(const FolderItem &, const FolderItem &) = default;
};

// The running dialog, as its callback reaches it. It accepts exactly two
// messages.
class FolderDialogWindow {
public:
    virtual ~FolderDialogWindow() = default;
    // Selects the folder with this path (a path string, not an item); a path
    // that names no folder the tree can show changes nothing.
    virtual void setSelection(const QByteArray &path) = 0;
    // Replaces the text of the status line, when the dialog has one.
    virtual void setStatusText(const QByteArray &text) = 0;
};

class FolderBrowser;

// The dialog's callback: the dialog, the notification, its value (the newly
// selected item for BFFM_SELCHANGED, null otherwise) and the parameter
// block's lParam. The result is ignored.
using BrowseCallback = int (*)(FolderDialogWindow *window, unsigned notification,
                               const FolderItem *value, FolderBrowser *browser);

// The dialog's parameter block.
struct FolderBrowseInfo {
    QWidget *hwndOwner = nullptr;       // the window the dialog is modal over
    FolderItem pidlRoot;                // where the tree starts; the computer for the whole file system
    QByteArray *pszDisplayName = nullptr; // receives the chosen item's name on confirmation
    const QString *lpszTitle = nullptr; // the text shown above the tree; none while null
    unsigned ulFlags = 0;
    BrowseCallback lpfn = nullptr;
    FolderBrowser *lParam = nullptr;    // handed back to lpfn
};

class FolderDialogShell {
public:
    virtual ~FolderDialogShell() = default;
    // Runs the dialog modally over the owner, calling info.lpfn with
    // info.lParam on creation and on every change of selection, and returns
    // the confirmed item, or none when the user cancelled.
    virtual std::optional<FolderItem> browseForFolder(const FolderBrowseInfo &info) = 0;
    // The item's full file-system path; false for an item outside the file
    // system.
    virtual bool pathFromItem(const FolderItem &item, QByteArray *path) const = 0;
};
