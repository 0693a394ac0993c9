// Ids for the definitions the font, text and button writers add.
#pragma once

#include "tools/swfwriter/swfwriter.h"

#include <optional>

namespace swfwriter {

// `id` when given, else the next free one. The writer hands out ids in
// order: it is run past a given id, so that later definitions do not take
// it again.
inline quint16 takeId(SwfWriter &movie, std::optional<quint16> id)
{
    if (!id)
        return movie.reserveId();
    for (quint16 next = movie.reserveId(); next < *id && next != 0xffff;)
        next = movie.reserveId();
    return *id;
}

} // namespace swfwriter
