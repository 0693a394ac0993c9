#include "player/alsaaudiooutput.h"

#include "swf/audio/audioring.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <alsa/asoundlib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

Q_LOGGING_CATEGORY(lcAlsaOutput, "player.audio")

using namespace std::chrono_literals;

constexpr int kRate = swf::AudioOutput::kRate;
// The buffer between the threads: room for the mixer's lead and more.
constexpr qint64 kRingFrames = kRate / 2;
// What the device buffers: short, so that stop, seek and event sounds are
// heard at once (the mixer's lead waits in the ring, where it can still be
// mixed into), long enough that the feeding thread, woken every few
// milliseconds, keeps it from running dry on a busy machine.
constexpr unsigned kDeviceLatencyUs = 40000;
// Silence written when the mixer falls behind, before the device is let
// go idle.
constexpr qint64 kIdlePaddingFrames = kRate / 2;
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
    explicit Shared(QByteArray name) : device(std::move(name)) {}

    QByteArray device;
    swf::AudioRing ring{kRingFrames};
    std::atomic<bool> quit{false};
    std::atomic<bool> dropRequested{false};
    std::atomic<qint64> consumed{0}; // frames taken from the ring (or dropped from it)
    std::atomic<qint64> played{0};
    std::atomic<bool> open{false};
    std::atomic<qint64> underruns{0};
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;

    void raisePlayed(qint64 value)
    {
        qint64 now = played.load();
        while (value > now && !played.compare_exchange_weak(now, value)) {
        }
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
            if (m.dropRequested.exchange(false))
                dropDevice();
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
    void updatePlayed();

    AlsaAudioOutput::Shared &m;
    snd_pcm_t *m_pcm = nullptr;
    snd_pcm_uframes_t m_period = 1024;
    std::vector<qint16> m_buffer;
    bool m_running = false;    // prepared and being fed
    qint64 m_paddingTail = 0;  // silence written after the last real frame
    qint64 m_idlePadding = 0;  // silence written since real frames last came
    qint64 m_sincePrepare = 0; // real frames written since the device was prepared
    QElapsedTimer m_retry;
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
                               swf::AudioOutput::kChannels, kRate, 1, kDeviceLatencyUs);
    if (error < 0) {
        reportOnce(m.device, "44.1 kHz stereo 16-bit refused", error);
        snd_pcm_close(pcm);
        return;
    }
    snd_pcm_uframes_t bufferSize = 0;
    if (snd_pcm_get_params(pcm, &bufferSize, &m_period) < 0 || m_period == 0)
        m_period = 1024;
    m_period = std::min<snd_pcm_uframes_t>(m_period, 4096);
    m_buffer.assign(m_period * 2, 0);
    m_pcm = pcm;
    m_running = false;
    m.open = true;
    qCDebug(lcAlsaOutput) << "opened" << m.device << "period" << m_period << "buffer" << bufferSize;
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

// Stop and seek: what the device holds is thrown away.
void Feeder::dropDevice()
{
    if (m_pcm && m_running)
        snd_pcm_drop(m_pcm);
    m_running = false;
    m_paddingTail = 0;
    m_idlePadding = 0;
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
        m_sincePrepare = 0;
    }
    if (!writeAll(m_buffer.data(), snd_pcm_uframes_t(period))) {
        close();
        m.raisePlayed(m.consumed += got);
        return;
    }
    m.consumed += got;
    m_sincePrepare += got;
    m_paddingTail = got > 0 ? padding : m_paddingTail + padding;
    m_idlePadding = got > 0 ? 0 : m_idlePadding + padding;
    updatePlayed();
}

// Frames heard: those taken, less the real ones the device still holds.
// Before the device starts it holds all it was given (some plugins report
// no delay until then).
void Feeder::updatePlayed()
{
    qint64 pending = m_sincePrepare;
    if (snd_pcm_state(m_pcm) == SND_PCM_STATE_RUNNING) {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(m_pcm, &delay) < 0)
            delay = 0;
        pending = qBound<qint64>(0, qint64(delay) - m_paddingTail, m_sincePrepare);
    }
    m.raisePlayed(m.consumed - pending);
}

bool Feeder::writeAll(const qint16 *samples, snd_pcm_uframes_t frames)
{
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
            if (written == -EPIPE)
                ++m.underruns;
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
    m.raisePlayed(m.consumed);
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
    return qMin(m_written, m_shared->played.load());
}

void AlsaAudioOutput::discard()
{
    m_shared->consumed += m_shared->ring.clear();
    m_shared->raisePlayed(m_written);
    m_shared->dropRequested = true;
    m_shared->ring.wake();
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
