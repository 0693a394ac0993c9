// Tag family: sounds: DefineSound, StartSound 1/2, SoundStreamHead 1/2, SoundStreamBlock.
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

void registerSoundTags(TagTable &)
{
}

} // namespace swf
