// Tag family: text: DefineText 1/2, DefineEditText.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerTextTags(TagTable &)
{
}

} // namespace swf
