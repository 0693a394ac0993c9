#include "player/alsaaudiooutput.h"

#include "swf/audio/audioring.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <alsa/asoundlib.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(lcAlsaOutput, "player.audio")

using namespace std::chrono_literals;

constexpr int kRate = swf::AudioOutput::kRate;
// The buffer between the threads: room for the mixer's lead and more.
constexpr qint64 kRingFrames = kRate / 2;
// What the device buffers: short, so that stop, seek and event sounds are
// heard at once (the mixer's lead waits in the ring, where it can still be
// mixed into, or thrown away), long enough that the feeding thread, woken
// every few milliseconds, keeps it from running dry on a busy machine.
constexpr unsigned kDeviceLatencyUs = 40000;
// A device that ran dry is opened again with a longer buffer, up to this.
// The pulse plugin answers an underrun by connecting a new stream, which a
// server whose sink runs on a recorder's long latency hears up to 2 s late:
// on a machine too busy for the short buffer, underruns must stay rare.
// Not longer: a sink's monitor hears what it is given a part of its
// latency early, and a longer buffer takes it past a frame.
constexpr unsigned kMaxDeviceLatencyUs = 60000;
// Silence written when the mixer falls behind, before the device is let
// go idle.
constexpr qint64 kIdlePaddingFrames = kRate / 2;
// How far the count of frames heard runs on from the device's last report
// (about a period): it moves smoothly between reports, and stops soon
// when the device does.
constexpr qint64 kExtrapolateNs = 12000000;
// How long a missing device is left alone before it is tried again.
constexpr qint64 kRetryMs = 10000;

// The reason sound is off is worth one line, not one per movie.
void reportOnce(const QByteArray &device, const char *what, int error)
{
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        qCWarning(lcAlsaOutput).noquote()
            << QStringLiteral("no sound: ALSA device \"%1\": %2: %3; movies play silently")
                   .arg(QString::fromLocal8Bit(device), QLatin1String(what),
                        QString::fromLocal8Bit(snd_strerror(error)));
}

} // namespace

struct AlsaAudioOutput::Shared {
    explicit Shared(QByteArray name) : device(std::move(name)) { clock.start(); }

    QByteArray device;
    swf::AudioRing ring{kRingFrames};
    std::atomic<bool> quit{false};
    std::atomic<qint64> consumed{0}; // frames taken from the ring
    std::atomic<bool> open{false};
    std::atomic<qint64> underruns{0};
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;

    // Frames heard, when the device last said so, and whether they were
    // moving on then (real sound playing, not padding).
    QElapsedTimer clock;
    mutable std::mutex playedMutex;
    qint64 played = 0;
    qint64 playedAtNs = 0;
    bool moving = false;

    void raisePlayed(qint64 value, bool movingOn = false)
    {
        std::lock_guard lock(playedMutex);
        moving = movingOn && value > played;
        played = qMax(played, value);
        playedAtNs = clock.nsecsElapsed();
    }
    // Frames heard by now, running on from the last report.
    qint64 playedNow() const
    {
        std::lock_guard lock(playedMutex);
        if (!moving)
            return played;
        const qint64 since = qMin(clock.nsecsElapsed() - playedAtNs, kExtrapolateNs);
        return qMin(played + since * kRate / 1000000000, consumed.load());
    }
};

namespace {

// The feeding thread: owns the PCM handle; never touches the engine.
class Feeder {
public:
    explicit Feeder(AlsaAudioOutput::Shared &shared) : m(shared) {}
    ~Feeder() { close(); }

    void run()
    {
        while (!m.quit) {
            if (!m_pcm && (!m_retry.isValid() || m_retry.elapsed() > kRetryMs))
                openDevice();
            if (m_pcm)
                feedDevice();
            else
                paceWithoutDevice();
        }
    }

private:
    void openDevice();
    void close();
    void dropDevice();
    void feedDevice();
    void paceWithoutDevice();
    bool writeAll(const qint16 *samples, snd_pcm_uframes_t frames);
    void noteWritten(qint64 real, qint64 padding);
    void updatePlayed();
    qint64 realFramesAt(qint64 deviceFrame);

    // What the device was given since it was prepared: up to `deviceEnd`
    // of its frames, the ring's frames up to `realEnd` (a stretch of
    // padding leaves `realEnd` where it was).
    struct Span {
        qint64 deviceEnd;
        qint64 realEnd;
        bool real;
    };

    AlsaAudioOutput::Shared &m;
    snd_pcm_t *m_pcm = nullptr;
    snd_pcm_uframes_t m_period = 1024;
    snd_pcm_uframes_t m_bufferSize = 0;
    std::vector<qint16> m_buffer;
    bool m_running = false;   // prepared and being fed
    qint64 m_idlePadding = 0; // silence written since real frames last came
    std::deque<Span> m_spans;
    Span m_heardSpan{0, 0, false}; // where the spans not yet heard begin
    qint64 m_deviceFrames = 0; // frames given to the device since it was prepared
    QElapsedTimer m_retry;
    unsigned m_latencyUs = kDeviceLatencyUs;
    bool m_ranDry = false; // the last write ended in an underrun
};

void Feeder::openDevice()
{
    m_retry.restart();
    snd_pcm_t *pcm = nullptr;
    int error = snd_pcm_open(&pcm, m.device.constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0) {
        reportOnce(m.device, "cannot open", error);
        return;
    }
    error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                               swf::AudioOutput::kChannels, kRate, 1, m_latencyUs);
    if (error < 0) {
        reportOnce(m.device, "44.1 kHz stereo 16-bit refused", error);
        snd_pcm_close(pcm);
        return;
    }
    if (snd_pcm_get_params(pcm, &m_bufferSize, &m_period) < 0 || m_period == 0)
        m_period = 1024;
    m_period = std::min<snd_pcm_uframes_t>(m_period, 4096);
    m_buffer.assign(m_period * 2, 0);
    m_pcm = pcm;
    m_running = false;
    m.open = true;
    qCDebug(lcAlsaOutput) << "opened" << m.device << "period" << m_period << "buffer"
                          << m_bufferSize;
}

void Feeder::close()
{
    if (!m_pcm)
        return;
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
    m.open = false;
}

// Nothing to play for a while: what the device holds is thrown away and
// it rests. (Stop and seek leave the device running: a sound server may
// take seconds to hear a stream that stopped and started again.)
void Feeder::dropDevice()
{
    if (m_pcm && m_running) {
        snd_pcm_drop(m_pcm);
        qCDebug(lcAlsaOutput) << "nothing to play: the device rests";
    }
    m_running = false;
    m_idlePadding = 0;
    m_spans.clear();
    m_deviceFrames = 0;
    m.raisePlayed(m.consumed);
}

void Feeder::feedDevice()
{
    const qint64 period = qint64(m_period);
    // Idle, wait long for sound; running, wait about half a period.
    const auto timeout = m_running ? std::chrono::milliseconds(period * 500 / kRate) : 200ms;
    const qint64 got = m.ring.read(m_buffer.data(), period, m_running ? period : 1, timeout);
    if (m.quit)
        return;
    if (got == 0) {
        if (!m_running)
            return;
        if (m_idlePadding >= kIdlePaddingFrames) {
            // Nothing to play for a while: let the device rest.
            dropDevice();
            return;
        }
    }
    // A short read is topped up with silence, so the device never runs dry
    // between two pumps of the mixer.
    std::fill(m_buffer.begin() + got * 2, m_buffer.end(), 0);
    const qint64 padding = period - got;
    if (!m_running) {
        snd_pcm_prepare(m_pcm);
        m_running = true;
        m_spans.clear();
        m_deviceFrames = 0;
        m_heardSpan = Span{0, m.consumed, false};
    }
    if (!writeAll(m_buffer.data(), snd_pcm_uframes_t(period))) {
        close();
        m.raisePlayed(m.consumed += got);
        if (m_ranDry) {
            m_latencyUs = qMin(m_latencyUs + m_latencyUs / 2, kMaxDeviceLatencyUs);
            openDevice();
        }
        return;
    }
    m.consumed += got;
    noteWritten(got, padding);
    m_idlePadding = got > 0 ? 0 : m_idlePadding + padding;
    updatePlayed();
}

void Feeder::noteWritten(qint64 real, qint64 padding)
{
    const qint64 consumed = m.consumed;
    if (real > 0)
        m_spans.push_back(Span{m_deviceFrames + real, consumed, true});
    if (padding > 0 && !m_spans.empty() && !m_spans.back().real)
        m_spans.back().deviceEnd += padding;
    else if (padding > 0)
        m_spans.push_back(Span{m_deviceFrames + real + padding, consumed, false});
    m_deviceFrames += real + padding;
}

// The ring's frames heard once the device has played `deviceFrame` of its
// own: padding it played moves nothing.
qint64 Feeder::realFramesAt(qint64 deviceFrame)
{
    while (!m_spans.empty() && m_spans.front().deviceEnd <= deviceFrame) {
        m_heardSpan = m_spans.front();
        m_spans.pop_front();
    }
    if (m_spans.empty() || !m_spans.front().real)
        return m_heardSpan.realEnd;
    return m_heardSpan.realEnd + (deviceFrame - m_heardSpan.deviceEnd);
}

// Frames heard: what the device played of what it was given, less its
// padding. Before it starts it holds all it was given (some plugins report
// no delay until then). Some report no delay for a while after they start,
// or while their server wakes a sink: the device never holds less than
// its buffer's unplayed part.
void Feeder::updatePlayed()
{
    qint64 held = m_deviceFrames;
    const bool started = snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING;
    if (started) {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(m_pcm, &delay) < 0)
            delay = 0;
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(m_pcm);
        const qint64 unplayed = avail < 0 ? 0 : qint64(m_bufferSize) - qint64(avail);
        held = qBound<qint64>(0, qMax<qint64>(delay, unplayed), m_deviceFrames);
    }
    m.raisePlayed(realFramesAt(m_deviceFrames - held), started);
}

bool Feeder::writeAll(const qint16 *samples, snd_pcm_uframes_t frames)
{
    m_ranDry = false;
    while (frames > 0 && !m.quit) {
        const snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, samples, frames);
        if (written == -EAGAIN) {
            // A full buffer that has not started (some plugins start later
            // than their threshold says) would wait for space for ever.
            if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
                snd_pcm_start(m_pcm);
            snd_pcm_wait(m_pcm, 100);
            continue;
        }
        if (written < 0) {
            if (written == -EPIPE) {
                ++m.underruns;
                qCDebug(lcAlsaOutput) << "underrun with a buffer of" << m_latencyUs / 1000 << "ms";
                // Ran dry with room to grow: the caller opens the device again.
                m_ranDry = m_latencyUs < kMaxDeviceLatencyUs;
                if (m_ranDry)
                    return false;
            }
            // Underruns and suspends recover; anything else ends the device.
            if (snd_pcm_recover(m_pcm, int(written), 1) < 0) {
                reportOnce(m.device, "write failed", int(written));
                return false;
            }
            continue;
        }
        samples += written * 2;
        frames -= snd_pcm_uframes_t(written);
    }
    return true;
}

// No device: frames are taken at the rate they would have been heard.
void Feeder::paceWithoutDevice()
{
    constexpr qint64 kSlice = kRate / 50;
    m_buffer.resize(size_t(kSlice) * 2);
    QElapsedTimer slice;
    slice.start();
    const qint64 got = m.ring.read(m_buffer.data(), kSlice, 1, 100ms);
    if (got > 0) {
        const auto duration = std::chrono::microseconds(got * 1000000 / kRate);
        const auto spent = std::chrono::nanoseconds(slice.nsecsElapsed());
        if (duration > spent)
            std::this_thread::sleep_for(duration - spent);
    }
    m.consumed += got;
    m.raisePlayed(m.consumed, got > 0);
}

} // namespace

AlsaAudioOutput::AlsaAudioOutput(QByteArray device)
    : m_shared(std::make_shared<Shared>(std::move(device)))
{
}

AlsaAudioOutput::~AlsaAudioOutput()
{
    if (!m_thread.joinable())
        return;
    m_shared->quit = true;
    m_shared->ring.wake();
    std::unique_lock lock(m_shared->doneMutex);
    // A device that hangs (a sound server that stopped answering) must not
    // hang the program: the thread is left to finish on its own.
    if (m_shared->doneChanged.wait_for(lock, 2s, [this] { return m_shared->done; })) {
        lock.unlock();
        m_thread.join();
    } else {
        qCWarning(lcAlsaOutput) << "the sound device does not answer; left behind";
        lock.unlock();
        m_thread.detach();
    }
}

qint64 AlsaAudioOutput::write(const qint16 *samples, qint64 frames)
{
    if (!m_thread.joinable()) {
        // The thread starts with the first sound, so silent movies cost none.
        m_thread = std::thread([shared = m_shared] {
            {
                Feeder feeder(*shared);
                feeder.run();
            }
            std::lock_guard lock(shared->doneMutex);
            shared->done = true;
            shared->doneChanged.notify_all();
        });
    }
    const qint64 taken = m_shared->ring.write(samples, frames);
    m_written += taken;
    return taken;
}

qint64 AlsaAudioOutput::writable() const
{
    return m_shared->ring.space();
}

qint64 AlsaAudioOutput::playedFrames() const
{
    m_played = qMax(m_played, qMin(m_shared->playedNow(), m_written));
    return m_played;
}

// What the device holds still plays (at most its short buffer): dropping
// it would stop the stream, and a sound server may take seconds to hear a
// stream that stopped and started again.
qint64 AlsaAudioOutput::discard()
{
    m_written -= m_shared->ring.clear();
    return m_written;
}

qint64 AlsaAudioOutput::queuedFrames() const
{
    return m_shared->ring.available();
}

qint64 AlsaAudioOutput::mixIntoQueued(const qint16 *samples, qint64 frames)
{
    return m_shared->ring.mixIntoTail(samples, frames);
}

bool AlsaAudioOutput::isDeviceOpen() const
{
    return m_shared->open;
}

qint64 AlsaAudioOutput::underruns() const
{
    return m_shared->underruns;
}
