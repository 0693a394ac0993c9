#include "swf/scripting/scripting.h"

#include "swf/avm1/machine.h"
#include "swf/avm2/avm2scripthost.h"

#include <cmath>

namespace swf {

std::unique_ptr<ScriptHost> makeScriptHost(std::shared_ptr<const Movie> movie,
                                           std::shared_ptr<ScriptServices> services)
{
    if (movie->attributes().actionScript3) {
        avm2::RunnerOptions options;
        options.trace = [services](const QString &line) { services->trace(line); };
        if (const qint64 ms = services->scriptTimeoutMs(); ms > 0)
            options.timeoutSeconds = int(std::ceil(ms / 1000.0));
        return std::make_unique<avm2::Avm2ScriptHost>(std::move(options));
    }
    return std::make_unique<avm1::Machine>(std::move(movie), std::move(services));
}

} // namespace swf
