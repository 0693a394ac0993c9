#include "swf/audio/audioengine.h"

#include "swf/audio/audiooutput.h"
#include "swf/audio/mp3decoder.h"
#include "swf/audio/soundcapture.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/sprite.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/player.h"
#include "swf/runtime/timelineinstance.h"

#include <QElapsedTimer>

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
// An output whose count of frames heard has not moved for this long plays
// nothing: it has not started, its sound server is waking a sink, or it
// stalled. The frame rate sets the pace meanwhile, so that the picture
// never waits for it.
constexpr qint64 kSilentOutputMs = 60;
// After the last sound, silence is kept flowing this long. A sound server
// may put a sink left without a playing stream to sleep, or let it run on
// the long latency another client (a recorder) asked for; the next sound
// would then be heard up to seconds late.
constexpr qint64 kKeepAliveMs = 30000;
// At most this much of a restarted stream's first frame is passed over to
// meet the sound the device still holds.
constexpr qint64 kMaxHeldFrames = AudioOutput::kRate / 4;
// The main stream reads at most this many frames ahead of the timeline: a
// stream whose blocks decode to nothing would otherwise read for ever.
constexpr int kMainReadAhead = 256;
// Script sounds that ended and were not asked about yet are forgotten past
// this many; clip groups are looked up at most this deep.
constexpr size_t kMaxEndedKept = 1024;
constexpr int kMaxGroupDepth = 64;

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
    m_steady.start();
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
        m_mixPosition = m_output->discard();
        m_lastPlayed = m_output->playedFrames();
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
            startSoundTag(*tag, groupsOf(event.timelineOwner));
            return;
        }
        // Reached while stopped (the first frame, a seek): the sounds of
        // the frame shown start when play does.
        const int frame = currentFrame();
        std::erase_if(m_pending, [frame](const PendingSound &p) { return p.frame != frame; });
        if (m_pending.size() < size_t(limits::kMaxVoices))
            m_pending.push_back(PendingSound{tag, frame, groupsOf(event.timelineOwner)});
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
    // A loop the stream already read through keeps it; any other jump
    // ends it, and what was queued for the old place is not heard. A block
    // reached on the way may have started a stream just now, behind the
    // queued sound: without an output it can stay.
    if (m_mainStream.voice && m_mainStream.voice->confirmedFrame() == frame &&
        (m_mainStream.voice->confirmedSequence() > 0 || !m_output))
        return;
    restartMainStream(frame);
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
    // The silence queued while stopped goes: play is heard at once.
    discardQueued();
    startPending();
    if (!m_player)
        return;
    restartMainStream(currentFrame());
    startSpriteStreams(m_player->displayList());
}

void AudioEngine::restartMainStream(int frame)
{
    m_mainStream = Stream{};
    discardQueued();
    if (!hasBlock(m_movie->timeline(), frame))
        return;
    // The sound the device still holds plays before the stream does: the
    // stream begins that far into its frame, so that its frames fall due
    // at the frame rate from now on, and are heard as they show.
    std::optional<qint64> heardFrom;
    if (m_output)
        heardFrom = qBound(m_mixPosition - kMaxHeldFrames, heard(), m_mixPosition);
    m_mainStream = startStream(m_movie->timeline(), frame, kMainReadAhead, heardFrom);
}

// The streams of the sprites on stage whose frame shown holds a block
// start with play, as the main timeline's does.
void AudioEngine::startSpriteStreams(const DisplayList &list)
{
    for (const auto &[depth, object] : list.objects()) {
        const auto *sprite = dynamic_cast<const Sprite *>(object->character());
        const TimelineInstance *timeline = object->timeline();
        if (sprite && timeline && hasBlock(sprite->timeline, timeline->frame())) {
            Stream &stream = m_spriteStreams[object->serial()];
            stream = startStream(sprite->timeline, timeline->frame(), m_spriteReadAhead);
            stream.groups = groupsOf(object.get());
        }
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
    const qint64 played = heard();
    if (!outputPlays())
        return std::nullopt;
    return m_mainStream.voice->framesBehind(played);
}

std::optional<qint64> AudioEngine::msUntilFrameDue() const
{
    if (!framesDue())
        return std::nullopt;
    const auto frames = m_mainStream.voice->framesUntilNext(heard());
    if (!frames)
        return std::nullopt;
    return (*frames * 1000 + AudioOutput::kRate - 1) / AudioOutput::kRate;
}

qint64 AudioEngine::heard() const
{
    const qint64 played = m_output ? m_output->playedFrames() : m_mixPosition;
    if (played != m_lastPlayed) {
        m_lastPlayed = played;
        m_playedMovedAt = now();
    }
    return played;
}

qint64 AudioEngine::now() const
{
    return m_clock ? m_clock() : m_steady.elapsed();
}

bool AudioEngine::outputPlays() const
{
    return m_playedMovedAt >= 0 && now() - m_playedMovedAt <= kSilentOutputMs;
}

bool AudioEngine::keepingAlive() const
{
    return m_output && m_soundAt >= 0 && now() - m_soundAt < kKeepAliveMs;
}

void AudioEngine::startPending()
{
    const int frame = currentFrame();
    const std::vector<PendingSound> pending = std::move(m_pending);
    m_pending.clear();
    for (const PendingSound &p : pending) {
        if (p.frame == frame)
            startSoundTag(*p.tag, p.groups);
    }
}

void AudioEngine::startSoundTag(const StartSound &tag, std::vector<quint64> groups)
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
    startEventSound(id, tag.info, std::move(groups));
}

EventVoice *AudioEngine::startEventSound(quint16 soundId, const SoundInfo &info,
                                         std::vector<quint64> groups)
{
    if (info.syncStop) {
        std::erase_if(m_voices, [soundId](const EventVoice &v) { return v.soundId() == soundId; });
        return nullptr;
    }
    const auto *sound = dynamic_cast<const Sound *>(m_movie->character(soundId));
    if (!sound)
        return nullptr;
    if (info.noMultiple &&
        std::any_of(m_voices.begin(), m_voices.end(), [soundId](const EventVoice &v) {
            return v.soundId() == soundId && !v.finished();
        }))
        return nullptr;
    return startVoice(soundId, m_cache.get(*sound), info, std::move(groups));
}

EventVoice *AudioEngine::startVoice(quint16 soundId, std::shared_ptr<const DecodedSound> decoded,
                                    const SoundInfo &info, std::vector<quint64> groups)
{
    if (m_capture)
        m_capture->eventSound(*decoded);
    if (m_voices.size() >= size_t(limits::kMaxVoices))
        m_voices.erase(m_voices.begin());
    m_voices.emplace_back(soundId, std::move(decoded), info);
    m_voices.back().setOwner(0, std::move(groups));
    mixIntoQueued(m_voices.back());
    return &m_voices.back();
}

quint64 AudioEngine::startScriptSound(const ScriptSoundStart &start)
{
    SoundInfo info;
    info.loops = quint16(qBound(1, start.loops, 65535));
    // Each loop starts at the offset, as the first does.
    const double offset = std::isfinite(start.offsetSeconds) ? start.offsetSeconds : 0.0;
    if (offset > 0)
        info.inPoint = quint32(std::llround(qMin(offset * AudioOutput::kRate, 4294967295.0)));
    EventVoice *voice = nullptr;
    if (start.mp3) {
        auto decoded = decodeLoaded(start.mp3);
        if (decoded)
            voice = startVoice(0, std::move(decoded), info, start.groups);
    } else {
        voice = startEventSound(start.characterId, info, start.groups);
    }
    if (!voice)
        return 0;
    const quint64 id = m_nextScriptId++;
    voice->setOwner(id, start.groups);
    return id;
}

// An MP3 file a script loaded, decoded whole the first time it starts.
std::shared_ptr<const DecodedSound>
AudioEngine::decodeLoaded(const std::shared_ptr<const QByteArray> &mp3)
{
    std::erase_if(m_loaded, [](const LoadedSound &l) { return l.file.expired(); });
    for (const LoadedSound &loaded : m_loaded) {
        if (loaded.file.lock() == mp3)
            return loaded.sound;
    }
    auto decoder = makeMp3Decoder(44100.0, 2);
    if (!decoder)
        return nullptr;
    auto decoded = std::make_shared<DecodedSound>();
    decoder->decode(QByteArrayView(*mp3), decoded->samples, limits::kMaxSoundSamples);
    decoded->rate = decoder->rate();
    decoded->channels = qMax(1, decoder->channels());
    decoded->samples.resize(decoded->samples.size() / size_t(decoded->channels) *
                            size_t(decoded->channels));
    decoded->samples.shrink_to_fit();
    m_loaded.push_back(LoadedSound{mp3, decoded});
    return decoded;
}

void AudioEngine::stopScriptSounds(quint64 group, std::optional<quint16> characterId)
{
    std::erase_if(m_voices, [&](const EventVoice &v) {
        if (characterId && v.soundId() != *characterId)
            return false;
        return group == kGlobalSoundGroup ||
               std::find(v.groups().begin(), v.groups().end(), group) != v.groups().end();
    });
}

void AudioEngine::setSoundTransform(quint64 group, const SoundTransform &transform)
{
    if (transform == SoundTransform{})
        m_transforms.erase(group);
    else
        m_transforms[group] = transform;
}

std::optional<double> AudioEngine::scriptSoundPosition(quint64 id) const
{
    for (const EventVoice &voice : m_voices) {
        if (voice.scriptId() == id && id != 0 && !voice.finished())
            return voice.positionMs();
    }
    return std::nullopt;
}

std::vector<quint64> AudioEngine::takeEndedScriptSounds()
{
    return std::exchange(m_ended, {});
}

std::vector<quint64> AudioEngine::groupsOf(const DisplayObject *owner) const
{
    std::vector<quint64> groups;
    if (!owner && m_player)
        owner = &m_player->root();
    for (int depth = 0; owner && depth < kMaxGroupDepth; ++depth, owner = owner->parent())
        groups.push_back(owner->serial());
    return groups;
}

AudioEngine::Gains AudioEngine::gainsFor(const std::vector<quint64> &groups) const
{
    Gains gains;
    if (m_transforms.empty())
        return gains;
    // A sound goes through its innermost clip's transform first, and the
    // global one last.
    auto apply = [&gains, this](quint64 group) {
        const auto it = m_transforms.find(group);
        if (it == m_transforms.end())
            return;
        const SoundTransform &t = it->second;
        const double v = t.volume / 100.0;
        const double ll = t.ll * v / 100.0, lr = t.lr * v / 100.0;
        const double rl = t.rl * v / 100.0, rr = t.rr * v / 100.0;
        gains = Gains{ll * gains.ll + lr * gains.rl, ll * gains.lr + lr * gains.rr,
                      rl * gains.ll + rr * gains.rl, rl * gains.lr + rr * gains.rr};
    };
    for (quint64 group : groups) {
        if (group != kGlobalSoundGroup)
            apply(group);
    }
    apply(kGlobalSoundGroup);
    return gains;
}

template <typename Render>
void AudioEngine::mixUnder(const std::vector<quint64> &groups, qint32 *mix, int frames,
                           Render render)
{
    const Gains g = gainsFor(groups);
    if (g.unity()) {
        render(mix, frames);
        return;
    }
    m_scaled.assign(size_t(frames) * 2, 0);
    render(m_scaled.data(), frames);
    constexpr double kMax = 2147483647.0;
    for (int i = 0; i < frames; ++i) {
        const double left = m_scaled[size_t(2 * i)];
        const double right = m_scaled[size_t(2 * i + 1)];
        mix[2 * i] += qint32(qBound(-kMax, left * g.ll + right * g.lr, kMax));
        mix[2 * i + 1] += qint32(qBound(-kMax, left * g.rl + right * g.rr, kMax));
    }
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
        mixUnder(voice.groups(), m_early.data(), int(frames),
                 [&early](qint32 *out, int n) { early.render(out, n); });
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
        // A stream starting where nothing sounds need not wait behind the
        // silence queued for the output: it starts as after a seek.
        const bool continues = m_mainStream.voice && m_mainStream.voice->continuesAt(event.frame);
        if (m_output && !continues && !sounding())
            restartMainStream(event.frame);
        else
            continueOrRestart(m_mainStream, m_movie->timeline(), event.frame, kMainReadAhead);
        return;
    }
    const auto *sprite = dynamic_cast<const Sprite *>(event.timelineOwner->character());
    if (!sprite)
        return;
    Stream &stream = m_spriteStreams[event.timelineOwner->serial()];
    continueOrRestart(stream, sprite->timeline, event.frame, m_spriteReadAhead);
    stream.groups = groupsOf(event.timelineOwner);
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
                                             std::optional<int> readAhead,
                                             std::optional<qint64> heardFrom)
{
    Stream stream;
    const SoundStreamHead *head = headFor(timeline, frame);
    if (!head) {
        qCDebug(lcSwfAudio) << "stream block in frame" << frame << "without a head; not played";
        return stream;
    }
    const qint64 start = heardFrom.value_or(m_mixPosition);
    stream.voice = std::make_unique<StreamVoice>(timeline, frame, head->stream, start, readAhead);
    stream.voice->skip(m_mixPosition - start);
    stream.timeline = &timeline;
    if (&timeline == &m_movie->timeline())
        stream.groups = groupsOf(nullptr);
    if (m_capture) {
        stream.capture = m_capture->streamStarted(head->stream);
        captureFrame(stream, frame);
    }
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
        mixUnder(voice.groups(), m_mix.data(), frames,
                 [&voice](qint32 *out, int n) { voice.render(out, n); });
    auto mixStream = [this, frames](Stream &stream) {
        if (stream.voice)
            mixUnder(stream.groups, m_mix.data(), frames,
                     [&stream](qint32 *out, int n) { stream.voice->render(out, n); });
    };
    mixStream(m_mainStream);
    for (auto &[serial, stream] : m_spriteStreams)
        mixStream(stream);
    for (size_t i = 0; i < m_mix.size(); ++i)
        out[i] = qint16(std::clamp<qint32>(m_mix[i], -32768, 32767));
    m_mixPosition += frames;
    dropFinished();
}

void AudioEngine::dropFinished()
{
    for (const EventVoice &v : m_voices) {
        if (v.finished() && v.scriptId() && m_ended.size() < kMaxEndedKept)
            m_ended.push_back(v.scriptId());
    }
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

bool AudioEngine::sounding() const
{
    return !m_voices.empty() || mainStreamSounds() || !m_spriteStreams.empty();
}

void AudioEngine::pump()
{
    if (!m_output)
        return;
    const qint64 played = heard();
    // The timeline went on at the frame rate while the output played
    // nothing; now that it plays, the sound joins the picture rather than
    // holding it back.
    if (m_playing && m_mainStream.voice && outputPlays() &&
        m_mainStream.voice->framesAhead(played) > 0)
        restartMainStream(currentFrame());
    if (sounding())
        m_soundAt = now();
    else if (!keepingAlive())
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
        m_mixPosition = m_output->discard();
}

bool AudioEngine::isActive() const
{
    return sounding() || keepingAlive() || (m_output && m_output->playedFrames() < m_mixPosition);
}

} // namespace swf
