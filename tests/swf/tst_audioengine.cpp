// The sound engine on written movies: event sounds and their sound info,
// stream sounds on the main timeline and in sprites, the clock a stream
// sets, and what stop, seek, rewind and loops do to the sound.
#include "audiotest.h"
#include "swf/audio/audioring.h"

#include <QTest>

#include <algorithm>

using swf::SoundCodec;

Q_DECLARE_METATYPE(swf::SoundTransform)

namespace {

// An output whose clock the test moves by hand; its device holds `held`
// frames past those played, which a discard leaves to be heard.
class FakeOutput final : public swf::AudioOutput {
public:
    qint64 write(const qint16 *samples, qint64 frames) override
    {
        frames = qMin(frames, writable());
        heard.insert(heard.end(), samples, samples + frames * 2);
        written += frames;
        return frames;
    }
    qint64 writable() const override { return 44100 - (written - played); }
    qint64 playedFrames() const override { return played; }
    qint64 discard() override
    {
        ++discards;
        written = qMin(written, played + held);
        return written;
    }

    qint64 written = 0;
    qint64 played = 0;
    qint64 held = 0;
    int discards = 0;
    std::vector<qint16> heard; // everything written, discarded or not
};

// An output over the ring the ALSA output feeds its device from; the test
// is the device, taking frames from the ring's head. `races` times, the
// device takes `raceFrames` more between the engine's look at the queue
// and its mixing into it.
class RingOutput final : public swf::AudioOutput {
public:
    qint64 write(const qint16 *samples, qint64 frames) override
    {
        return ring.write(samples, frames);
    }
    qint64 writable() const override { return ring.space(); }
    qint64 playedFrames() const override { return played; }
    qint64 discard() override
    {
        ring.clear();
        return played;
    }
    qint64 queuedFrames() const override { return ring.available(); }
    qint64 mixIntoQueued(const qint16 *samples, qint64 frames) override
    {
        if (races > 0) {
            --races;
            take(raceFrames);
        }
        return ring.mixIntoTail(samples, frames);
    }
    void take(qint64 frames)
    {
        std::vector<qint16> buffer(size_t(frames) * 2);
        const qint64 got = ring.read(buffer.data(), frames, 1, std::chrono::milliseconds(0));
        heard.insert(heard.end(), buffer.begin(), buffer.begin() + got * 2);
        played += got;
    }

    swf::AudioRing ring{swf::AudioOutput::kRate / 2};
    qint64 played = 0;
    int races = 0;
    qint64 raceFrames = 1000;
    std::vector<qint16> heard;
};

constexpr quint16 kButton = 40;
constexpr qint16 kStreamLevel = 100;

// A 10 fps movie whose button 40 sounds `sound` (mono, 44.1 kHz) as the
// pointer leaves it; with `stream`, a stream holds a steady level for 20
// frames from frame 0.
std::shared_ptr<const swf::Movie> buttonSoundMovie(const std::vector<qint16> &sound, bool stream)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    const quint16 id = swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1),
                                              quint32(sound.size()), swfwriter::pcm16(sound));
    swfwriter::defineButtonSound(
        w, kButton, {swf::ButtonSound{id, {}}, std::nullopt, std::nullopt, std::nullopt});
    if (stream)
        swfwriter::soundStreamHead(w, swfwriter::pcmFormat(44100, 1), 4410);
    for (int f = 0; f < 20; ++f) {
        if (stream)
            swfwriter::soundStreamBlock(w,
                                        swfwriter::pcm16(std::vector<qint16>(4410, kStreamLevel)));
        w.showFrame();
    }
    return mustParse(w.finish());
}

// A sound whose every sample tells its place: 1 … 7000, again and again.
std::vector<qint16> countingSound(int frames)
{
    std::vector<qint16> sound;
    for (int i = 0; i < frames; ++i)
        sound.push_back(qint16(i % 7000 + 1));
    return sound;
}

// The device takes `frames` more, a pump after every 2000 as the UI
// thread's timer would.
void playOn(swf::AudioEngine &engine, RingOutput &output, qint64 frames)
{
    for (qint64 done = 0; done < frames; done += 2000) {
        output.take(qMin<qint64>(2000, frames - done));
        engine.pump();
    }
}

// Distinct 16-bit values: frame f's block holds f·1000 + i.
std::vector<qint16> blockSamples(int frame, int count)
{
    std::vector<qint16> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(qint16(frame * 1000 + i));
    return samples;
}

std::shared_ptr<const swf::Movie> parse(const swfwriter::SwfWriter &w)
{
    return mustParse(w.finish());
}

// A 10 fps movie whose frames `from` … `to` − 1 each carry a 4410-sample
// block of mono 44.1 kHz PCM, after a head in frame 0; `frames` in all.
std::shared_ptr<const swf::Movie> streamMovie(int frames, int from, int to)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(44100, 1), 4410);
    for (int f = 0; f < frames; ++f) {
        if (f >= from && f < to)
            swfwriter::soundStreamBlock(w, swfwriter::pcm16(blockSamples(f, 4410)));
        w.showFrame();
    }
    return parse(w);
}

// A movie starting one 44.1 kHz mono sound of `samples` in frame 0.
std::shared_ptr<const swf::Movie> eventMovie(const std::vector<qint16> &samples, int rate,
                                             const swf::SoundInfo &info = {}, int channels = 1)
{
    swfwriter::SwfWriter w;
    const quint16 id = swfwriter::defineSound(w, swfwriter::pcmFormat(rate, channels),
                                              quint32(samples.size() / size_t(channels)),
                                              swfwriter::pcm16(samples));
    swfwriter::startSound(w, id, info);
    w.showFrame();
    w.showFrame();
    return parse(w);
}

std::vector<qint16> left(const std::vector<qint16> &stereo)
{
    std::vector<qint16> out;
    for (size_t i = 0; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

std::vector<qint16> right(const std::vector<qint16> &stereo)
{
    std::vector<qint16> out;
    for (size_t i = 1; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

std::vector<qint16> slice(const std::vector<qint16> &v, size_t from, size_t count)
{
    return std::vector<qint16>(v.begin() + qint64(from), v.begin() + qint64(from + count));
}

} // namespace

class TestAudioEngine : public QObject {
    Q_OBJECT
private slots:
    void eventSoundPassesThroughAtTheOutputRate();
    void slowerRatesAreInterpolated_data();
    void slowerRatesAreInterpolated();
    void soundInfoShapesPlayback_data();
    void soundInfoShapesPlayback();
    void noMultipleAndSyncStop();
    void startSound2FindsItsClass();
    void buttonTransitionsPlayTheirSounds();
    void firstFrameSoundsStartWithPlay();
    void streamStartsAtItsFirstBlockAndPlaysOn();
    void streamEndsAtAFrameWithoutBlockAndStartsAgain();
    void blockWithoutHeadIsSilent();
    void spriteStreamFallsSilentWithItsSprite();
    void timelineFollowsTheStreamClock();
    void silentOutputLeavesThePaceToTheFrameRate();
    void restartMeetsTheSoundTheDeviceHolds();
    void stopSilencesEverything();
    void seekRestartsTheStreamAtTheSeekedFrame();
    void loopKeepsTheStreamGoing();
    void ringMixesIntoItsTail();
    void eventSoundIsLaidOverQueuedSound_data();
    void eventSoundIsLaidOverQueuedSound();
    void earlyStartIsSilencedByStopAndNeedsNothingQueued();
    void newEngineOnAUsedOutputKeepsItsLeadAndClock();
    void scriptSoundPlaysUnderItsTransforms_data();
    void scriptSoundPlaysUnderItsTransforms();
    void scriptSoundEndsAsTheMixReachesItsEnd();
};

void TestAudioEngine::eventSoundPassesThroughAtTheOutputRate()
{
    std::vector<qint16> samples;
    for (int i = 0; i < 500; ++i) {
        samples.push_back(qint16(i * 7));
        samples.push_back(qint16(-i * 11));
    }
    OfflinePlay play(eventMovie(samples, 44100, {}, 2));
    play.player.play();
    const auto mix = play.mix(600);
    QCOMPARE(slice(mix, 0, 1000), samples);
    QCOMPARE(slice(mix, 1000, 200), std::vector<qint16>(200, 0));
    QVERIFY(!play.engine.isActive());
}

void TestAudioEngine::slowerRatesAreInterpolated_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("factor");
    QTest::newRow("11.025 kHz") << 11025 << 4;
    QTest::newRow("5.5 kHz") << 5512 << 8;
}

// A ramp comes out as the same ramp, `factor` times as long, in both
// channels.
void TestAudioEngine::slowerRatesAreInterpolated()
{
    QFETCH(int, rate);
    QFETCH(int, factor);
    const std::vector<qint16> ramp = {0, 800, 1600, 2400, 3200, 4000};
    OfflinePlay play(eventMovie(ramp, rate));
    play.player.play();
    const auto mix = play.mix(64);
    for (int i = 0; i < 5 * factor; ++i) {
        QCOMPARE(int(mix[size_t(2 * i)]), 800 * i / factor);
        QCOMPARE(mix[size_t(2 * i + 1)], mix[size_t(2 * i)]);
    }
}

void TestAudioEngine::soundInfoShapesPlayback_data()
{
    QTest::addColumn<swf::SoundInfo>("info");
    QTest::addColumn<std::vector<qint16>>("expectedLeft");
    QTest::addColumn<std::vector<qint16>>("expectedRight");
    const std::vector<qint16> none;
    swf::SoundInfo points;
    points.inPoint = 2;
    points.outPoint = 4;
    QTest::newRow("in and out points") << points << std::vector<qint16>({300, 400, 500}) << none;
    swf::SoundInfo loops;
    loops.loops = 3;
    QTest::newRow("three loops") << loops
                                 << std::vector<qint16>({100, 200, 300, 400, 500, 600, 100, 200,
                                                         300, 400, 500, 600, 100, 200, 300, 400,
                                                         500, 600})
                                 << none;
    swf::SoundInfo zero;
    zero.loops = 0;
    QTest::newRow("no loops plays once")
        << zero << std::vector<qint16>({100, 200, 300, 400, 500, 600}) << none;
    swf::SoundInfo pan;
    pan.envelope = {{0, 0, 32768}};
    QTest::newRow("envelope: right only")
        << pan << std::vector<qint16>(6, 0) << std::vector<qint16>({100, 200, 300, 400, 500, 600});
    swf::SoundInfo fade;
    fade.envelope = {{1, 32768, 32768}, {5, 0, 16384}};
    QTest::newRow("envelope: fade between points")
        << fade << std::vector<qint16>({100, 200, 225, 200, 125, 0})
        << std::vector<qint16>({100, 200, 262, 300, 312, 300});
}

void TestAudioEngine::soundInfoShapesPlayback()
{
    QFETCH(swf::SoundInfo, info);
    QFETCH(std::vector<qint16>, expectedLeft);
    QFETCH(std::vector<qint16>, expectedRight);
    const std::vector<qint16> sound = {100, 200, 300, 400, 500, 600};
    OfflinePlay play(eventMovie(sound, 44100, info));
    play.player.play();
    const auto mix = play.mix(int(expectedLeft.size()) + 4);
    QCOMPARE(slice(left(mix), 0, expectedLeft.size()), expectedLeft);
    QCOMPARE(slice(left(mix), expectedLeft.size(), 4), std::vector<qint16>(4, 0));
    if (!expectedRight.empty())
        QCOMPARE(slice(right(mix), 0, expectedRight.size()), expectedRight);
}

void TestAudioEngine::noMultipleAndSyncStop()
{
    swfwriter::SwfWriter w;
    const std::vector<qint16> sound(1000, 1000);
    const quint16 id =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 1000, swfwriter::pcm16(sound));
    swfwriter::startSound(w, id);
    w.showFrame();
    swf::SoundInfo noMultiple;
    noMultiple.noMultiple = true;
    swfwriter::startSound(w, id, noMultiple); // refused: one plays
    w.showFrame();
    swfwriter::startSound(w, id); // a second start layers
    w.showFrame();
    swf::SoundInfo stop;
    stop.syncStop = true;
    swfwriter::startSound(w, id, stop);
    w.showFrame();
    OfflinePlay play(parse(w));
    play.player.play();
    QCOMPARE(play.mix(10)[0], qint16(1000));
    play.step();
    QCOMPARE(play.mix(10)[0], qint16(1000));
    play.step();
    QCOMPARE(play.mix(10)[0], qint16(2000));
    play.step();
    QCOMPARE(play.mix(10)[0], qint16(0));
    QCOMPARE(play.capture.entries().size(), size_t(2));
}

void TestAudioEngine::startSound2FindsItsClass()
{
    swfwriter::SwfWriter w;
    const quint16 id =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 3, swfwriter::pcm16({5, 6, 7}));
    swfwriter::symbolClass(w, {{id, QStringLiteral("Bell")}});
    swfwriter::startSound2(w, QStringLiteral("Nobody"));
    swfwriter::startSound2(w, QStringLiteral("Bell"));
    w.showFrame();
    OfflinePlay play(parse(w));
    play.player.play();
    QCOMPARE(slice(left(play.mix(4)), 0, 4), std::vector<qint16>({5, 6, 7, 0}));
    QCOMPARE(play.capture.entries().size(), size_t(1));
}

void TestAudioEngine::buttonTransitionsPlayTheirSounds()
{
    swfwriter::SwfWriter w;
    const quint16 over =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 2, swfwriter::pcm16({11, 12}));
    const quint16 press =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 2, swfwriter::pcm16({21, 22}));
    swf::SoundInfo loud;
    loud.loops = 2;
    swfwriter::defineButtonSound(
        w, 40,
        {std::nullopt, swf::ButtonSound{over, {}}, swf::ButtonSound{press, loud}, std::nullopt});
    w.showFrame();
    OfflinePlay play(parse(w));
    // Buttons answer while the timeline is stopped, too.
    play.engine.buttonTransition(40, swf::ButtonSoundTransition::OverUpToIdle);
    play.engine.buttonTransition(41, swf::ButtonSoundTransition::IdleToOverUp);
    QVERIFY(play.capture.entries().empty());
    play.engine.buttonTransition(40, swf::ButtonSoundTransition::IdleToOverUp);
    QCOMPARE(slice(left(play.mix(3)), 0, 3), std::vector<qint16>({11, 12, 0}));
    play.engine.buttonTransition(40, swf::ButtonSoundTransition::OverUpToOverDown);
    QCOMPARE(slice(left(play.mix(5)), 0, 5), std::vector<qint16>({21, 22, 21, 22, 0}));
}

// The first frame is executed before play starts: its sounds wait for
// play, and only the sounds of the frame shown then start.
void TestAudioEngine::firstFrameSoundsStartWithPlay()
{
    swfwriter::SwfWriter w;
    const quint16 a =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 1, swfwriter::pcm16({100}));
    const quint16 b =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 1, swfwriter::pcm16({200}));
    swfwriter::startSound(w, a);
    w.showFrame();
    swfwriter::startSound(w, b);
    w.showFrame();
    w.showFrame();
    const auto movie = parse(w);
    {
        OfflinePlay play(movie);
        QCOMPARE(play.mix(1)[0], qint16(0));
        play.player.play();
        QCOMPARE(play.mix(1)[0], qint16(100));
    }
    {
        OfflinePlay play(movie);
        play.player.step(); // frame 1 while stopped
        play.player.step(); // frame 2: no sound
        play.player.play();
        QCOMPARE(play.mix(1)[0], qint16(0));
        QVERIFY(play.capture.entries().empty());
    }
}

// The head alone starts nothing; the stream starts with its first block
// and holds the blocks of every frame played after it.
void TestAudioEngine::streamStartsAtItsFirstBlockAndPlaysOn()
{
    OfflinePlay play(streamMovie(8, 2, 8));
    play.player.play();
    QVERIFY(play.capture.entries().empty());
    play.step(); // frame 1
    play.step(); // frame 2: first block
    QCOMPARE(play.capture.entries().size(), size_t(1));
    QCOMPARE(play.capture.entries()[0].frame, 3);
    const auto mix = left(play.mix(4410 * 3));
    play.step();
    play.step();
    QCOMPARE(play.capture.entries().size(), size_t(1));
    std::vector<qint16> expected = blockSamples(2, 4410);
    for (int f = 3; f <= 4; ++f) {
        const auto more = blockSamples(f, 4410);
        expected.insert(expected.end(), more.begin(), more.end());
    }
    // The mix reads ahead of the playhead: all three blocks, seamlessly.
    QCOMPARE(mix, expected);
    QCOMPARE(play.capture.entries()[0].sound.samples, expected);
}

void TestAudioEngine::streamEndsAtAFrameWithoutBlockAndStartsAgain()
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(44100, 1), 4);
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({1, 2, 3, 4}));
    w.showFrame();
    w.showFrame(); // no block: the stream ends
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({5, 6, 7, 8}));
    w.showFrame();
    w.showFrame();
    OfflinePlay play(parse(w));
    play.player.play();
    QCOMPARE(slice(left(play.mix(6)), 0, 6), std::vector<qint16>({1, 2, 3, 4, 0, 0}));
    play.step();
    play.step();
    QCOMPARE(slice(left(play.mix(6)), 0, 6), std::vector<qint16>({5, 6, 7, 8, 0, 0}));
    QCOMPARE(play.capture.entries().size(), size_t(2));
    QCOMPARE(play.capture.entries()[1].frame, 3);
}

void TestAudioEngine::blockWithoutHeadIsSilent()
{
    swfwriter::SwfWriter w;
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({1, 2, 3, 4}));
    w.showFrame();
    OfflinePlay play(parse(w));
    play.player.play();
    QCOMPARE(play.mix(4), std::vector<qint16>(8, 0));
    QVERIFY(play.capture.entries().empty());
}

// A sprite's stream plays with its sprite; when the sprite is removed the
// stream plays out what it read ahead and stops.
void TestAudioEngine::spriteStreamFallsSilentWithItsSprite()
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    swfwriter::TimelineWriter clip;
    swfwriter::soundStreamHead(clip, swfwriter::pcmFormat(44100, 1), 4410);
    for (int f = 0; f < 20; ++f) {
        swfwriter::soundStreamBlock(clip, swfwriter::pcm16(std::vector<qint16>(4410, 1000)));
        clip.showFrame();
    }
    const quint16 sprite = w.defineSprite(clip);
    swfwriter::Place place;
    place.depth = 1;
    place.characterId = sprite;
    w.placeObject2(place);
    w.showFrame();
    w.showFrame();
    w.removeObject2(1);
    for (int f = 0; f < 10; ++f)
        w.showFrame();
    OfflinePlay play(parse(w));
    play.player.play();
    QCOMPARE(play.capture.entries().size(), size_t(1));
    QCOMPARE(left(play.mix(4410))[4409], qint16(1000));
    play.step();
    QCOMPARE(left(play.mix(4410))[4409], qint16(1000));
    play.step(); // the sprite goes
    int audible = 0;
    for (int f = 0; f < 9; ++f) {
        const auto mix = left(play.mix(4410));
        audible += mix[0] != 0;
        play.step();
    }
    QVERIFY2(audible > 0 && audible < 9, qPrintable(QString::number(audible)));
    QVERIFY(!play.engine.isActive());
}

// While the main timeline's stream plays and the output plays it, the
// frames heard set the pace: a frame is due when its sound is heard, and
// when drawing lags, the frames heard meanwhile are due at once.
void TestAudioEngine::timelineFollowsTheStreamClock()
{
    FakeOutput output;
    OfflinePlay play(streamMovie(30, 0, 30), &output);
    play.engine.setClock([] { return qint64(0); });
    play.player.play();
    play.engine.pump();
    QVERIFY(output.written > 0);
    output.played = 1;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    QCOMPARE(play.player.advance(500), 0); // time alone moves nothing
    output.played = 4409;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    output.played = 4410;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(1));
    QCOMPARE(play.player.advance(0), 1);
    QCOMPARE(play.player.frame(), 1);
    // Drawing lags for three frames; the output is kept fed meanwhile.
    for (int i = 2; i <= 4; ++i) {
        output.played = i * 4410 - 2000;
        play.engine.pump();
    }
    output.played = 4 * 4410 + 10;
    QCOMPARE(play.player.advance(0), 3);
    QCOMPARE(play.player.frame(), 4);
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    // What was heard is the blocks in order, without a gap.
    QCOMPARE(slice(left(output.heard), 4400, 20), [] {
        auto v = slice(blockSamples(0, 4410), 4400, 10);
        const auto w = slice(blockSamples(1, 4410), 0, 10);
        v.insert(v.end(), w.begin(), w.end());
        return v;
    }());
}

// An output that plays nothing yet (a sound server waking its sink) or
// stalls leaves the pace to the frame rate; when its sound comes, the
// stream is cut over to the frame shown, beginning as far into it as the
// device still holds, and sets the pace from there.
void TestAudioEngine::silentOutputLeavesThePaceToTheFrameRate()
{
    FakeOutput output;
    OfflinePlay play(streamMovie(30, 0, 30), &output);
    qint64 now = 0;
    play.engine.setClock([&now] { return now; });
    play.player.play();
    play.engine.pump();
    QCOMPARE(play.engine.framesDue(), std::nullopt);
    QCOMPARE(play.player.advance(250), 2);

    output.played = 1000;
    output.held = 500;
    const size_t before = output.heard.size() / 2;
    play.engine.pump();
    QCOMPARE(output.written, 1500 + qint64(output.heard.size() / 2 - before));
    QCOMPARE(slice(left(output.heard), before, 3), slice(blockSamples(2, 4410), 500, 3));
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    output.played = 1000 + 4410;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(1));
    QCOMPARE(play.player.advance(0), 1);

    now += 100; // the device stalls
    QCOMPARE(play.engine.framesDue(), std::nullopt);
    QCOMPARE(play.player.advance(100), 1);
}

// A stream that starts again while the device still holds sound (a seek,
// play) begins that far into its frame: the next frame is due one frame
// period from now, as the sound of the new place is heard.
void TestAudioEngine::restartMeetsTheSoundTheDeviceHolds()
{
    FakeOutput output;
    OfflinePlay play(streamMovie(30, 0, 30), &output);
    play.engine.setClock([] { return qint64(0); });
    play.player.play();
    play.engine.pump();
    output.played = 3000;
    output.held = 1200;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    const size_t before = output.heard.size() / 2;
    play.player.seek(10);
    QCOMPARE(output.written, qint64(4200));
    play.engine.pump();
    QCOMPARE(slice(left(output.heard), before, 3), slice(blockSamples(10, 4410), 1200, 3));
    output.played = 3000 + 4409;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(0));
    output.played = 3000 + 4410;
    QCOMPARE(play.engine.framesDue(), std::optional<int>(1));
}

void TestAudioEngine::stopSilencesEverything()
{
    FakeOutput output;
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    const quint16 id = swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 1), 44100,
                                              swfwriter::pcm16(std::vector<qint16>(44100, 500)));
    swfwriter::startSound(w, id);
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(44100, 1), 4410);
    for (int f = 0; f < 5; ++f) {
        swfwriter::soundStreamBlock(w, swfwriter::pcm16(blockSamples(f, 4410)));
        w.showFrame();
    }
    OfflinePlay play(parse(w), &output);
    qint64 now = 0;
    play.engine.setClock([&now] { return now; });
    play.player.play();
    play.engine.pump();
    QVERIFY(play.engine.isActive());
    const int discards = output.discards;
    play.player.stop();
    QCOMPARE(output.discards, discards + 1);
    QCOMPARE(play.engine.framesDue(), std::nullopt);
    // Silence goes on flowing a while, so the output stays ready; then
    // nothing is written.
    const size_t before = output.heard.size();
    output.played = output.written;
    play.engine.pump();
    QVERIFY(output.heard.size() > before);
    QVERIFY(std::all_of(output.heard.begin() + qint64(before), output.heard.end(),
                        [](qint16 v) { return v == 0; }));
    now += 60000;
    output.played = output.written;
    QVERIFY(!play.engine.isActive());
    const qint64 written = output.written;
    play.engine.pump();
    QCOMPARE(output.written, written);
}

void TestAudioEngine::seekRestartsTheStreamAtTheSeekedFrame()
{
    OfflinePlay play(streamMovie(10, 0, 10));
    play.player.play();
    play.mix(4410);
    play.player.seek(6);
    QCOMPARE(play.capture.entries().size(), size_t(2));
    QCOMPARE(slice(left(play.mix(3)), 0, 3), slice(blockSamples(6, 4410), 0, 3));
    // Seeking while stopped, then playing, starts at the seeked frame too.
    play.player.stop();
    play.player.seek(3);
    QCOMPARE(play.mix(3), std::vector<qint16>(6, 0));
    play.player.play();
    QCOMPARE(slice(left(play.mix(3)), 0, 3), slice(blockSamples(3, 4410), 0, 3));
    QCOMPARE(play.capture.entries().size(), size_t(3));
}

// At the end the main timeline loops, and the stream, which has read on
// through the loop, goes on without starting again.
void TestAudioEngine::loopKeepsTheStreamGoing()
{
    OfflinePlay play(streamMovie(3, 0, 3));
    play.player.play();
    std::vector<qint16> heard;
    for (int f = 0; f < 6; ++f) {
        const auto mix = left(play.mix(4410));
        heard.insert(heard.end(), mix.begin(), mix.end());
        play.step();
    }
    QCOMPARE(play.capture.entries().size(), size_t(1));
    for (int f = 0; f < 6; ++f)
        QCOMPARE(heard[size_t(f * 4410 + 7)], qint16((f % 3) * 1000 + 7));
}

// Mixing into the ring's tail: across its end, clipped to 16 bits, and
// not at all when the reader took part of what was asked for.
void TestAudioEngine::ringMixesIntoItsTail()
{
    swf::AudioRing ring(8);
    const std::vector<qint16> first = {1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6};
    QCOMPARE(ring.write(first.data(), 6), qint64(6));
    std::vector<qint16> out(16);
    QCOMPARE(ring.read(out.data(), 4, 1, std::chrono::milliseconds(0)), qint64(4));
    const std::vector<qint16> second = {7, -7, 32000, -32000, 9, -9, 10, -10};
    QCOMPARE(ring.write(second.data(), 4), qint64(4)); // runs over the end
    const std::vector<qint16> over(14, 1000);
    QCOMPARE(ring.mixIntoTail(over.data(), 7), qint64(0));
    QCOMPARE(ring.mixIntoTail(over.data(), 0), qint64(0));
    std::vector<qint16> add = {10, 20, 30, 40, 1000, -1000, 500, 600, 700, 800};
    QCOMPARE(ring.mixIntoTail(add.data(), 5), qint64(5));
    QCOMPARE(ring.read(out.data(), 8, 1, std::chrono::milliseconds(0)), qint64(6));
    out.resize(12);
    QCOMPARE(out, std::vector<qint16>({5, -5, 16, 14, 37, 33, 32767, -32768, 509, 591, 710, 790}));
}

void TestAudioEngine::eventSoundIsLaidOverQueuedSound_data()
{
    QTest::addColumn<int>("races");
    QTest::addColumn<int>("expectedStart"); // −1: at the mix position
    // The device took 1000 frames; the sound starts a 10 ms margin later.
    QTest::newRow("queue still") << 0 << 1000 + 441;
    QTest::newRow("device took more once") << 1 << 2000 + 441;
    QTest::newRow("device took more twice") << 2 << -1;
}

// A stream keeps the lead queued; a button sound starts. Its start goes
// into the queued sound a margin after what the device took, and the
// rest follows from the mix position: every sample once, in order.
void TestAudioEngine::eventSoundIsLaidOverQueuedSound()
{
    QFETCH(int, races);
    QFETCH(int, expectedStart);
    const auto sound = countingSound(12000);
    RingOutput output;
    OfflinePlay play(buttonSoundMovie(sound, true), &output);
    play.player.play();
    play.engine.pump();
    const qint64 lead = output.ring.available();
    QVERIFY2(lead >= 44100 / 10, qPrintable(QString::number(lead)));
    output.take(1000);
    output.races = races;
    play.engine.buttonTransition(kButton, swf::ButtonSoundTransition::OverUpToIdle);
    playOn(play.engine, output, lead + qint64(sound.size()) + 2000);

    const auto heard = left(output.heard);
    const size_t start = size_t(expectedStart < 0 ? lead : expectedStart);
    QVERIFY(heard.size() > start + sound.size() + 100);
    QCOMPARE(slice(heard, 0, start), std::vector<qint16>(start, kStreamLevel));
    std::vector<qint16> expected;
    for (qint16 v : sound)
        expected.push_back(qint16(v + kStreamLevel));
    QCOMPARE(slice(heard, start, sound.size()), expected);
    QCOMPARE(slice(heard, start + sound.size(), 100), std::vector<qint16>(100, kStreamLevel));
}

// Stop throws away the queued sound, early start and all. With nothing
// queued (no stream, or stopped) a sound starts where the next pump
// writes, which the device takes next.
void TestAudioEngine::earlyStartIsSilencedByStopAndNeedsNothingQueued()
{
    const auto sound = countingSound(20000);
    {
        RingOutput output;
        OfflinePlay play(buttonSoundMovie(sound, true), &output);
        play.player.play();
        play.engine.pump();
        play.engine.buttonTransition(kButton, swf::ButtonSoundTransition::OverUpToIdle);
        play.player.stop();
        QCOMPARE(output.ring.available(), qint64(0));
        playOn(play.engine, output, 4000);
        QVERIFY(
            std::all_of(output.heard.begin(), output.heard.end(), [](qint16 v) { return v == 0; }));
    }
    RingOutput output;
    OfflinePlay play(buttonSoundMovie(sound, false), &output);
    play.engine.pump();
    play.engine.buttonTransition(kButton, swf::ButtonSoundTransition::OverUpToIdle);
    QCOMPARE(output.ring.available(), qint64(0));
    play.engine.pump();
    playOn(play.engine, output, 6000);
    QCOMPARE(slice(left(output.heard), 0, 6000), slice(sound, 0, 6000));
}

// The player keeps one output for every movie it loads: the next movie's
// engine mixes the same short lead ahead, and its stream's clock counts
// from where it began, not from the first movie's start.
void TestAudioEngine::newEngineOnAUsedOutputKeepsItsLeadAndClock()
{
    RingOutput output;
    const auto movie = streamMovie(30, 0, 30);
    qint64 lead = 0;
    {
        OfflinePlay first(movie, &output);
        first.player.play();
        first.engine.pump();
        lead = output.ring.available();
        playOn(first.engine, output, 30000);
    }
    OfflinePlay second(movie, &output);
    second.player.play();
    second.engine.pump();
    QCOMPARE(output.ring.available(), lead);
    QCOMPARE(second.engine.framesDue(), std::nullopt); // until the output is heard to play
    output.take(4410);
    QCOMPARE(second.engine.framesDue(), std::optional<int>(1));
    QCOMPARE(slice(left(output.heard), output.heard.size() / 2 - 4410, 5),
             slice(blockSamples(0, 4410), 0, 5));
}

// A movie exporting one stereo sound, left 1000 and right 200, 100 frames
// long at 44.1 kHz; the id of the sound.
std::pair<std::shared_ptr<const swf::Movie>, quint16> scriptSoundMovie()
{
    swfwriter::SwfWriter w;
    std::vector<qint16> samples;
    for (int i = 0; i < 100; ++i)
        samples.insert(samples.end(), {1000, 200});
    const quint16 id =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 2), 100, swfwriter::pcm16(samples));
    w.showFrame();
    return {parse(w), id};
}

swf::SoundTransform transform(qint32 volume, qint32 ll, qint32 lr, qint32 rl, qint32 rr)
{
    return swf::SoundTransform{volume, ll, lr, rl, rr};
}

void TestAudioEngine::scriptSoundPlaysUnderItsTransforms_data()
{
    QTest::addColumn<swf::SoundTransform>("global");
    QTest::addColumn<swf::SoundTransform>("clip");
    QTest::addColumn<swf::SoundTransform>("own");
    QTest::addColumn<int>("expectedLeft");
    QTest::addColumn<int>("expectedRight");
    const swf::SoundTransform unity;
    QTest::newRow("as it is") << unity << unity << unity << 1000 << 200;
    QTest::newRow("global volume") << transform(50, 100, 0, 0, 100) << unity << unity << 500 << 100;
    QTest::newRow("clip panned right")
        << unity << transform(100, 50, 0, 0, 100) << unity << 500 << 200;
    QTest::newRow("own transform swaps the channels")
        << unity << unity << transform(100, 0, 100, 100, 0) << 200 << 1000;
    QTest::newRow("all three at once")
        << transform(50, 100, 0, 0, 100) << transform(100, 100, 0, 0, 0)
        << transform(200, 100, 0, 0, 100) << 1000 << 0;
    QTest::newRow("a negative volume inverts")
        << transform(-100, 100, 0, 0, 100) << unity << unity << -1000 << -200;
}

// The Sound class's transforms: on every sound, on a clip's, and on a
// loaded sound's own, one after the other.
void TestAudioEngine::scriptSoundPlaysUnderItsTransforms()
{
    QFETCH(swf::SoundTransform, global);
    QFETCH(swf::SoundTransform, clip);
    QFETCH(swf::SoundTransform, own);
    QFETCH(int, expectedLeft);
    QFETCH(int, expectedRight);
    const auto [movie, id] = scriptSoundMovie();
    OfflinePlay play(movie);
    play.player.play();
    constexpr quint64 kOwn = quint64(1) << 63;
    const quint64 root = play.player.root().serial();
    play.engine.setSoundTransform(swf::kGlobalSoundGroup, global);
    play.engine.setSoundTransform(root, clip);
    play.engine.setSoundTransform(kOwn, own);
    swf::ScriptSoundStart start;
    start.characterId = id;
    start.groups = {kOwn, root};
    QVERIFY(play.engine.startScriptSound(start) != 0);
    const auto mix = play.mix(4);
    QCOMPARE(int(mix[0]), expectedLeft);
    QCOMPARE(int(mix[1]), expectedRight);
    QCOMPARE(int(mix[6]), expectedLeft);
}

// A script's sound tells how far it played while it plays, and is told
// ended once the mix passed its last loop; one stopped is never told.
void TestAudioEngine::scriptSoundEndsAsTheMixReachesItsEnd()
{
    const auto [movie, id] = scriptSoundMovie();
    OfflinePlay play(movie);
    play.player.play();
    swf::ScriptSoundStart start;
    start.characterId = id;
    start.loops = 2;
    const quint64 looped = play.engine.startScriptSound(start);
    start.loops = 1;
    start.offsetSeconds = 50.0 / 44100;
    const quint64 offset = play.engine.startScriptSound(start);
    constexpr quint64 kOwn = quint64(1) << 63;
    start.groups = {kOwn};
    const quint64 stopped = play.engine.startScriptSound(start);
    QVERIFY(looped && offset && stopped && looped != offset && offset != stopped);
    QCOMPARE(play.engine.scriptSoundPosition(offset).value_or(-1), 50 * 1000.0 / 44100);
    play.engine.stopScriptSounds(kOwn, std::nullopt);
    QVERIFY(!play.engine.scriptSoundPosition(stopped));
    play.mix(40);
    QVERIFY(play.engine.takeEndedScriptSounds().empty());
    play.mix(20); // the start at 50 plays out
    QCOMPARE(play.engine.takeEndedScriptSounds(), std::vector<quint64>({offset}));
    QCOMPARE(play.engine.scriptSoundPosition(looped).value_or(-1), 60 * 1000.0 / 44100);
    play.mix(100); // into the second loop
    QCOMPARE(play.engine.scriptSoundPosition(looped).value_or(-1), 60 * 1000.0 / 44100);
    QVERIFY(play.engine.takeEndedScriptSounds().empty());
    play.mix(41);
    QCOMPARE(play.engine.takeEndedScriptSounds(), std::vector<quint64>({looped}));
    QVERIFY(!play.engine.scriptSoundPosition(looped));
}

QTEST_GUILESS_MAIN(TestAudioEngine)
#include "tst_audioengine.moc"
