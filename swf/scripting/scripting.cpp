#include "swf/scripting/scripting.h"

#include "swf/avm1/machine.h"

namespace swf {

std::unique_ptr<ScriptHost> makeScriptHost(std::shared_ptr<const Movie> movie,
                                           std::shared_ptr<ScriptServices> services)
{
    // ActionScript 3 movies wait for their machine; meanwhile their
    // timelines play as drawn.
    if (movie->attributes().actionScript3)
        return std::make_unique<NullScriptHost>();
    return std::make_unique<avm1::Machine>(std::move(movie), std::move(services));
}

} // namespace swf
