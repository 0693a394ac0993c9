// Tag family: bitmaps: DefineBits, JPEGTables, DefineBitsJPEG2/3/4, DefineBitsLossless 1/2.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerBitmapTags(TagTable &)
{
}

} // namespace swf
