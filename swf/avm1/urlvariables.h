// Variables in URL encoding ("a=1&b=two%20words"), as LoadVars.decode and
// loadVariables read them, kept apart from the machine so that hostile
// text can be tried on its own.
#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace swf::avm1 {

// The name and value pairs in order; pairs without a name are dropped.
// Escapes are read as UTF-8 from version 6, as Latin-1 before.
std::vector<std::pair<QString, QString>> decodeUrlVariables(QStringView text, int version);

// %XX escapes and '+' for space undone.
QString unescapeUrlComponent(QStringView text, int version);

} // namespace swf::avm1
