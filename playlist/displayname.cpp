#include "playlist/displayname.h"

#include <QFile>

QString DisplayName(const QByteArray &path)
{
    QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name.truncate(dot);
    return QFile::decodeName(name);
}
