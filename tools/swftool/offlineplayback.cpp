#include "offlineplayback.h"
#include "scriptedplayer.h"

#include "swf/audio/audiooutput.h"
#include "swf/audio/soundcapture.h"
#include "swf/runtime/frameclock.h"

#include <cmath>

namespace swftool {

OfflinePlayback::OfflinePlayback(swf::MoviePtr movie, swf::SoundCapture *capture,
                                 const QString &movieUrl)
    : m_movie(movie), m_fps(swf::FrameClock::effectiveRate(movie->frameRate())), m_capture(capture),
      m_engine(std::make_unique<swf::AudioEngine>(movie))
{
    // The first frame's sounds start as the player is made: the engine
    // records them from the start.
    m_engine->setCapture(capture);
    if (capture)
        capture->setFrame(1);
    m_player = makePlayer(
        movie, m_engine.get(),
        std::make_shared<ToolScriptServices>(ToolScriptServices::kDefaultTimeoutMs, movieUrl));
    m_engine->attach(m_player.get());
    m_player->start();
}

const std::vector<qint16> &OfflinePlayback::showNextFrame()
{
    ++m_shown;
    if (m_shown > 1) {
        if (m_capture)
            m_capture->setFrame(m_shown);
        if (m_jump)
            m_player->seek(*m_jump);
        else
            m_player->step();
    }
    m_jump.reset();
    // Each frame gets its share of the second, rounded so none drifts.
    const qint64 end = std::llround(m_shown * double(swf::AudioOutput::kRate) / m_fps);
    const int count = int(end - m_mixed);
    m_block.resize(size_t(count) * 2);
    m_engine->render(m_block.data(), count);
    m_mixed = end;
    return m_block;
}

} // namespace swftool
