// A movie played offline, frame by frame at its own rate, with its sound
// mixed as it goes and no device: what `orvanto-swf audio`, `sounds` and
// `export` (and the player's export) share, so they hear and show a movie
// the same way. Scripts see the movie's own time: one frame interval a
// step, never the wall clock.
#pragma once

#include "swf/audio/audioengine.h"
#include "swf/movieloader.h"
#include "swf/runtime/player.h"

#include <memory>
#include <optional>
#include <vector>

namespace swf {
class SoundCapture;
}

namespace swftool {

class OfflinePlayback {
public:
    // `capture`, when given, records each sound started (not owned);
    // `movieUrl` is where the movie's scripts load files from.
    explicit OfflinePlayback(swf::MoviePtr movie, swf::SoundCapture *capture = nullptr,
                             const QString &movieUrl = QString());
    OfflinePlayback(const OfflinePlayback &) = delete;
    OfflinePlayback &operator=(const OfflinePlayback &) = delete;

    const swf::Player &player() const { return *m_player; }
    double framesPerSecond() const { return m_fps; }
    // Frames shown so far, all jumps included.
    int framesShown() const { return m_shown; }

    // Shows the next frame (the first one on the first call, then one
    // step each) and mixes its share of the sound: the samples, 44.1 kHz
    // stereo interleaved, that play while it is on screen.
    const std::vector<qint16> &showNextFrame();
    // The next frame shown is `frame` (from 0), reached by a seek.
    void jumpTo(int frame) { m_jump = frame; }

private:
    swf::MoviePtr m_movie;
    double m_fps;
    swf::SoundCapture *m_capture;
    // The engine outlives the player that reports to it.
    std::unique_ptr<swf::AudioEngine> m_engine;
    std::unique_ptr<swf::Player> m_player;
    std::vector<qint16> m_block;
    qint64 m_mixed = 0;
    int m_shown = 0;
    std::optional<int> m_jump;
};

} // namespace swftool
