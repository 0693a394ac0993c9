#include "res/icon.h"

namespace Res {

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/res/icons/orvanto-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace Res
