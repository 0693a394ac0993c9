#include "swf/runtime/player.h"

namespace swf {

Player::Player(std::shared_ptr<const Movie> movie, AudioSink *audio)
    : m_movie(std::move(movie)), m_context{*m_movie, audio ? audio : &m_nullAudio},
      m_clock(m_movie->frameRate()),
      m_root(m_movie->timeline(), nullptr)
{
    m_root.enterFirstFrame(m_context);
}

Player::~Player()
{
    // The display list goes first, while the context it reports to lives.
    m_root.displayList().clear();
}

void Player::play()
{
    if (m_playing)
        return;
    m_playing = true;
    m_clock.reset();
    m_context.audio->playingChanged(true);
}

void Player::stop()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_context.audio->playingChanged(false);
}

void Player::seek(int frame)
{
    const int target = qBound(0, frame, lastFrame());
    if (target == this->frame())
        return;
    m_root.gotoFrame(target, m_context);
    m_clock.reset();
    m_context.audio->timelineJumped(target);
}

void Player::step()
{
    const int before = frame();
    m_root.step(m_context);
    if (frame() < before)
        m_context.audio->timelineJumped(frame());
}

int Player::advance(qint64 elapsedMs)
{
    if (!m_playing)
        return 0;
    // A streaming sound, when one plays, sets the pace instead of time.
    const std::optional<int> audioDue = m_context.audio->framesDue();
    const int due = audioDue ? m_clock.follow(*audioDue) : m_clock.advance(elapsedMs);
    for (int i = 0; i < due; ++i)
        step();
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

void Player::setPointerHandler(PointerHandler *handler)
{
    m_pointer = handler ? handler : &m_nullPointer;
}

void Player::pointerEvent(const PointerEvent &event)
{
    if (m_pointer->pointerEvent(event, m_root))
        m_context.changed = true;
}

} // namespace swf
