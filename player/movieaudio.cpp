#include "player/movieaudio.h"

#include "player/alsaaudiooutput.h"
#include "swf/audio/audioengine.h"

namespace {

// The engine keeps about 200 ms mixed ahead; feeding it every 10 ms keeps
// that lead whole while frames draw quickly, and a slow frame eats into it.
constexpr int kPumpMs = 10;

} // namespace

MovieAudio::MovieAudio(QObject *parent) : MovieAudio(std::make_unique<AlsaAudioOutput>(), parent)
{
}

MovieAudio::MovieAudio(std::unique_ptr<swf::AudioOutput> output, QObject *parent)
    : QObject(parent), m_output(std::move(output))
{
    m_pump.setInterval(kPumpMs);
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

void MovieAudio::discardQueued()
{
    if (m_engine)
        m_engine->discardQueued();
    update();
}

void MovieAudio::update()
{
    if (!m_engine || !m_engine->isActive()) {
        m_pump.stop();
        return;
    }
    if (!m_pump.isActive()) {
        m_engine->pump();
        m_pump.start();
    }
}

void MovieAudio::pump()
{
    if (!m_engine) {
        m_pump.stop();
        return;
    }
    m_engine->pump();
    if (m_engine->framesDue().value_or(0) > 0)
        emit framesDue();
    if (!m_engine->isActive())
        m_pump.stop();
}
