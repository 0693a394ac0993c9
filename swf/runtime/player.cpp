#include "swf/runtime/player.h"

#include "swf/limits.h"
#include "swf/runtime/instancefactory.h"

#include <algorithm>
#include <vector>

namespace swf {

namespace {

// The highest level (_levelN) a movie may be loaded into.
constexpr int kMaxLevel = 16000;

} // namespace

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
    m_levels.clear();
    m_root.reset();
}

void Player::play()
{
    rootTimeline().setPlaying(true);
    start();
}

void Player::start()
{
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

// Clips step newest first, as the Flash Player keeps them: a clip made by
// this step waits for the next, and one removed before its turn misses it.
void Player::stepFrame()
{
    const int before = frame();
    m_scripts->frameStarting();
    std::vector<std::pair<quint64, ObjectHandle>> clips;
    const auto collect = [&clips](const auto &self, const DisplayObject &object) -> void {
        if (object.timeline())
            clips.emplace_back(object.serial(), object.handle());
        if (const DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    collect(collect, *m_root);
    for (const auto &[number, level] : m_levels)
        collect(collect, *level);
    std::sort(clips.begin(), clips.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    for (const auto &[serial, handle] : clips) {
        DisplayObject *clip = m_context.find(handle);
        if (!clip || clip->isLeaving())
            continue;
        m_scripts->clipStepping(*clip);
        if ((clip = m_context.find(handle)) && !clip->isLeaving())
            clip->timeline()->step(m_context);
    }
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

SpriteInstance *Player::level(int number) const
{
    if (number == 0)
        return m_root.get();
    const auto it = m_levels.find(number);
    return it == m_levels.end() ? nullptr : it->second.get();
}

int Player::levelNumberOf(const DisplayObject &object) const
{
    if (&object == m_root.get())
        return 0;
    for (const auto &[number, level] : m_levels) {
        if (level.get() == &object)
            return number;
    }
    return -1;
}

SpriteInstance *Player::loadLevel(int number, std::shared_ptr<const Movie> movie)
{
    if (number < 0 || number > kMaxLevel)
        return nullptr;
    if (SpriteInstance *old = level(number)) {
        m_scripts->objectRemoved(*old);
        m_context.changed = true;
    }
    PlacementState placement;
    placement.name = QStringLiteral("_level%1").arg(number);
    placement.depth = number;
    std::unique_ptr<SpriteInstance> made;
    if (movie && int(m_context.objects.size()) < limits::kMaxDisplayObjects)
        made = std::make_unique<SpriteInstance>(std::move(movie), placement, nullptr, m_context);
    else if (number == 0)
        // Level 0 is never empty: unloaded, it is a clip of one empty frame.
        made = std::make_unique<SpriteInstance>(SpriteInstance::emptyTimeline(), placement, nullptr,
                                                m_context);
    if (!made) {
        m_levels.erase(number);
        return nullptr;
    }
    SpriteInstance *level = made.get();
    if (number == 0)
        m_root = std::move(made);
    else
        m_levels[number] = std::move(made);
    m_context.changed = true;
    const ObjectHandle handle = level->handle();
    m_scripts->objectAdded(*level);
    if (m_context.find(handle))
        level->enterFirstFrame(m_context);
    return static_cast<SpriteInstance *>(m_context.find(handle));
}

DisplayObject *Player::loadIntoClip(DisplayObject &clip, std::shared_ptr<const Movie> movie)
{
    DisplayObject *parent = clip.parent();
    DisplayList *list = parent ? parent->children() : nullptr;
    if (!list || list->at(clip.depth()) != &clip ||
        int(m_context.objects.size()) >= limits::kMaxDisplayObjects)
        return nullptr;
    std::unique_ptr<SpriteInstance> made =
        movie ? std::make_unique<SpriteInstance>(std::move(movie), clip.placement(), parent,
                                                 m_context)
              : std::make_unique<SpriteInstance>(SpriteInstance::emptyTimeline(), clip.placement(),
                                                 parent, m_context);
    made->lock(clip.locks());
    return addChild(*list, std::move(made), m_context, Replacement::Announced);
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
    if (event.type != PointerEvent::Type::Leave)
        m_pointerPosition = event.stagePosition;
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
