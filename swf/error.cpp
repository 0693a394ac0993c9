#include "swf/error.h"

namespace swf {

QString Error::toString() const
{
    if (tag < 0 && offset < 0)
        return message;
    QString context;
    if (tag >= 0)
        context = QStringLiteral("tag %1").arg(tag);
    if (offset >= 0) {
        if (!context.isEmpty())
            context += QLatin1String(" at ");
        context += QStringLiteral("offset %1").arg(offset);
    }
    return QStringLiteral("%1 (%2)").arg(message, context);
}

} // namespace swf
