// The CSS reader of TextField.StyleSheet: rules of selectors and
// declarations, read as the Flash Player reads them (no nesting, no
// comments, names like font-size become fontSize), kept apart from the
// machine so that hostile text can be tried on its own.
#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace swf::avm1::css {

struct Rule {
    std::vector<QString> selectors;
    // Names as scripts read them, values as written (trailing blanks kept).
    std::vector<std::pair<QString, QString>> declarations;
};

// The rules in order, or nothing when the text is not read whole.
// Version 8 movies accept blanks in an empty block ("a { }").
std::optional<std::vector<Rule>> parse(QStringView text, int version);

} // namespace swf::avm1::css
