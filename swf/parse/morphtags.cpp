// Tag family: morph shapes: DefineMorphShape 1/2.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerMorphTags(TagTable &)
{
}

} // namespace swf
