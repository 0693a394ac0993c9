// The drawing API of clips, run by the ActionScript 1/2 machine on movies
// written here: what a frame script draws on _root is seen in the picture,
// in the clip's bounds and in hit tests with shapes.
#include "swf/io/tagcodes.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "swf/runtime/scriptservices.h"
#include "swf/scripting/scripting.h"
#include "swftest.h"

#include <QTest>

#include <variant>

namespace {

class QuietServices final : public swf::ScriptServices {
public:
    void trace(const QString &) override {}
};

using Arg = std::variant<int, const char *>;

// Action bytes of `_root.method(args…)`, its result dropped.
QByteArray callOnRoot(const char *method, const std::vector<Arg> &args)
{
    swfwriter::BitWriter push;
    const auto add = [&push](const Arg &arg) {
        if (const int *n = std::get_if<int>(&arg)) {
            push.u8(7);
            push.u32(quint32(*n));
        } else {
            push.u8(0);
            push.cstring(std::get<const char *>(arg));
        }
    };
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        add(*it);
    add(int(args.size()));
    swfwriter::BitWriter a;
    const auto pushRecord = [&a](const QByteArray &data) {
        a.u8(0x96);
        a.u16(quint32(data.size()));
        a.bytes(data);
    };
    pushRecord(push.data());
    swfwriter::BitWriter root;
    root.u8(0);
    root.cstring("_root");
    pushRecord(root.data());
    a.u8(0x1c); // GetVariable
    swfwriter::BitWriter name;
    name.u8(0);
    name.cstring(method);
    pushRecord(name.data());
    a.u8(0x52); // CallMethod
    a.u8(0x17); // Pop
    return a.data();
}

struct Call {
    const char *method;
    std::vector<Arg> args;
};

// Fills the 20 × 20 pixel square at (x, y).
std::vector<Call> square(int x, int y, int rgb)
{
    return {{"beginFill", {rgb}},         {"moveTo", {x, y}},      {"lineTo", {x + 20, y}},
            {"lineTo", {x + 20, y + 20}}, {"lineTo", {x, y + 20}}, {"endFill", {}}};
}

std::vector<Call> operator+(std::vector<Call> a, const std::vector<Call> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class TestDrawing : public QObject {
    Q_OBJECT
private slots:
    void drawsOnClips_data();
    void drawsOnClips();
};

void TestDrawing::drawsOnClips_data()
{
    QTest::addColumn<std::vector<Call>>("calls");
    QTest::addColumn<int>("version");
    QTest::addColumn<QRect>("bounds"); // pixels; empty when nothing is drawn
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QColor>("insideColor");
    QTest::addColumn<QPoint>("outside");

    const QColor red(255, 0, 0), green(0, 255, 0), blue(0, 0, 255);
    QTest::newRow("filled square") << square(10, 10, 0xff0000) << 8 << QRect(10, 10, 20, 20)
                                   << QPoint(20, 20) << red << QPoint(5, 20);
    // An open fill is shown closed: a triangle below its diagonal.
    QTest::newRow("open fill") << std::vector<Call>{{"beginFill", {0x00ff00}},
                                                    {"moveTo", {10, 10}},
                                                    {"lineTo", {30, 10}},
                                                    {"lineTo", {30, 30}}}
                               << 8 << QRect(10, 10, 20, 20) << QPoint(26, 14) << green
                               << QPoint(14, 26);
    // Lines reach half their thickness past their edges.
    QTest::newRow("line") << std::vector<Call>{{"lineStyle", {4, 0x0000ff}},
                                               {"moveTo", {10, 20}},
                                               {"lineTo", {30, 20}}}
                          << 8 << QRect(8, 18, 24, 4) << QPoint(20, 20) << blue << QPoint(20, 25);
    QTest::newRow("curve") << std::vector<Call>{{"beginFill", {0x0000ff}},
                                                {"moveTo", {10, 30}},
                                                {"curveTo", {20, 10, 30, 30}},
                                                {"endFill", {}}}
                           << 8 << QRect(10, 20, 20, 10) << QPoint(20, 25) << blue
                           << QPoint(20, 15);
    // A later fill lies over an earlier one.
    QTest::newRow("later over earlier")
        << square(10, 10, 0xff0000) + square(20, 20, 0x00ff00) << 8 << QRect(10, 10, 30, 30)
        << QPoint(25, 25) << green << QPoint(35, 15);
    // An alpha of 0 … 100 over the white stage.
    QTest::newRow("alpha") << std::vector<Call>{{"beginFill", {0x0000ff, 50}},
                                                {"moveTo", {10, 10}},
                                                {"lineTo", {30, 10}},
                                                {"lineTo", {30, 30}},
                                                {"lineTo", {10, 30}}}
                           << 8 << QRect(10, 10, 20, 20) << QPoint(20, 20) << QColor(127, 127, 255)
                           << QPoint(35, 35);
    // Without a fill or a line, the pen only moves: nothing is drawn, but
    // its path counts in the bounds.
    QTest::newRow("pen only") << std::vector<Call>{{"moveTo", {10, 10}}, {"lineTo", {30, 30}}} << 8
                              << QRect(10, 10, 20, 20) << QPoint() << QColor() << QPoint(20, 20);
    QTest::newRow("clear") << square(10, 10, 0xff0000) + std::vector<Call>{{"clear", {}}} << 8
                           << QRect() << QPoint() << QColor() << QPoint(20, 20);
    // Before version 6 clips cannot draw.
    QTest::newRow("version 5") << square(10, 10, 0xff0000) << 5 << QRect() << QPoint() << QColor()
                               << QPoint(20, 20);
}

void TestDrawing::drawsOnClips()
{
    QFETCH(std::vector<Call>, calls);
    QFETCH(int, version);
    QFETCH(QRect, bounds);
    QFETCH(QPoint, inside);
    QFETCH(QColor, insideColor);
    QFETCH(QPoint, outside);

    swfwriter::SwfWriter w;
    w.setVersion(version);
    w.setStageSize(50, 50);
    QByteArray actions;
    for (const Call &call : calls)
        actions += callOnRoot(call.method, call.args);
    actions += QByteArray(1, '\0');
    w.rawTag(swf::TagCode::DoAction, actions);
    w.showFrame();
    const auto movie = mustParse(w.finish());
    swf::Player player(movie, nullptr,
                       swf::makeScriptHost(movie, std::make_shared<QuietServices>()));
    player.step();

    const auto local = player.geometry().localBounds(player.root());
    if (bounds.isEmpty()) {
        QVERIFY(!local);
    } else {
        QVERIFY(local);
        QCOMPARE((*local).toRect(), QRect(bounds.topLeft() * 20, bounds.size() * 20));
    }
    swf::Renderer renderer;
    const QImage picture = renderer.renderUnscaled(player, QSize(50, 50), Qt::white);
    const auto stage = [](QPoint p) { return QPointF(p) * 20 + QPointF(10, 10); };
    if (insideColor.isValid()) {
        const QColor seen = picture.pixelColor(inside);
        QVERIFY2(qAbs(seen.red() - insideColor.red()) <= 2 &&
                     qAbs(seen.green() - insideColor.green()) <= 2 &&
                     qAbs(seen.blue() - insideColor.blue()) <= 2,
                 qPrintable(seen.name()));
        QVERIFY(player.geometry().hitTest(player.root(), stage(inside), true));
    }
    QCOMPARE(picture.pixelColor(outside), QColor(Qt::white));
    QVERIFY(!player.geometry().hitTest(player.root(), stage(outside), true));
}

QTEST_GUILESS_MAIN(TestDrawing)
#include "tst_drawing.moc"
