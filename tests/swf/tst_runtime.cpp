// The player: stepping, looping, exact seeking, nested timelines, the
// clock, and the seams to sound and pointer input.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/placement.h"
#include "swf/model/scripttags.h"
#include "swf/runtime/frameclock.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/spriteinstance.h"
#include "swftest.h"

#include <QTest>

namespace {

// "depth:character@x,y" for each object, children in brackets.
QString describe(const swf::DisplayList &list)
{
    QStringList parts;
    for (const auto &[depth, object] : list.objects()) {
        const swf::PlacementState &p = object->placement();
        QString text = QStringLiteral("%1:%2@%3,%4")
                           .arg(depth)
                           .arg(p.characterId)
                           .arg(p.matrix.translateX / 20)
                           .arg(p.matrix.translateY / 20);
        if (const swf::DisplayList *children = object->children())
            text += QLatin1Char('[') + describe(*children) + QLatin1Char(']');
        parts.append(text);
    }
    return parts.join(QLatin1Char(' '));
}

int spriteFrame(swf::DisplayObject *object)
{
    return object && object->timeline() ? object->timeline()->frame() : -1;
}

// Six frames that place, move, replace and remove objects:
//   0: A at depth 1 (0,0)       3: depth 1 removed, B at depth 1 (5,5)
//   1: A moves to (10,0)        4: C (a B) at depth 3, depth 2 moves (1,1)
//   2: B at depth 2 (20,20)     5: depth 1 changes character to A
std::shared_ptr<const swf::Movie> choreography()
{
    swfwriter::SwfWriter w;
    const quint16 a = defineSquare(w, 5, {255, 0, 0});
    const quint16 b = defineSquare(w, 5, {0, 255, 0});
    w.placeObject2(placeAt(1, a, 0, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 10, 0));
    w.showFrame();
    w.placeObject2(placeAt(2, b, 20, 20));
    w.showFrame();
    w.removeObject(a, 1);
    w.placeObject2(placeAt(1, b, 5, 5));
    w.showFrame();
    w.placeObject2(placeAt(3, b, 30, 30));
    w.placeObject2(moveTo(2, 1, 1));
    w.showFrame();
    swfwriter::Place swap;
    swap.depth = 1;
    swap.move = true;
    swap.characterId = a;
    w.placeObject2(swap);
    w.showFrame();
    return mustParse(w.finish());
}

// A test-only sound tag: the player must hand it to the audio sink.
class FakeSoundTag final : public swf::ControlTag {
public:
    explicit FakeSoundTag(int marker) : marker(marker) {}
    swf::ControlKind kind() const override { return swf::ControlKind::StartSound; }
    int marker;
};

class RecordingSink final : public swf::AudioSink {
public:
    void soundEvent(const swf::SoundEvent &event) override
    {
        events.append(QStringLiteral("sound %1@%2")
                          .arg(static_cast<const FakeSoundTag &>(event.tag).marker)
                          .arg(event.frame));
    }
    void timelineJumped(int frame) override { events.append(QStringLiteral("jump %1").arg(frame)); }
    void playingChanged(bool playing) override
    {
        events.append(playing ? QStringLiteral("play") : QStringLiteral("stop"));
    }
    void buttonTransition(quint16 id, swf::ButtonSoundTransition transition) override
    {
        events.append(QStringLiteral("button %1:%2").arg(id).arg(int(transition)));
    }
    QStringList events;
};

// A script host that writes down what the player tells it, and makes a
// clip of its own when asked.
class RecordingHost final : public swf::ScriptHost {
public:
    void attach(swf::Player &p) override
    {
        player = &p;
        log.append(QStringLiteral("attach"));
    }
    void doAction(swf::DisplayObject &owner, const swf::DoAction &tag) override
    {
        log.append(QStringLiteral("action %1 %2").arg(nameOf(owner)).arg(tag.actions.toHex()));
    }
    void objectAdded(swf::DisplayObject &object) override
    {
        log.append(QStringLiteral("added ") + nameOf(object));
    }
    void objectRemoved(swf::DisplayObject &object) override
    {
        log.append(QStringLiteral("removed ") + nameOf(object));
    }
    void frameStarting() override { log.append(QStringLiteral("start")); }
    void runPending() override { log.append(QStringLiteral("run")); }
    void frameEnded() override { log.append(QStringLiteral("end")); }
    void pointerEvent(const swf::PointerEvent &) override { log.append(QStringLiteral("pointer")); }
    void keyEvent(const swf::KeyEvent &event) override
    {
        log.append(QStringLiteral("key %1").arg(event.keyCode));
    }

    static QString nameOf(const swf::DisplayObject &object)
    {
        return object.name().isEmpty() ? QString::number(object.depth()) : object.name();
    }

    swf::Player *player = nullptr;
    QStringList log;
};

} // namespace

class TestRuntime : public QObject {
    Q_OBJECT
private slots:
    void newPlayerShowsFirstFrameStopped();
    void stepsThroughFramesAndLoops();
    void seekEqualsPlayingThrough();
    void seekClampsToRealFrames();
    void nestedSpritesRunTheirOwnTimelines();
    void loopKeepsObjectsOfTheFirstFrame();
    void placementOnAnOccupiedDepthReplaces();
    void moveNamingAnotherCharacter_data();
    void moveNamingAnotherCharacter();
    void placementByName();
    void clockStepsAtTheFrameRate();
    void clockSurvivesAbsurdRates_data();
    void clockSurvivesAbsurdRates();
    void changedOnlyWhenSomethingChanged();
    void soundEventsReachTheSink();
    void scriptHostHearsEachPhase();
    void scriptObjectsOutliveJumps();
    void objectAndNestingLimits();
};

void TestRuntime::newPlayerShowsFirstFrameStopped()
{
    swf::Player player(choreography());
    QCOMPARE(player.frame(), 0);
    QVERIFY(!player.isPlaying());
    QCOMPARE(player.frameCount(), 6);
    QCOMPARE(player.lastFrame(), 5);
    QCOMPARE(describe(player.displayList()), QStringLiteral("1:1@0,0"));
    QCOMPARE(player.advance(10000), 0); // stopped players ignore time
}

void TestRuntime::stepsThroughFramesAndLoops()
{
    swf::Player player(choreography());
    const QStringList expected = {
        QStringLiteral("1:1@0,0"),
        QStringLiteral("1:1@10,0"),
        QStringLiteral("1:1@10,0 2:2@20,20"),
        QStringLiteral("1:2@5,5 2:2@20,20"),
        QStringLiteral("1:2@5,5 2:2@1,1 3:2@30,30"),
        QStringLiteral("1:1@5,5 2:2@1,1 3:2@30,30"),
    };
    for (int lap = 0; lap < 2; ++lap) {
        for (int f = 0; f < 6; ++f) {
            QCOMPARE(player.frame(), f);
            QCOMPARE(describe(player.displayList()), expected[f]);
            player.step();
        }
    }
    QCOMPARE(player.frame(), 0);
}

void TestRuntime::seekEqualsPlayingThrough()
{
    const auto movie = choreography();
    QStringList played;
    {
        swf::Player player(movie);
        for (int f = 0; f < 6; ++f) {
            played.append(describe(player.displayList()));
            player.step();
        }
    }
    // From every frame to every frame, forwards and backwards.
    for (int from = 0; from < 6; ++from) {
        for (int to = 0; to < 6; ++to) {
            swf::Player player(movie);
            player.seek(from);
            QCOMPARE(describe(player.displayList()), played[from]);
            player.seek(to);
            QCOMPARE(player.frame(), to);
            QCOMPARE(describe(player.displayList()), played[to]);
        }
    }
}

void TestRuntime::seekClampsToRealFrames()
{
    swf::Player player(choreography());
    player.play();
    player.seek(1000);
    QCOMPARE(player.frame(), 5);
    player.seek(-120);
    QCOMPARE(player.frame(), 0);
    player.seek(3);
    player.rewind();
    QCOMPARE(player.frame(), 0);
    QVERIFY(player.isPlaying()); // seeking keeps the playing state
}

void TestRuntime::nestedSpritesRunTheirOwnTimelines()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 5, {0, 0, 255});
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, square, 0, 0));
    inner.showFrame();
    inner.placeObject2(moveTo(1, 1, 0));
    inner.showFrame();
    inner.placeObject2(moveTo(1, 2, 0));
    inner.showFrame();
    const quint16 sprite = w.defineSprite(inner);
    w.placeObject2(placeAt(1, sprite, 0, 0));
    w.showFrame();
    w.placeObject2(placeAt(2, sprite, 50, 0));
    w.showFrame();
    w.showFrame(); // three frames; the first sprite runs on across the loop
    swf::Player player(mustParse(w.finish()));
    QCOMPARE(spriteFrame(player.displayList().at(1)), 0);
    player.step();
    QCOMPARE(spriteFrame(player.displayList().at(1)), 1);
    // Placed by this step: shows its first frame.
    QCOMPARE(spriteFrame(player.displayList().at(2)), 0);
    player.step();
    QCOMPARE(spriteFrame(player.displayList().at(1)), 2);
    QCOMPARE(spriteFrame(player.displayList().at(2)), 1);
    QCOMPARE(describe(player.displayList()), QStringLiteral("1:2@0,0[1:1@2,0] 2:2@50,0[1:1@1,0]"));
    player.step(); // main timeline loops to frame 0
    QCOMPARE(player.frame(), 0);
    QCOMPARE(spriteFrame(player.displayList().at(1)), 0); // 2 + 1 wraps to 0
    QVERIFY(!player.displayList().at(2));
    player.step();
    QCOMPARE(spriteFrame(player.displayList().at(1)), 1);
}

void TestRuntime::loopKeepsObjectsOfTheFirstFrame()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 5, {0, 0, 255});
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, square, 0, 0));
    inner.showFrame(5);
    const quint16 sprite = w.defineSprite(inner);
    w.placeObject2(placeAt(1, sprite, 0, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 10, 0));
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const quint64 serial = player.displayList().at(1)->serial();
    player.step();
    player.step(); // back to frame 0: the sprite stays, its matrix returns
    QCOMPARE(player.frame(), 0);
    QCOMPARE(player.displayList().at(1)->serial(), serial);
    QCOMPARE(spriteFrame(player.displayList().at(1)), 2);
    QCOMPARE(player.displayList().at(1)->placement().matrix.translateX, 0);
    // Seeking back keeps it too; a seek is not a tick, so its frame stays.
    player.seek(1);
    player.seek(0);
    QCOMPARE(player.displayList().at(1)->serial(), serial);
    QCOMPARE(spriteFrame(player.displayList().at(1)), 2);
}

// A placement without the move flag makes a new object where one is.
void TestRuntime::placementOnAnOccupiedDepthReplaces()
{
    swfwriter::SwfWriter w;
    const quint16 a = defineSquare(w, 5, {255, 0, 0});
    const quint16 b = defineSquare(w, 5, {0, 255, 0});
    w.placeObject2(placeAt(1, a, 0, 0));
    w.placeObject2(placeAt(1, b, 9, 9));
    w.placeObject(b, 1, swfwriter::translation(8, 8));
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    QCOMPARE(describe(player.displayList()), QStringLiteral("1:2@8,8"));
}

void TestRuntime::moveNamingAnotherCharacter_data()
{
    QTest::addColumn<bool>("fromSprite");
    QTest::addColumn<bool>("toSprite");
    QTest::addColumn<bool>("swaps");
    QTest::newRow("shape to shape") << false << false << true;
    QTest::newRow("shape to sprite") << false << true << false;
    QTest::newRow("sprite to shape") << true << false << false;
    QTest::newRow("sprite to sprite") << true << true << false;
}

// Only a shape gives way to another shape; an object that keeps its
// character is the same object (a sprite keeps its timeline), and the
// move's matrix applies either way.
void TestRuntime::moveNamingAnotherCharacter()
{
    QFETCH(bool, fromSprite);
    QFETCH(bool, toSprite);
    QFETCH(bool, swaps);
    swfwriter::SwfWriter w;
    const quint16 red = defineSquare(w, 5, {255, 0, 0});
    const quint16 green = defineSquare(w, 5, {0, 255, 0});
    auto wrapped = [&w](quint16 shape) {
        swfwriter::TimelineWriter inner;
        inner.placeObject2(placeAt(1, shape, 0, 0));
        inner.showFrame();
        return w.defineSprite(inner);
    };
    const quint16 from = fromSprite ? wrapped(red) : red;
    const quint16 to = toSprite ? wrapped(green) : green;
    w.placeObject2(placeAt(1, from, 0, 0));
    w.showFrame();
    swfwriter::Place swap = moveTo(1, 7, 0);
    swap.characterId = to;
    w.placeObject2(swap);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const quint64 serial = player.displayList().at(1)->serial();
    player.step();
    const swf::DisplayObject *object = player.displayList().at(1);
    if (!swaps)
        QCOMPARE(object->serial(), serial);
    QCOMPARE(object->placement().characterId, swaps ? to : from);
    QCOMPARE(object->placement().matrix.translateX, 7 * 20);
    const QColor seen = pixelAt(renderStage(player), 9, 2);
    QVERIFY2(near(seen, swaps ? QColor(0, 255, 0) : QColor(255, 0, 0)), qPrintable(seen.name()));
}

void TestRuntime::placementByName()
{
    swfwriter::SwfWriter w;
    const quint16 a = defineSquare(w, 5, {255, 0, 0});
    swfwriter::Place p = placeAt(4, a, 3, 3);
    p.name = QStringLiteral("logo");
    w.placeObject2(p);
    w.showFrame();
    swfwriter::Place rename;
    rename.depth = 4;
    rename.move = true;
    rename.name = QStringLiteral("badge");
    w.placeObject2(rename);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    QVERIFY(player.displayList().findByName(QStringLiteral("logo")));
    QVERIFY(!player.displayList().findByName(QStringLiteral("badge")));
    player.step();
    QVERIFY(!player.displayList().findByName(QStringLiteral("logo")));
    QCOMPARE(player.displayList().findByName(QStringLiteral("badge"))->placement().depth, 4);
}

void TestRuntime::clockStepsAtTheFrameRate()
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    w.showFrame(100);
    swf::Player player(mustParse(w.finish()));
    player.play();
    QCOMPARE(player.msUntilNextFrame(), qint64(100));
    QCOMPARE(player.advance(99), 0);
    QCOMPARE(player.msUntilNextFrame(), qint64(1));
    QCOMPARE(player.advance(1), 1);
    QCOMPARE(player.advance(250), 2); // the remaining 50 ms are kept
    QCOMPARE(player.advance(50), 1);
    QCOMPARE(player.frame(), 4);
    // A stall of a minute skips at most a second's worth of frames.
    QCOMPARE(player.advance(60000), 10);
    QCOMPARE(player.frame(), 14);
    player.stop();
    QCOMPARE(player.advance(1000), 0);
    player.play(); // time spent stopped is not owed
    QCOMPARE(player.advance(50), 0);
}

void TestRuntime::clockSurvivesAbsurdRates_data()
{
    QTest::addColumn<double>("declared");
    QTest::addColumn<double>("effective");
    QTest::newRow("zero") << 0.0 << swf::limits::kZeroFrameRate;
    QTest::newRow("smallest") << 1.0 / 256 << 1.0 / 256;
    QTest::newRow("cinema") << 24.0 << 24.0;
    QTest::newRow("largest") << 255.99609375 << swf::limits::kMaxFrameRate;
}

void TestRuntime::clockSurvivesAbsurdRates()
{
    QFETCH(double, declared);
    QFETCH(double, effective);
    swf::FrameClock clock(declared);
    QCOMPARE(clock.framesPerSecond(), effective);
    QVERIFY(clock.msUntilNextFrame() >= 1);
    // However long the wait, one call never asks for more than a second's
    // worth of frames.
    const int due = clock.advance(3600 * 1000);
    QVERIFY(due >= 1 || effective < 1.0);
    QVERIFY(due <= qMax(1, int(effective)));
}

void TestRuntime::changedOnlyWhenSomethingChanged()
{
    swfwriter::SwfWriter w;
    const quint16 a = defineSquare(w, 5, {255, 0, 0});
    w.placeObject2(placeAt(1, a, 0, 0));
    w.showFrame();
    swf::Player still(mustParse(w.finish()));
    QVERIFY(still.takeChanged()); // the first frame is news
    QVERIFY(!still.takeChanged());
    for (int i = 0; i < 5; ++i)
        still.step();
    QVERIFY(!still.takeChanged()); // one frame: nothing moves

    swf::Player moving(choreography());
    moving.takeChanged();
    moving.step();
    QVERIFY(moving.takeChanged());
    moving.seek(1);
    QVERIFY(!moving.takeChanged()); // already there
    moving.seek(4);
    QVERIFY(moving.takeChanged());
}

void TestRuntime::soundEventsReachTheSink()
{
    // A movie assembled by hand: three frames with sound tags in 0 and 2.
    swf::MovieParts parts;
    parts.header.frameCount = 3;
    parts.header.frameRate = 10 * 256;
    parts.timeline.frames.resize(3);
    parts.timeline.frames[0].tags.push_back(std::make_unique<FakeSoundTag>(7));
    parts.timeline.frames[2].tags.push_back(std::make_unique<FakeSoundTag>(9));
    swf::Player player(std::make_shared<const swf::Movie>(std::move(parts)));
    RecordingSink sink;
    player.setAudioSink(&sink);
    player.play();
    player.advance(100);
    player.advance(100);
    player.advance(100); // loops to frame 0
    player.seek(2);
    player.stop();
    player.setAudioSink(nullptr);
    player.seek(0);
    QCOMPARE(sink.events, QStringList({QStringLiteral("play"), QStringLiteral("sound 9@2"),
                                       QStringLiteral("sound 7@0"), QStringLiteral("jump 0"),
                                       QStringLiteral("sound 9@2"), QStringLiteral("jump 2"),
                                       QStringLiteral("stop")}));
}

// The host hears a frame's tags in order (an object placed before the
// frame's actions brings its first frame's actions first), and each phase
// of a step.
void TestRuntime::scriptHostHearsEachPhase()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 5, {255, 0, 0});
    swfwriter::TimelineWriter inner;
    inner.rawTag(swf::TagCode::DoAction, QByteArray::fromHex("0b00"));
    inner.showFrame();
    const quint16 clip = w.defineSprite(inner);
    swfwriter::Place place = placeAt(1, clip, 0, 0);
    place.name = QStringLiteral("kid");
    w.placeObject2(place);
    w.rawTag(swf::TagCode::DoAction, QByteArray::fromHex("0a00"));
    w.showFrame();
    w.removeObject2(1);
    w.placeObject2(placeAt(2, square, 0, 0));
    w.showFrame();
    auto host = std::make_unique<RecordingHost>();
    RecordingHost &log = *host;
    swf::Player player(mustParse(w.finish()), nullptr, std::move(host));
    QCOMPARE(log.player, &player);
    QCOMPARE(log.log, QStringList({"attach", "added _level0", "added kid", "action kid 0b00",
                                   "action _level0 0a00", "run"}));
    log.log.clear();
    player.step();
    player.keyEvent({swf::KeyEvent::Type::Press, 37, 0});
    player.pointerEvent({swf::PointerEvent::Type::Move, QPointF(1, 1)});
    // A shape gets no instance name: the log shows its depth.
    QCOMPARE(log.log, QStringList({"start", "removed kid", "added 2", "run", "end", "key 37", "run",
                                   "pointer", "run"}));
}

// Objects a script adds (no creating frame) stay through loops and jumps,
// keep what scripts set on them, and their handles die with them.
void TestRuntime::scriptObjectsOutliveJumps()
{
    swf::Player player(choreography());
    swf::DisplayList &list = *player.root().children();
    swf::PlacementState made;
    made.depth = 20000;
    auto clip = std::make_unique<swf::SpriteInstance>(swf::SpriteInstance::emptyTimeline(), made,
                                                      &player.root(), player.context());
    const swf::ObjectHandle handle = clip->handle();
    swf::addChild(list, std::move(clip), player.context());
    // A timeline object whose position a script took over.
    swf::DisplayObject *a = list.at(1);
    a->placement().matrix.translateX = 777;
    a->lock(swf::ScriptLock::Matrix);
    player.step(); // frame 1 moves depth 1 to (10,0): the script's x stays
    QCOMPARE(list.at(1)->placement().matrix.translateX, 777);
    for (int i = 0; i < 5; ++i)
        player.step(); // past the removal of depth 1, and back to frame 0
    QCOMPARE(player.frame(), 0);
    QVERIFY(player.find(handle));
    QCOMPARE(list.at(1)->placement().matrix.translateX, 0); // a new A, the timeline's again
    player.seek(4);
    player.seek(1);
    QCOMPARE(list.at(20000), player.find(handle));
    swf::removeChild(list, 20000, player.context());
    QVERIFY(!player.find(handle));
    // A new object, even at the same address, never answers to the old handle.
    QVERIFY(!player.find(swf::ObjectHandle{}));
}

void TestRuntime::objectAndNestingLimits()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 1, {0, 0, 0});
    // 600 × 600 squares: more than the player will hold.
    swfwriter::TimelineWriter row;
    for (int i = 1; i <= 600; ++i)
        row.placeObject2(placeAt(quint16(i), square, 0, 0));
    row.showFrame();
    const quint16 rowSprite = w.defineSprite(row);
    swfwriter::TimelineWriter grid;
    for (int i = 1; i <= 600; ++i)
        grid.placeObject2(placeAt(quint16(i), rowSprite, 0, 0));
    grid.showFrame();
    const quint16 gridSprite = w.defineSprite(grid);
    // A chain of 80 sprites, each holding the next.
    quint16 next = square;
    for (int i = 0; i < 80; ++i) {
        swfwriter::TimelineWriter link;
        link.placeObject2(placeAt(1, next, 0, 0));
        link.showFrame();
        next = w.defineSprite(link);
    }
    w.placeObject2(placeAt(1, gridSprite, 0, 0));
    w.placeObject2(placeAt(2, next, 0, 0));
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    QVERIFY(player.objectCount() <= swf::limits::kMaxDisplayObjects);
    QVERIFY(player.objectCount() > swf::limits::kMaxDisplayObjects - 1000);

    swfwriter::SwfWriter chainOnly;
    next = defineSquare(chainOnly, 1, {0, 0, 0});
    for (int i = 0; i < 80; ++i) {
        swfwriter::TimelineWriter link;
        link.placeObject2(placeAt(1, next, 0, 0));
        link.showFrame();
        next = chainOnly.defineSprite(link);
    }
    chainOnly.placeObject2(placeAt(1, next, 0, 0));
    chainOnly.showFrame();
    swf::Player chain(mustParse(chainOnly.finish()));
    QCOMPARE(chain.objectCount(), swf::limits::kMaxNesting);
    for (int i = 0; i < 3; ++i)
        chain.step();
    QCOMPARE(chain.objectCount(), swf::limits::kMaxNesting);
}

QTEST_GUILESS_MAIN(TestRuntime)
#include "tst_runtime.moc"
