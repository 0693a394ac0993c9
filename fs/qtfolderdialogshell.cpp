#include "fs/qtfolderdialogshell.h"

#include "fs/folderdialog.h"

#include <QPointer>
#include <QScopeGuard>

std::optional<FolderItem> QtFolderDialogShell::browseForFolder(const FolderBrowseInfo &info)
{
    // Owned by the owner window while it lives; deleted here in any case.
    auto *created = new FolderDialog(info, info.hwndOwner);
    const QPointer<FolderDialog> dialog(created);
    const auto discard = qScopeGuard([&dialog] { delete dialog.data(); });

    if (info.lpfn) {
        QObject::connect(created, &FolderDialog::selectionChanged, created,
                         [&info, created](const FolderItem &item) {
                             info.lpfn(created, BFFM_SELCHANGED, &item, info.lParam);
                         });
        info.lpfn(created, BFFM_INITIALIZED, nullptr, info.lParam);
    }
    if (!dialog || dialog->exec() != QDialog::Accepted || !dialog)
        return std::nullopt;
    if (info.pszDisplayName)
        *info.pszDisplayName = dialog->currentDisplayName();
    return dialog->currentFolder();
}

bool QtFolderDialogShell::pathFromItem(const FolderItem &item, QByteArray *path) const
{
    if (!item.fileSystem || item.path.isEmpty())
        return false;
    *path = item.path;
    return true;
}
