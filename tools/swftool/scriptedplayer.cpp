#include "scriptedplayer.h"

#include "swf/scripting/scripting.h"

namespace swftool {

std::unique_ptr<swf::Player> makePlayer(const swf::MoviePtr &movie, swf::AudioSink *audio,
                                        std::shared_ptr<ToolScriptServices> services)
{
    if (!services)
        services = std::make_shared<ToolScriptServices>();
    return std::make_unique<swf::Player>(movie, audio, swf::makeScriptHost(movie, services));
}

} // namespace swftool
