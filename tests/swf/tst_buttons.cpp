// Buttons: the state shown as the pointer moves, presses and releases;
// the transitions the audio sink hears; hit areas against what is drawn;
// menus; nested timelines; colour transforms; and damaged button tags.
#include "swf/io/tagcodes.h"
#include "swf/model/button.h"
#include "swf/runtime/buttoninstance.h"
#include "textfixtures.h"

#include <QTest>

namespace {

using swf::ButtonSoundTransition;
using swf::PointerEvent;
namespace Flag = swf::ButtonStateFlag;

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);

class TransitionSink final : public swf::AudioSink {
public:
    void soundEvent(const swf::SoundEvent &) override {}
    void timelineJumped(int) override {}
    void playingChanged(bool) override {}
    void buttonTransition(quint16 id, ButtonSoundTransition transition) override
    {
        static const char *names[] = {"OverUpToIdle", "IdleToOverUp", "OverUpToOverDown",
                                      "OverDownToOverUp"};
        heard.append(QStringLiteral("%1 %2").arg(id).arg(QLatin1String(names[int(transition)])));
    }
    QStringList take() { return std::exchange(heard, {}); }
    QStringList heard;
};

// Squares of 40 px in the three display colours, and a button built from
// them: up red, over green, down blue; the hit area as given.
struct ButtonMovie {
    swfwriter::SwfWriter writer;
    quint16 red = 0;
    quint16 green = 0;
    quint16 blue = 0;

    ButtonMovie()
    {
        writer.setStageSize(200, 100);
        red = defineSquare(writer, 40, {255, 0, 0});
        green = defineSquare(writer, 40, {0, 255, 0});
        blue = defineSquare(writer, 40, {0, 0, 255});
    }

    swfwriter::ButtonSpec button(quint16 hit, swf::Matrix hitMatrix = {}) const
    {
        swfwriter::ButtonSpec definition;
        definition.records = {{Flag::Up, red, 1, {}, {}, {}, {}},
                              {Flag::Over, green, 1, {}, {}, {}, {}},
                              {Flag::Down, blue, 1, {}, {}, {}, {}},
                              {Flag::HitTest, hit, 1, hitMatrix, {}, {}, {}}};
        return definition;
    }
};

// A player with the recording sink.
struct Session {
    std::shared_ptr<const swf::Movie> movie;
    TransitionSink sink;
    swf::Player player;

    explicit Session(const QByteArray &bytes) : movie(mustParse(bytes)), player(movie)
    {
        player.setAudioSink(&sink);
        player.takeChanged();
    }

    // A pointer event at (x, y) stage pixels; true when the display changed.
    bool event(PointerEvent::Type type, double x, double y)
    {
        player.pointerEvent(PointerEvent{type, QPointF(px(x), px(y))});
        return player.takeChanged();
    }
    bool move(double x, double y) { return event(PointerEvent::Type::Move, x, y); }
    bool press(double x, double y) { return event(PointerEvent::Type::Press, x, y); }
    bool release(double x, double y) { return event(PointerEvent::Type::Release, x, y); }

    QColor at(int x, int y) const { return pixelAt(renderStage(player), x, y); }
};

QStringList heard(std::initializer_list<const char *> transitions, quint16 id)
{
    QStringList list;
    for (const char *t : transitions)
        list.append(QStringLiteral("%1 %2").arg(id).arg(QLatin1String(t)));
    return list;
}

} // namespace

class TestButtons : public QObject {
    Q_OBJECT
private slots:
    void statesFollowThePointer();
    void draggingOffWhilePressedShowsOver();
    void hitAreaIsNotWhatIsDrawn();
    void topmostButtonTakesThePointer();
    void hitTestThroughParentTransforms();
    void menusPassThePressAlong();
    void statesRunTheirSprites();
    void colourTransformsOfBothVersions();
    void buttonsThatGoAwayOrContainThemselves();
    void actionsAreKeptUnrun();
    void damagedButtonsAreReadSafely_data();
    void damagedButtonsAreReadSafely();
};

void TestButtons::statesFollowThePointer()
{
    ButtonMovie m;
    const quint16 id = swfwriter::defineButton2(m.writer, m.button(m.red));
    m.writer.placeObject2(placeAt(1, id, 50, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    COMPARE_COLOR(s.at(60, 40), kRed);
    QVERIFY(!s.move(10, 10));
    QVERIFY(s.sink.take().isEmpty());
    QVERIFY(s.move(60, 40));
    QVERIFY(s.player.overInteractive());
    COMPARE_COLOR(s.at(60, 40), kGreen);
    QVERIFY(!s.move(70, 50)); // still over: nothing changes
    QVERIFY(s.press(70, 50));
    COMPARE_COLOR(s.at(60, 40), kBlue);
    QVERIFY(s.release(70, 50));
    COMPARE_COLOR(s.at(60, 40), kGreen);
    QVERIFY(s.move(150, 50));
    QVERIFY(!s.player.overInteractive());
    COMPARE_COLOR(s.at(60, 40), kRed);
    QCOMPARE(s.sink.take(),
             heard({"IdleToOverUp", "OverUpToOverDown", "OverDownToOverUp", "OverUpToIdle"}, id));
    // A press without a move before it, and the pointer leaving the movie.
    s.press(60, 40);
    COMPARE_COLOR(s.at(60, 40), kBlue);
    s.release(60, 40);
    QVERIFY(s.event(PointerEvent::Type::Leave, 0, 0));
    COMPARE_COLOR(s.at(60, 40), kRed);
    QCOMPARE(s.sink.take(),
             heard({"IdleToOverUp", "OverUpToOverDown", "OverDownToOverUp", "OverUpToIdle"}, id));
}

void TestButtons::draggingOffWhilePressedShowsOver()
{
    ButtonMovie m;
    const quint16 id = swfwriter::defineButton2(m.writer, m.button(m.red));
    m.writer.placeObject2(placeAt(1, id, 50, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    s.move(60, 40);
    s.press(60, 40);
    s.move(150, 50);
    COMPARE_COLOR(s.at(60, 40), kGreen);
    s.move(60, 40);
    COMPARE_COLOR(s.at(60, 40), kBlue);
    s.move(150, 50);
    // Released off the button: back to up, without a sound of its own.
    s.release(150, 50);
    COMPARE_COLOR(s.at(60, 40), kRed);
    QCOMPARE(s.sink.take(), heard({"IdleToOverUp", "OverUpToOverDown"}, id));
    // Pressed off the button and dragged over it: it does not react.
    s.press(150, 50);
    s.move(60, 40);
    COMPARE_COLOR(s.at(60, 40), kRed);
    s.release(60, 40);
    COMPARE_COLOR(s.at(60, 40), kGreen);
    QCOMPARE(s.sink.take(), heard({"IdleToOverUp"}, id));
}

void TestButtons::hitAreaIsNotWhatIsDrawn()
{
    // The hit area is the red square moved 100 px right of the drawing.
    ButtonMovie m;
    const quint16 id =
        swfwriter::defineButton2(m.writer, m.button(m.red, swfwriter::translation(100, 0)));
    m.writer.placeObject2(placeAt(1, id, 10, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    QVERIFY(!s.move(30, 50)); // over the drawing only
    COMPARE_COLOR(s.at(30, 50), kRed);
    QVERIFY(s.move(130, 50)); // over nothing drawn, inside the hit area
    COMPARE_COLOR(s.at(30, 50), kGreen);
    COMPARE_COLOR(s.at(130, 50), QColor(Qt::white));
    // The hit area's hole: a ring's inside does not catch the pointer.
    swfwriter::ShapeBuilder ring;
    const int fill = ring.addFill({0, 0, 0});
    ring.rect(QRect(0, 0, px(40), px(40)), fill).rect(QRect(px(10), px(10), px(20), px(20)), fill);
    ButtonMovie r;
    const quint16 ringId = r.writer.defineShape(ring);
    const quint16 ringButton = swfwriter::defineButton2(r.writer, r.button(ringId));
    r.writer.placeObject2(placeAt(1, ringButton, 50, 30));
    r.writer.showFrame();
    Session rs(r.writer.finish());
    QVERIFY(!rs.move(70, 50));
    QVERIFY(rs.move(55, 35));
}

void TestButtons::topmostButtonTakesThePointer()
{
    ButtonMovie m;
    const quint16 lower = swfwriter::defineButton2(m.writer, m.button(m.red));
    const quint16 upper = swfwriter::defineButton2(m.writer, m.button(m.red));
    m.writer.placeObject2(placeAt(1, lower, 20, 30));
    m.writer.placeObject2(placeAt(2, upper, 40, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    s.move(50, 40);
    QCOMPARE(s.sink.take(), heard({"IdleToOverUp"}, upper));
    s.move(25, 40);
    QCOMPARE(s.sink.take(), heard({"OverUpToIdle"}, upper) + heard({"IdleToOverUp"}, lower));
}

void TestButtons::hitTestThroughParentTransforms()
{
    // A button in a sprite scaled by two and moved to (20, 20): its 40 px
    // square covers 20 … 100 on the stage.
    ButtonMovie m;
    const quint16 id = swfwriter::defineButton2(m.writer, m.button(m.red));
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, id, 0, 0));
    inner.showFrame();
    const quint16 sprite = m.writer.defineSprite(inner);
    swfwriter::Place place = placeAt(1, sprite, 20, 20);
    place.matrix = swfwriter::scaleRotateTranslate(2, 2, 0, 20, 20);
    m.writer.placeObject2(place);
    m.writer.showFrame();
    Session s(m.writer.finish());
    QVERIFY(!s.move(105, 50));
    QVERIFY(s.move(95, 95));
    COMPARE_COLOR(s.at(90, 90), kGreen);
}

void TestButtons::menusPassThePressAlong()
{
    ButtonMovie m;
    swfwriter::ButtonSpec definition = m.button(m.red);
    definition.trackAsMenu = true;
    const quint16 a = swfwriter::defineButton2(m.writer, definition);
    const quint16 b = swfwriter::defineButton2(m.writer, definition);
    m.writer.placeObject2(placeAt(1, a, 10, 30));
    m.writer.placeObject2(placeAt(2, b, 110, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    s.move(20, 40);
    s.press(20, 40);
    s.move(120, 40);
    COMPARE_COLOR(s.at(20, 40), kRed);
    COMPARE_COLOR(s.at(120, 40), kBlue);
    s.release(120, 40);
    COMPARE_COLOR(s.at(120, 40), kGreen);
    QCOMPARE(s.sink.take(),
             heard({"IdleToOverUp", "OverUpToOverDown"}, a) + heard({"OverDownToOverUp"}, b));
    // Dragged off a menu button onto nothing, the press is given up.
    s.press(120, 40);
    s.move(80, 90);
    COMPARE_COLOR(s.at(120, 40), kRed);
}

void TestButtons::statesRunTheirSprites()
{
    // The over state shows a sprite that turns from green to blue and back.
    ButtonMovie m;
    swfwriter::TimelineWriter blink;
    blink.placeObject2(placeAt(1, m.green, 0, 0));
    blink.showFrame();
    blink.removeObject2(1);
    blink.placeObject2(placeAt(1, m.blue, 0, 0));
    blink.showFrame();
    const quint16 sprite = m.writer.defineSprite(blink);
    swfwriter::ButtonSpec definition = m.button(m.red);
    definition.records[1].characterId = sprite;
    // The red square stays in every state, under the sprite.
    definition.records[0].states = Flag::Up | Flag::Over | Flag::Down;
    definition.records[0].depth = 0;
    const quint16 id = swfwriter::defineButton2(m.writer, definition);
    m.writer.placeObject2(placeAt(1, id, 50, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    const auto &button = static_cast<const swf::ButtonInstance &>(*s.player.displayList().at(1));
    QCOMPARE(button.children()->size(), 1);
    const quint64 redSerial = button.children()->at(0)->serial();
    s.move(60, 40);
    QCOMPARE(button.children()->size(), 2);
    QCOMPARE(button.children()->at(0)->serial(), redSerial);
    COMPARE_COLOR(s.at(60, 40), kGreen);
    s.player.step();
    COMPARE_COLOR(s.at(60, 40), kBlue);
    s.player.step();
    COMPARE_COLOR(s.at(60, 40), kGreen);
    s.move(150, 50);
    COMPARE_COLOR(s.at(60, 40), kRed);
    QCOMPARE(button.children()->at(0)->serial(), redSerial);
}

void TestButtons::colourTransformsOfBothVersions()
{
    // DefineButton takes its colour transform from DefineButtonCxform,
    // DefineButton2 from each record.
    ButtonMovie m;
    swf::ColorTransform toYellow;
    toYellow.addG = 255;
    const quint16 v1 = swfwriter::defineButton(m.writer, m.button(m.red));
    swfwriter::defineButtonCxform(m.writer, v1, toYellow);
    swfwriter::ButtonSpec definition = m.button(m.red);
    definition.records[0].colorTransform.multR = 0;
    definition.records[0].colorTransform.addB = 255;
    const quint16 v2 = swfwriter::defineButton2(m.writer, definition);
    m.writer.placeObject2(placeAt(1, v1, 10, 30));
    m.writer.placeObject2(placeAt(2, v2, 110, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    const auto &button = static_cast<const swf::Button &>(*s.movie->character(v1));
    QCOMPARE(button.data().version, 1);
    QCOMPARE(button.data().colorTransform, toYellow);
    COMPARE_COLOR(s.at(20, 40), QColor(255, 255, 0));
    COMPARE_COLOR(s.at(120, 40), QColor(0, 0, 255));
    // The over state of the old button keeps the transform.
    s.move(20, 40);
    COMPARE_COLOR(s.at(20, 40), QColor(0, 255, 0));
}

void TestButtons::buttonsThatGoAwayOrContainThemselves()
{
    // Frame 2 removes the button the pointer is over and presses; a button
    // whose over state holds itself (through a sprite) is placed once.
    ButtonMovie m;
    const quint16 id = m.writer.reserveId();
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, id, 0, 0));
    inner.showFrame();
    const quint16 sprite = m.writer.defineSprite(inner);
    swfwriter::ButtonSpec definition = m.button(m.red);
    definition.records.push_back({Flag::Up | Flag::Over, id, 2, {}, {}, {}, {}});
    definition.records.push_back({Flag::Over, sprite, 3, {}, {}, {}, {}});
    swfwriter::defineButton2(m.writer, definition, id);
    m.writer.placeObject2(placeAt(1, id, 50, 30));
    m.writer.showFrame();
    m.writer.removeObject2(1);
    m.writer.showFrame();
    Session s(m.writer.finish());
    const int objects = s.player.objectCount();
    QCOMPARE(objects, 2); // the button and its red square
    s.move(60, 40);
    s.press(60, 40);
    QVERIFY(s.player.objectCount() <= 4);
    s.player.step();
    QCOMPARE(s.player.objectCount(), 0);
    s.player.takeChanged();
    QVERIFY(!s.release(60, 40));
    QVERIFY(!s.move(70, 40));
    // Back on the first frame, the button is new and starts again.
    s.player.step();
    QCOMPARE(s.player.objectCount(), 2);
    QVERIFY(s.move(60, 40));
    COMPARE_COLOR(s.at(60, 40), kGreen);
}

void TestButtons::actionsAreKeptUnrun()
{
    ButtonMovie m;
    swfwriter::ButtonSpec definition = m.button(m.red);
    const QByteArray stop = QByteArray::fromHex("0700");
    const QByteArray play = QByteArray::fromHex("0600");
    definition.actions = {{0x0008, stop}, {quint16(0x0001 | (65 << 9)), play}};
    const quint16 v2 = swfwriter::defineButton2(m.writer, definition);
    const quint16 v1 = swfwriter::defineButton(m.writer, definition);
    m.writer.placeObject2(placeAt(1, v2, 50, 30));
    m.writer.showFrame();
    Session s(m.writer.finish());
    QCOMPARE(s.movie->stats().malformedTags, 0);
    const auto &b2 = static_cast<const swf::Button &>(*s.movie->character(v2));
    QCOMPARE(b2.records().size(), size_t(4));
    QCOMPARE(b2.records()[3].states, Flag::HitTest);
    QCOMPARE(b2.data().actions.size(), size_t(2));
    QCOMPARE(b2.data().actions[0].conditions, quint16(0x0008));
    QCOMPARE(b2.data().actions[0].actions, stop);
    QCOMPARE(b2.data().actions[1].keyCode, quint8(65));
    QCOMPARE(b2.data().actions[1].actions, play);
    const auto &b1 = static_cast<const swf::Button &>(*s.movie->character(v1));
    QCOMPARE(b1.data().actions.size(), size_t(1));
    QCOMPARE(b1.data().actions[0].actions, stop);
    // Releasing over it plays nothing: the timeline keeps its course.
    s.press(60, 40);
    s.release(60, 40);
    QVERIFY(!s.player.isPlaying());
    QCOMPARE(s.player.frame(), 0);
}

void TestButtons::damagedButtonsAreReadSafely_data()
{
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("defined"); // button 9

    // Button 9: track-as-menu flags, then an action offset.
    const auto button2 = [](quint16 actionOffset, const QByteArray &rest) {
        swfwriter::BitWriter w;
        w.u16(9);
        w.u8(0);
        w.u16(actionOffset);
        w.bytes(rest);
        return w.data();
    };
    // An up record of shape 1 at depth 1: flags, id, depth, matrix, cxform.
    const QByteArray record = QByteArray::fromHex("01"
                                                  "0100"
                                                  "0100"
                                                  "00"
                                                  "00");
    QTest::newRow("record cut short")
        << swf::TagCode::DefineButton2 << button2(0, QByteArray::fromHex("010100")) << false;
    QTest::newRow("records without an end")
        << swf::TagCode::DefineButton2 << button2(0, record) << false;
    QTest::newRow("unknown filter") << swf::TagCode::DefineButton2
                                    << button2(0, QByteArray::fromHex("11"
                                                                      "0100"
                                                                      "0100"
                                                                      "00"
                                                                      "00"
                                                                      "01"
                                                                      "09") +
                                                      QByteArray(30, '\0'))
                                    << false;
    QTest::newRow("action offset outside the tag")
        << swf::TagCode::DefineButton2 << button2(0x4000, record + QByteArray(1, '\0')) << true;
    QTest::newRow("action offset into the records")
        << swf::TagCode::DefineButton2 << button2(3, record + QByteArray(1, '\0')) << true;
    QTest::newRow("condition action longer than the tag")
        << swf::TagCode::DefineButton2
        << button2(2 + quint16(record.size()) + 1, record + QByteArray(1, '\0') +
                                                       QByteArray::fromHex("ff00"
                                                                           "0800"
                                                                           "07"))
        << true;
    QTest::newRow("button1 record cut short") << swf::TagCode::DefineButton
                                              << QByteArray::fromHex("0900"
                                                                     "0f0100")
                                              << false;
    QTest::newRow("cxform for a missing button") << swf::TagCode::DefineButtonCxform
                                                 << QByteArray::fromHex("6300"
                                                                        "00")
                                                 << false;
    QTest::newRow("cxform for a shape") << swf::TagCode::DefineButtonCxform
                                        << QByteArray::fromHex("0100"
                                                               "00")
                                        << false;
}

// Damage never undoes what was read well: the movie loads and plays, and
// pointer events over it are harmless.
void TestButtons::damagedButtonsAreReadSafely()
{
    QFETCH(quint16, code);
    QFETCH(QByteArray, body);
    QFETCH(bool, defined);
    swfwriter::SwfWriter writer;
    writer.setStageSize(100, 100);
    defineSquare(writer, 40, {255, 0, 0});
    writer.rawTag(code, body);
    writer.placeObject2(placeAt(1, 9, 10, 10));
    writer.showFrame();
    Session s(writer.finish());
    QCOMPARE(s.movie->stats().malformedTags, 1);
    QCOMPARE(s.movie->character(9) != nullptr, defined);
    s.move(20, 20);
    s.press(20, 20);
    s.release(20, 20);
    QVERIFY(!renderStage(s.player).isNull());
    QCOMPARE(s.player.objectCount(), defined ? 2 : 0);
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
