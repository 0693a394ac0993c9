#include "swf/runtime/player.h"

namespace swf {

Player::Player(std::shared_ptr<const Movie> movie, AudioSink *audio,
               std::unique_ptr<ScriptHost> scripts)
    : m_movie(std::move(movie)),
      m_scripts(scripts ? std::move(scripts) : std::make_unique<NullScriptHost>()),
      m_context{*m_movie, audio ? audio : &m_nullAudio, m_scripts.get(), {}},
      m_clock(m_movie->frameRate())
{
    PlacementState level;
    level.name = QStringLiteral("_level0");
    m_root = std::make_unique<SpriteInstance>(m_movie->timeline(), level, nullptr, m_context);
    m_scripts->attach(*this);
    m_scripts->objectAdded(*m_root);
    m_root->enterFirstFrame(m_context);
    m_scripts->runPending();
}

Player::~Player()
{
    // The display lists go first, while the context they report to lives;
    // scripts hear nothing of it.
    m_root.reset();
}

void Player::play()
{
    rootTimeline().setPlaying(true);
    if (m_running)
        return;
    m_running = true;
    m_clock.reset();
    m_context.audio->playingChanged(true);
}

void Player::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_context.audio->playingChanged(false);
}

void Player::seek(int frame)
{
    const int target = qBound(0, frame, lastFrame());
    if (target == this->frame())
        return;
    rootTimeline().gotoFrame(target, m_context);
    m_scripts->runPending();
    m_clock.reset();
    m_context.audio->timelineJumped(target);
}

void Player::step()
{
    m_timeMs += m_clock.intervalMs();
    stepFrame();
}

void Player::stepFrame()
{
    const int before = frame();
    m_scripts->frameStarting();
    m_root->advance(m_context);
    m_scripts->runPending();
    m_scripts->frameEnded();
    if (frame() < before)
        m_context.audio->timelineJumped(frame());
}

int Player::advance(qint64 elapsedMs)
{
    if (!m_running)
        return 0;
    if (elapsedMs > 0)
        m_timeMs += double(elapsedMs);
    // A streaming sound, when one plays, sets the pace instead of time.
    const std::optional<int> audioDue = m_context.audio->framesDue();
    const int due = audioDue ? m_clock.follow(*audioDue) : m_clock.advance(elapsedMs);
    for (int i = 0; i < due; ++i)
        stepFrame();
    return due;
}

bool Player::takeChanged()
{
    const bool changed = m_context.changed;
    m_context.changed = false;
    return changed;
}

void Player::setAudioSink(AudioSink *sink)
{
    m_context.audio = sink ? sink : &m_nullAudio;
}

void Player::pointerEvent(const PointerEvent &event)
{
    if (m_pointer.pointerEvent(event, *m_root, m_context))
        m_context.changed = true;
    m_scripts->pointerEvent(event);
    m_scripts->runPending();
}

void Player::keyEvent(const KeyEvent &event)
{
    m_scripts->keyEvent(event);
    m_scripts->runPending();
}

} // namespace swf
