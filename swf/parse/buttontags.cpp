// Tag family: buttons: DefineButton, DefineButton2, DefineButtonCxform, DefineButtonSound.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerButtonTags(TagTable &)
{
}

} // namespace swf
