// The folder-dialog shell of the running program: shows a FolderDialog
// modally over the owner and reports its creation and every change of
// selection to the parameter block's callback.
#pragma once

#include "fs/folderdialogshell.h"

class QtFolderDialogShell final : public FolderDialogShell {
public:
    std::optional<FolderItem> browseForFolder(const FolderBrowseInfo &info) override;
    bool pathFromItem(const FolderItem &item, QByteArray *path) const override;
};
