// Tag family: fonts: DefineFont 1/2/3, DefineFontInfo 1/2, DefineFontAlignZones, DefineFontName.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerFontTags(TagTable &)
{
}

} // namespace swf
