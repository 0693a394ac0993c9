#include "ui/urlopener.h"

#include <QDesktopServices>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcUrlOpener, "ui.url")

void DesktopUrlOpener::openUrl(const QUrl &url)
{
    if (!QDesktopServices::openUrl(url))
        qCInfo(lcUrlOpener) << "no handler opened" << url.toDisplayString();
}
