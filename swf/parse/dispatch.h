// Runs every tag of a stream through the tag table, into the given
// timeline. Used for the main stream and, by DefineSprite, for sprites.
#pragma once

#include "swf/io/tagstream.h"
#include "swf/parse/tagcontext.h"

namespace swf {

void dispatchTags(TagStream &stream, MovieParts &movie, TimelineBuilder &timeline, int spriteDepth);

} // namespace swf
