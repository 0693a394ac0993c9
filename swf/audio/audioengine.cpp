#include "swf/audio/audioengine.h"

#include "swf/audio/audiooutput.h"
#include "swf/audio/soundcapture.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/sprite.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/player.h"
#include "swf/runtime/timelineinstance.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

// Sound mixed ahead of what is heard, the device's own buffer included:
// enough to ride out a frame that takes 100 ms to draw on the thread that
// mixes. An event sound does not wait behind it: it is laid over the sound
// already queued, from a little after what the device has taken.
constexpr qint64 kLeadFrames = AudioOutput::kRate * 200 / 1000;
// Queued sound an event sound leaves alone: the device may be taking it
// while the sound is mixed in.
constexpr qint64 kEarlyMarginFrames = AudioOutput::kRate * 10 / 1000;
constexpr int kChunkFrames = 1024;
// An output whose clock has not moved for this long (a stalled device)
// stops setting the pace, so the movie never freezes with it. Starting
// takes longer: a sound server wakes a suspended sink first.
constexpr qint64 kStalledOutputMs = 500;
constexpr qint64 kStartingOutputMs = 2500;
// Sound heard before an output counts as started.
constexpr qint64 kHeardToStart = AudioOutput::kRate / 20;
// The main stream reads at most this many frames ahead of the timeline: a
// stream whose blocks decode to nothing would otherwise read for ever.
constexpr int kMainReadAhead = 256;

const SoundStreamHead *headFor(const Timeline &timeline, int frame)
{
    for (int f = qMin(frame, timeline.frameCount() - 1); f >= 0; --f) {
        const auto &tags = timeline.frames[size_t(f)].tags;
        for (auto it = tags.rbegin(); it != tags.rend(); ++it) {
            if (const auto *head = dynamic_cast<const SoundStreamHead *>(it->get()))
                return head;
        }
    }
    return nullptr;
}

bool hasBlock(const Timeline &timeline, int frame)
{
    if (frame < 0 || frame >= timeline.frameCount())
        return false;
    const auto &tags = timeline.frames[size_t(frame)].tags;
    return std::any_of(tags.begin(), tags.end(), [](const auto &tag) {
        return tag->kind() == ControlKind::SoundStreamBlock;
    });
}

} // namespace

AudioEngine::AudioEngine(std::shared_ptr<const Movie> movie, AudioOutput *output)
    : m_movie(std::move(movie)), m_output(output)
{
    // Sprite streams read ahead as far as the mix runs ahead of the frame
    // shown: the lead, and a frame slow to draw. Offline the mix keeps step
    // with the frames; the reach it always had stays, as what a removed
    // sprite's stream plays out depends on it.
    const double fps = FrameClock::effectiveRate(m_movie->frameRate());
    const double reach = m_output ? double(kLeadFrames) / AudioOutput::kRate + 0.1 : 0.2;
    m_spriteReadAhead = int(std::ceil(fps * reach)) + 2;
    // Positions count from what the output has written: an output that
    // played another movie before starts this one from silence.
    if (m_output) {
        m_output->discard();
        m_mixPosition = m_output->playedFrames();
    }
}

AudioEngine::~AudioEngine() = default;

int AudioEngine::currentFrame() const
{
    return m_player ? m_player->frame() : 0;
}

void AudioEngine::soundEvent(const SoundEvent &event)
{
    switch (event.tag.kind()) {
    case ControlKind::StartSound: {
        const auto *tag = dynamic_cast<const StartSound *>(&event.tag);
        if (!tag)
            return;
        if (m_playing) {
            startSoundTag(*tag);
            return;
        }
        // Reached while stopped (the first frame, a seek): the sounds of
        // the frame shown start when play does.
        const int frame = currentFrame();
        std::erase_if(m_pending, [frame](const PendingSound &p) { return p.frame != frame; });
        if (m_pending.size() < size_t(limits::kMaxVoices))
            m_pending.push_back(PendingSound{tag, frame});
        return;
    }
    case ControlKind::SoundStreamBlock:
        if (m_playing)
            streamBlockReached(event);
        return;
    default:
        return; // heads are read from the timeline when a stream starts
    }
}

void AudioEngine::timelineJumped(int frame)
{
    if (!m_playing)
        return;
    // A loop the stream already read through (or a block that restarted
    // it just now) keeps it; any other jump ends it.
    if (m_mainStream.voice && m_mainStream.voice->confirmedFrame() == frame)
        return;
    m_mainStream = Stream{};
    if (hasBlock(m_movie->timeline(), frame))
        m_mainStream = startStream(m_movie->timeline(), frame, kMainReadAhead);
}

void AudioEngine::playingChanged(bool playing)
{
    if (playing == m_playing)
        return;
    m_playing = playing;
    if (!playing) {
        stopAll();
        return;
    }
    startPending();
    if (!m_player)
        return;
    const int frame = currentFrame();
    if (hasBlock(m_movie->timeline(), frame))
        m_mainStream = startStream(m_movie->timeline(), frame, kMainReadAhead);
    startSpriteStreams(m_player->displayList());
}

// The streams of the sprites on stage whose frame shown holds a block
// start with play, as the main timeline's does.
void AudioEngine::startSpriteStreams(const DisplayList &list)
{
    for (const auto &[depth, object] : list.objects()) {
        const auto *sprite = dynamic_cast<const Sprite *>(object->character());
        const TimelineInstance *timeline = object->timeline();
        if (sprite && timeline && hasBlock(sprite->timeline, timeline->frame()))
            m_spriteStreams[object->serial()] =
                startStream(sprite->timeline, timeline->frame(), m_spriteReadAhead);
        if (object->children())
            startSpriteStreams(*object->children());
    }
}

void AudioEngine::buttonTransition(quint16 buttonId, ButtonSoundTransition transition)
{
    // Buttons answer the pointer whether or not the timeline plays.
    const auto &table = m_movie->sounds().buttonSounds;
    const auto it = table.find(buttonId);
    if (it == table.end())
        return;
    const auto &entry = it->second[size_t(transition)];
    if (entry)
        startEventSound(entry->soundId, entry->info);
}

std::optional<int> AudioEngine::framesDue() const
{
    if (!m_playing || !m_output || !m_mainStream.voice)
        return std::nullopt;
    const qint64 played = m_output->playedFrames();
    const qint64 patience = m_outputStarted ? kStalledOutputMs : kStartingOutputMs;
    if (m_mixPosition > played && m_playedWatch.isValid() && m_playedWatch.elapsed() > patience)
        return std::nullopt;
    return m_mainStream.voice->framesBehind(played);
}

void AudioEngine::startPending()
{
    const int frame = currentFrame();
    const std::vector<PendingSound> pending = std::move(m_pending);
    m_pending.clear();
    for (const PendingSound &p : pending) {
        if (p.frame == frame)
            startSoundTag(*p.tag);
    }
}

void AudioEngine::startSoundTag(const StartSound &tag)
{
    quint16 id = tag.soundId;
    if (tag.className) {
        const auto &classes = m_movie->symbols().classes;
        const auto it = classes.constFind(*tag.className);
        if (it == classes.constEnd()) {
            qCDebug(lcSwfAudio) << "StartSound2 names an unknown class" << *tag.className;
            return;
        }
        id = *it;
    }
    startEventSound(id, tag.info);
}

void AudioEngine::startEventSound(quint16 soundId, const SoundInfo &info)
{
    if (info.syncStop) {
        std::erase_if(m_voices, [soundId](const EventVoice &v) { return v.soundId() == soundId; });
        return;
    }
    const auto *sound = dynamic_cast<const Sound *>(m_movie->character(soundId));
    if (!sound)
        return;
    if (info.noMultiple &&
        std::any_of(m_voices.begin(), m_voices.end(), [soundId](const EventVoice &v) {
            return v.soundId() == soundId && !v.finished();
        }))
        return;
    auto decoded = m_cache.get(*sound);
    if (m_capture)
        m_capture->eventSound(*decoded);
    if (m_voices.size() >= size_t(limits::kMaxVoices))
        m_voices.erase(m_voices.begin());
    m_voices.emplace_back(soundId, std::move(decoded), info);
    mixIntoQueued(m_voices.back());
}

// The start of a sound goes into the sound already queued, beginning a
// margin after what the device has taken; the voice then goes on from the
// mix position as usual. A device that took more meanwhile gets one more
// try; after that the sound simply starts at the mix position.
void AudioEngine::mixIntoQueued(EventVoice &voice)
{
    if (!m_output)
        return;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const qint64 frames = m_output->queuedFrames() - kEarlyMarginFrames;
        if (frames <= 0)
            return;
        EventVoice early = voice;
        m_early.assign(size_t(frames) * 2, 0);
        early.render(m_early.data(), int(frames));
        m_chunk.resize(m_early.size());
        for (size_t i = 0; i < m_early.size(); ++i)
            m_chunk[i] = qint16(std::clamp<qint32>(m_early[i], -32768, 32767));
        if (m_output->mixIntoQueued(m_chunk.data(), frames) == frames) {
            voice = std::move(early);
            return;
        }
    }
}

void AudioEngine::streamBlockReached(const SoundEvent &event)
{
    if (!event.timelineOwner) {
        continueOrRestart(m_mainStream, m_movie->timeline(), event.frame, kMainReadAhead);
        return;
    }
    const auto *sprite = dynamic_cast<const Sprite *>(event.timelineOwner->character());
    if (!sprite)
        return;
    Stream &stream = m_spriteStreams[event.timelineOwner->serial()];
    continueOrRestart(stream, sprite->timeline, event.frame, m_spriteReadAhead);
}

// The timeline reached a block: the stream playing goes on if that is its
// next frame; otherwise a new one starts here.
void AudioEngine::continueOrRestart(Stream &stream, const Timeline &timeline, int frame,
                                    std::optional<int> readAhead)
{
    if (stream.voice && stream.timeline == &timeline) {
        const bool again = stream.voice->confirmedFrame() == frame;
        if (stream.voice->confirm(frame)) {
            if (!again)
                captureFrame(stream, frame);
            return;
        }
    }
    stream = startStream(timeline, frame, readAhead);
}

AudioEngine::Stream AudioEngine::startStream(const Timeline &timeline, int frame,
                                             std::optional<int> readAhead)
{
    Stream stream;
    const SoundStreamHead *head = headFor(timeline, frame);
    if (!head) {
        qCDebug(lcSwfAudio) << "stream block in frame" << frame << "without a head; not played";
        return stream;
    }
    stream.voice =
        std::make_unique<StreamVoice>(timeline, frame, head->stream, m_mixPosition, readAhead);
    stream.timeline = &timeline;
    m_outputStarted = false;
    m_playedAtStart = m_output ? m_output->playedFrames() : 0;
    if (m_capture) {
        stream.capture = m_capture->streamStarted(head->stream);
        captureFrame(stream, frame);
    }
    m_playedWatch.restart();
    return stream;
}

void AudioEngine::captureFrame(const Stream &stream, int frame)
{
    if (!m_capture || stream.capture < 0 || !stream.timeline)
        return;
    for (const auto &tag : stream.timeline->frames[size_t(frame)].tags) {
        if (const auto *block = dynamic_cast<const SoundStreamBlock *>(tag.get()))
            m_capture->streamBlock(stream.capture, block->data);
    }
}

void AudioEngine::render(qint16 *out, int frames)
{
    m_mix.assign(size_t(frames) * 2, 0);
    for (EventVoice &voice : m_voices)
        voice.render(m_mix.data(), frames);
    if (m_mainStream.voice)
        m_mainStream.voice->render(m_mix.data(), frames);
    for (auto &[serial, stream] : m_spriteStreams) {
        if (stream.voice)
            stream.voice->render(m_mix.data(), frames);
    }
    for (size_t i = 0; i < m_mix.size(); ++i)
        out[i] = qint16(std::clamp<qint32>(m_mix[i], -32768, 32767));
    m_mixPosition += frames;
    dropFinished();
}

void AudioEngine::dropFinished()
{
    std::erase_if(m_voices, [](const EventVoice &v) { return v.finished(); });
    std::erase_if(m_spriteStreams, [](const auto &entry) {
        return !entry.second.voice || entry.second.voice->finished();
    });
    // The main stream stays when it has played out: it keeps the pace until
    // it is heard to its end, and the timeline may still reach frames it
    // holds (blocks shorter than their frames play out early).
}

bool AudioEngine::mainStreamSounds() const
{
    if (!m_mainStream.voice)
        return false;
    if (!m_mainStream.voice->finished())
        return true;
    const qint64 played = m_output ? m_output->playedFrames() : m_mixPosition;
    return m_mainStream.voice->framesBehind(played).has_value();
}

void AudioEngine::pump()
{
    if (!m_output)
        return;
    const qint64 played = m_output->playedFrames();
    if (played != m_lastPlayed) {
        m_outputStarted = played - m_playedAtStart >= kHeardToStart;
        m_lastPlayed = played;
        m_playedWatch.restart();
    }
    if (m_voices.empty() && !mainStreamSounds() && m_spriteStreams.empty())
        return;
    qint64 wanted = qMin(kLeadFrames - (m_mixPosition - played), m_output->writable());
    m_chunk.resize(size_t(kChunkFrames) * 2);
    while (wanted > 0) {
        const int frames = int(qMin<qint64>(wanted, kChunkFrames));
        render(m_chunk.data(), frames);
        m_output->write(m_chunk.data(), frames);
        wanted -= frames;
    }
    dropFinished();
}

void AudioEngine::stopAll()
{
    m_voices.clear();
    m_mainStream = Stream{};
    m_spriteStreams.clear();
    m_pending.clear();
    discardQueued();
}

void AudioEngine::discardQueued()
{
    if (m_output)
        m_output->discard();
}

bool AudioEngine::isActive() const
{
    return !m_voices.empty() || mainStreamSounds() || !m_spriteStreams.empty() ||
           (m_output && m_output->playedFrames() < m_mixPosition);
}

} // namespace swf
