// The folder browser the program uses: the tree starts at the computer, the
// dialog opens on a given folder, and the status line shows the path of the
// folder under the selection (empty for an item outside the file system).
#pragma once

#include "fs/folderbrowser.h"

class InitialFolderBrowser : public FolderBrowser {
public:
    InitialFolderBrowser(QWidget *owner, int titleId, FolderDialogShell *shell = nullptr);
    ~InitialFolderBrowser() override;

    // The folder to select when the dialog opens; accepted at any time.
    void SetInitialFolder(const QByteArray &folder);

protected:
    void OnInitialized() override;
    void OnSelChanged(const FolderItem &item) override;

    QByteArray initialFolder;
};
