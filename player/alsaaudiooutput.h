// Sound through ALSA (its `default` PCM reaches PulseAudio or PipeWire
// through their plugins). The UI thread hands mixed frames to a bounded
// buffer; a thread of the output's own opens the device and feeds it, so
// no blocking call into ALSA ever runs on the UI thread. With no usable
// device the frames are taken at the pace of the clock, silently, and the
// reason is logged once.
#pragma once

#include "swf/audio/audiooutput.h"

#include <QByteArray>

#include <memory>
#include <thread>

class AlsaAudioOutput final : public swf::AudioOutput {
public:
    explicit AlsaAudioOutput(QByteArray device = QByteArrayLiteral("default"));
    ~AlsaAudioOutput() override;
    AlsaAudioOutput(const AlsaAudioOutput &) = delete;
    AlsaAudioOutput &operator=(const AlsaAudioOutput &) = delete;

    qint64 write(const qint16 *samples, qint64 frames) override;
    qint64 writable() const override;
    qint64 playedFrames() const override;
    qint64 discard() override;
    qint64 queuedFrames() const override;
    qint64 mixIntoQueued(const qint16 *samples, qint64 frames) override;

    // The device is open and being fed (false before the first write, and
    // while no device could be opened).
    bool isDeviceOpen() const;
    // Times the device ran dry while playing and was restarted.
    qint64 underruns() const;

    struct Shared; // what the feeding thread shares with the output, in the .cpp

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
    qint64 m_written = 0;
    mutable qint64 m_played = 0; // what playedFrames() said last: it never goes back
};
