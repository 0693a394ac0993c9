#include "fs/scriptedfolderdialogshell.h"

class ScriptedFolderDialogShell::Window final : public FolderDialogWindow {
public:
    Window(ScriptedFolderDialogShell &shell, const FolderBrowseInfo &info)
        : m_shell(shell), m_info(info)
    {
    }

    void setSelection(const QByteArray &path) override
    {
        m_shell.log.append("SETSELECTION " + path);
        if (path.startsWith('/'))
            select(FolderItem::folder(path));
    }

    void setStatusText(const QByteArray &text) override
    {
        m_shell.log.append("SETSTATUSTEXT " + text);
        m_shell.statusText = text;
    }

    void notify(unsigned notification, const FolderItem *item)
    {
        if (notification == BFFM_INITIALIZED)
            m_shell.log.append("INITIALIZED");
        else
            m_shell.log.append("SELCHANGED " + (item->fileSystem ? item->path : "-"));
        if (m_info.lpfn)
            m_info.lpfn(this, notification, item, m_info.lParam);
    }

    void select(const FolderItem &item)
    {
        if (item == m_shell.selection)
            return;
        m_shell.selection = item;
        notify(BFFM_SELCHANGED, &item);
    }

private:
    ScriptedFolderDialogShell &m_shell;
    const FolderBrowseInfo &m_info;
};

std::optional<FolderItem> ScriptedFolderDialogShell::browseForFolder(const FolderBrowseInfo &info)
{
    ++browseCount;
    receivedInfo = info;
    receivedTitle = info.lpszTitle ? *info.lpszTitle : QString();
    selection = FolderItem::computer();
    statusText.clear();

    Window window(*this, info);
    window.notify(BFFM_INITIALIZED, nullptr);
    for (const FolderItem &item : selectionChanges)
        window.select(item);
    if (whileOpen)
        whileOpen();
    closingInfo = info;
    if (result && info.pszDisplayName) {
        *info.pszDisplayName = result->fileSystem
                                   ? result->path.mid(result->path.lastIndexOf('/') + 1)
                                   : QByteArray("Computer");
    }
    return result;
}

bool ScriptedFolderDialogShell::pathFromItem(const FolderItem &item, QByteArray *path) const
{
    if (!item.fileSystem || item.path.isEmpty())
        return false;
    *path = item.path;
    return true;
}
