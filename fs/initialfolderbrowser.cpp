#include "fs/initialfolderbrowser.h"

InitialFolderBrowser::InitialFolderBrowser(QWidget *owner, int titleId, FolderDialogShell *shell)
    : FolderBrowser(owner, FolderItem::computer(), titleId, shell)
{
}

InitialFolderBrowser::~InitialFolderBrowser() = default;

void InitialFolderBrowser::SetInitialFolder(const QByteArray &folder)
{
    initialFolder = folder;
}

void InitialFolderBrowser::OnInitialized()
{
    // Both messages go out even for an empty folder: the status line then
    // starts empty.
    SetSelection(initialFolder);
    SetStatusText(initialFolder);
}

void InitialFolderBrowser::OnSelChanged(const FolderItem &item)
{
    QByteArray path;
    if (shell().pathFromItem(item, &path))
        SetStatusText(path);
    else
        SetStatusText(QByteArray());
}
