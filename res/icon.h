// The application icon (resource 128): a play mark in a ring on a blue tile.
#pragma once

#include <QIcon>

namespace Res {

QIcon applicationIcon();

} // namespace Res
