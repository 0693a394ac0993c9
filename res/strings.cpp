#include "res/strings.h"

#include "res/resource.h"

namespace Res {

QString loadString(int id)
{
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Orvanto...");
    case IDS_BROWSE_TITLE:
        return QStringLiteral("Browse flash(*.swf) folder....");
    default:
        return {};
    }
}

} // namespace Res
