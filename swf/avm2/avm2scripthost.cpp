#include "swf/avm2/avm2scripthost.h"

#include "swf/runtime/player.h"

namespace swf::avm2 {

Avm2ScriptHost::Avm2ScriptHost(RunnerOptions options) : m_options(std::move(options))
{
}

Avm2ScriptHost::~Avm2ScriptHost() = default;

void Avm2ScriptHost::attach(Player &player)
{
    m_player = &player;
    // Scripts see the movie's own time: the player's.
    if (!m_options.clock)
        m_options.clock = [p = &player] { return p->timeMs(); };
    // Only ActionScript 3 movies run here; others keep their timelines.
    if (player.movie().attributes().actionScript3)
        m_runner = std::make_unique<Runner>(player.sharedMovie(), m_options);
}

void Avm2ScriptHost::doAbc(const DoAbc &tag)
{
    // The tag lives in the shared, immutable movie the player holds.
    if (m_runner)
        m_pendingAbc.push_back(&tag);
}

void Avm2ScriptHost::frameEntered(DisplayObject &object, int frame)
{
    if (m_runner && m_player && &object == static_cast<DisplayObject *>(&m_player->root()))
        m_pendingFrames.push_back(frame);
}

void Avm2ScriptHost::runPending()
{
    if (!m_runner)
        return;
    const auto abc = std::exchange(m_pendingAbc, {});
    for (const DoAbc *tag : abc)
        m_runner->loadAbc(*tag);
    const auto frames = std::exchange(m_pendingFrames, {});
    if (!frames.empty())
        m_runner->constructRoot();
    for (int frame : frames)
        m_runner->runFrameScript(frame);
}

} // namespace swf::avm2
