#include "player/movieaudio.h"

#include "player/alsaaudiooutput.h"
#include "swf/audio/audioengine.h"

namespace {

// The engine keeps about 200 ms mixed ahead; feeding it every 10 ms keeps
// that lead whole while frames draw quickly, and a slow frame eats into it.
// While a stream sets the pace, the pump also comes when its next frame is
// due, so the frame shows as its sound is heard.
constexpr int kPumpMs = 10;

} // namespace

MovieAudio::MovieAudio(QObject *parent) : MovieAudio(std::make_unique<AlsaAudioOutput>(), parent)
{
}

MovieAudio::MovieAudio(std::unique_ptr<swf::AudioOutput> output, QObject *parent)
    : QObject(parent), m_output(std::move(output))
{
    m_pump.setSingleShot(true);
    m_pump.setTimerType(Qt::PreciseTimer);
    connect(&m_pump, &QTimer::timeout, this, &MovieAudio::pump);
}

MovieAudio::~MovieAudio() = default;

swf::AudioSink *MovieAudio::load(std::shared_ptr<const swf::Movie> movie)
{
    unload();
    m_engine = std::make_unique<swf::AudioEngine>(std::move(movie), m_output.get());
    return m_engine.get();
}

void MovieAudio::attach(const swf::Player *player)
{
    if (m_engine)
        m_engine->attach(player);
    update();
}

void MovieAudio::unload()
{
    m_engine.reset();
    m_output->discard();
    m_pump.stop();
}

void MovieAudio::stopAll()
{
    if (m_engine)
        m_engine->stopAll();
    update();
}

// A restarted stream has nothing queued: it is mixed at once, before the
// device runs out of what it holds.
void MovieAudio::update()
{
    if (m_engine && m_engine->isActive())
        m_engine->pump();
    schedulePump();
}

void MovieAudio::pump()
{
    if (!m_engine)
        return;
    m_engine->pump();
    if (m_engine->framesDue().value_or(0) > 0)
        emit framesDue();
    schedulePump();
}

void MovieAudio::schedulePump()
{
    if (!m_engine || !m_engine->isActive()) {
        m_pump.stop();
        return;
    }
    const qint64 due = m_engine->msUntilFrameDue().value_or(kPumpMs);
    m_pump.start(int(qBound(qint64(1), due, qint64(kPumpMs))));
}
