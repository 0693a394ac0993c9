// DefineSprite: a character whose body is a tag stream of its own, holding
// only control tags.
#include "swf/io/tagcodes.h"
#include "swf/model/sprite.h"
#include "swf/parse/dispatch.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

std::optional<Error> parseDefineSprite(TagContext &c)
{
    auto sprite = std::make_unique<Sprite>(c.reader.u16());
    sprite->declaredFrameCount = c.reader.u16();
    if (auto error = c.overrunError("DefineSprite"))
        return error;
    const qint64 base = c.reader.absolutePosition();
    TagStream stream(c.reader.rest(), base);
    TimelineBuilder timeline(sprite->timeline, c.movie.stats);
    dispatchTags(stream, c.movie, timeline, c.spriteDepth + 1);
    c.define(std::move(sprite));
    return std::nullopt;
}

} // namespace

void registerSpriteTags(TagTable &table)
{
    // Definition scope: a DefineSprite inside a sprite is skipped, which
    // also bounds the recursion of the parser.
    table.add(TagCode::DefineSprite, parseDefineSprite, TagScope::Definition);
}

} // namespace swf
