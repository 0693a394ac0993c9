// The program's string table (string resources 101 and 102).
#pragma once

#include <QString>

namespace Res {

// The text of string resource `id`; empty when there is none.
QString loadString(int id);

} // namespace Res
