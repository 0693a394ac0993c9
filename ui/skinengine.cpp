#include "ui/skinengine.h"

#include "ui/skinlogging.h"
#include "ui/skinsheet.h"

#include <QWidget>

bool SkinEngine::LoadSkinFile(const QString &path)
{
    const SkinSheet sheet = SkinSheet::fromFile(path);
    // A refused skin replaces the previous one too: the windows skinned from
    // now on keep the plain look, as they would had this been the first load.
    m_loaded = sheet.ok();
    m_styleSheet = sheet.styleSheet();
    m_lastError = sheet.error();
    if (!m_loaded)
        qCWarning(lcSkin) << "skin" << path << "not loaded:" << m_lastError;
    else
        qCDebug(lcSkin) << "skin" << path << "loaded," << sheet.imagePaths().size() << "images";
    return m_loaded;
}

void SkinEngine::ApplyToWindow(QWidget *window)
{
    if (!window || !m_loaded)
        return;
    // The sheet goes to this window only, never to the application, so the
    // full-screen window and other top-level windows keep their own look.
    window->setStyleSheet(m_styleSheet);
}
