// The maker's web site and mail address, offered by the about box. Kept here
// only; the reserved "example" domain stands until the project has its own.
#pragma once

#include <QString>
#include <QUrl>

namespace Maker {

inline QString webAddress()
{
    return QStringLiteral("https://orvanto.example/");
}
inline QString mailAddress()
{
    return QStringLiteral("mail@orvanto.example");
}

// Captions of the about box's buttons, naming the addresses.
inline QString webCaption()
{
    return QStringLiteral("orvanto.example");
}
inline QString mailCaption()
{
    return mailAddress();
}

inline QUrl webUrl()
{
    return QUrl(webAddress());
}
inline QUrl mailUrl()
{
    return QUrl(QStringLiteral("mailto:") + mailAddress());
}

} // namespace Maker
