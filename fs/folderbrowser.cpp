#include "fs/folderbrowser.h"

#include "fs/qtfolderdialogshell.h"
#include "res/strings.h"

#include <QScopeGuard>

FolderBrowser::FolderBrowser(QWidget *owner, const FolderItem &rootItem, int titleId,
                             FolderDialogShell *shell)
    : m_shell(shell)
{
    SetOwner(owner);
    SetRootItem(rootItem);
    SetTitle(titleId);
    browseInfo.pszDisplayName = &pathBuffer;
    browseInfo.lpfn = &FolderBrowser::BrowseCallbackProc;
    browseInfo.lParam = this;
}

FolderBrowser::~FolderBrowser() = default;

void FolderBrowser::SetOwner(QWidget *owner)
{
    if (!dialogWindow)
        browseInfo.hwndOwner = owner;
}

void FolderBrowser::SetRootItem(const FolderItem &item)
{
    if (!dialogWindow)
        browseInfo.pidlRoot = item;
}

void FolderBrowser::SetFlags(unsigned flags)
{
    if (!dialogWindow)
        browseInfo.ulFlags = flags;
}

void FolderBrowser::SetTitleText(const QString &text)
{
    if (dialogWindow)
        return;
    titleText = text;
    browseInfo.lpszTitle = &titleText;
}

bool FolderBrowser::SetTitle(int id)
{
    if (id <= 0)
        return false;
    const QString text = Res::loadString(id);
    if (text.isEmpty())
        return false;
    SetTitleText(text);
    return true;
}

bool FolderBrowser::Browse()
{
    if (m_browsing)
        return false;
    m_browsing = true;
    const auto idle = qScopeGuard([this] {
        dialogWindow = nullptr;
        m_browsing = false;
    });
    FolderDialogShell &dialogShell = shell();
    const std::optional<FolderItem> chosen = dialogShell.browseForFolder(browseInfo);
    if (!chosen)
        return false;
    QByteArray path;
    if (!dialogShell.pathFromItem(*chosen, &path)) {
        pathBuffer.clear();
        return false;
    }
    pathBuffer = path;
    return true;
}

QByteArray FolderBrowser::GetPath() const
{
    return pathBuffer;
}

void FolderBrowser::SetSelection(const QByteArray &path)
{
    if (dialogWindow)
        dialogWindow->setSelection(path);
}

void FolderBrowser::SetStatusText(const QByteArray &text)
{
    if (dialogWindow)
        dialogWindow->setStatusText(text);
}

int FolderBrowser::BrowseCallbackProc(FolderDialogWindow *window, unsigned notification,
                                      const FolderItem *value, FolderBrowser *browser)
{
    if (!browser)
        return 0;
    // The window is stored first, so that the virtual operations can send
    // their messages to it.
    browser->dialogWindow = window;
    if (notification == BFFM_INITIALIZED)
        browser->OnInitialized();
    else if (notification == BFFM_SELCHANGED && value)
        browser->OnSelChanged(*value);
    return 0;
}

void FolderBrowser::OnInitialized() {}

void FolderBrowser::OnSelChanged(const FolderItem &) {}

FolderDialogShell &FolderBrowser::shell()
{
    if (!m_shell) {
        m_ownShell = std::make_unique<QtFolderDialogShell>();
        m_shell = m_ownShell.get();
    }
    return *m_shell;
}
