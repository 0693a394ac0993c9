// The table-driven dispatcher's table: for each tag code, the function that
// parses it and where it may appear. Each tag family registers its codes
// from its own file (see tagfamilies.h).
#pragma once

#include "swf/io/tagcodes.h"
#include "swf/parse/tagcontext.h"

#include <array>
#include <optional>

namespace swf {

using TagHandler = std::optional<Error> (*)(TagContext &);

enum class TagScope {
    Definition, // main tag stream only: defines characters or movie properties
    Control,    // main stream and sprite timelines
};

class TagTable {
public:
    struct Entry {
        TagHandler handler = nullptr;
        TagScope scope = TagScope::Definition;
    };

    void add(quint16 code, TagHandler handler, TagScope scope);
    const Entry *find(quint16 code) const;

    // The table with every family the engine knows.
    static const TagTable &standard();

private:
    std::array<Entry, TagCode::kCount> m_entries{};
};

} // namespace swf
