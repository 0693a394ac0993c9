// BitmapData run by the ActionScript 1/2 machine on movies written here:
// sizes past the limits make nothing, and rectangles, points and counts
// from a script that are negative, huge or NaN are cut to the bitmap
// instead of reaching memory they do not own.
#include "swf/io/tagcodes.h"
#include "swf/runtime/scriptservices.h"
#include "swf/scripting/scripting.h"
#include "swftest.h"
#include "tools/swfwriter/actionwriter.h"

#include <QTest>

#include <functional>

namespace {

using swfwriter::ActionWriter;
using V = ActionWriter::Value;
using R = ActionWriter::Register;

class CapturingServices final : public swf::ScriptServices {
public:
    void trace(const QString &line) override { lines.append(line); }
    QStringList lines;
};

V str(const char *text)
{
    return ActionWriter::string(text);
}

void pushArgs(ActionWriter &a, const std::vector<V> &args)
{
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.push({*it});
    a.push({int(args.size())});
}

// Register 1 = new flash.display.BitmapData(args…).
void newBitmap(ActionWriter &a, const std::vector<V> &args)
{
    pushArgs(a, args);
    a.push({str("flash")}).op(0x1c).push({str("display")}).op(0x4e);
    a.push({str("BitmapData")}).op(0x53).storeRegister(1).op(0x17);
}

// Leaves register 1's method's result on the stack.
void call(ActionWriter &a, const char *method, const std::vector<V> &args)
{
    pushArgs(a, args);
    a.push({R{1}, str(method)}).op(0x52);
}

// A new object {x, y, width, height} on the stack.
void rect(ActionWriter &a, V x, V y, V width, V height)
{
    a.push({str("x"), x, str("y"), y, str("width"), width, str("height"), height, 4}).op(0x43);
}

const V kNaN = std::numeric_limits<double>::quiet_NaN();

using Script = std::function<void(ActionWriter &)>;

} // namespace

Q_DECLARE_METATYPE(Script)

class TestBitmapData : public QObject {
    Q_OBJECT

private slots:
    void scriptArguments_data();
    void scriptArguments();
};

void TestBitmapData::scriptArguments_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("largest size") << Script([](ActionWriter &a) {
        newBitmap(a, {2880, 2880});
        a.push({R{1}, str("width")}).op(0x4e).op(0x26);
    }) << QStringList{"2880"};
    for (const auto &[name, w, h] : std::vector<std::tuple<const char *, V, V>>{
             {"too wide", 2881, 1}, {"no height", 10, 0}, {"negative", -1, 10}, {"NaN", kNaN, 10}})
        QTest::newRow(name) << Script([w, h](ActionWriter &a) {
            newBitmap(a, {w, h});
            a.push({R{1}}).op(0x26);
        }) << QStringList{"undefined"};
    QTest::newRow("translucent pixel keeps its colour") << Script([](ActionWriter &a) {
        newBitmap(a, {4, 4, true, 0});
        call(a, "setPixel32", {1, 1, int(0x80ff0000u)});
        a.op(0x17);
        call(a, "getPixel32", {1, 1});
        a.op(0x26);
        call(a, "getPixel32", {100, -5});
        a.op(0x26);
    }) << QStringList{QString::number(qint32(0x80ff0000u)), "0"};
    QTest::newRow("huge and NaN rectangles are cut to the bitmap") << Script([](ActionWriter &a) {
        newBitmap(a, {8, 8, false, 0});
        a.push({0x00ff00});
        rect(a, kNaN, kNaN, 1e12, 4);
        a.push({2, R{1}, str("fillRect")}).op(0x52).op(0x17);
        call(a, "getPixel", {0, 3});
        a.op(0x26);
        call(a, "getPixel", {0, 4});
        a.op(0x26);
        // A copy from itself with a rectangle far outside changes nothing.
        a.push({str("x"), 1e9, str("y"), -1e9, 2}).op(0x43);
        rect(a, 1e9, 1e9, 1e9, 1e9);
        a.push({R{1}, 3, R{1}, str("copyPixels")}).op(0x52).op(0x17);
        call(a, "getPixel", {7, 7});
        a.op(0x26);
    }) << QStringList{"65280", "0", "0"};
    QTest::newRow("noise and scroll with wild counts") << Script([](ActionWriter &a) {
        newBitmap(a, {16, 16, true, int(0xff0000ffu)});
        call(a, "perlinNoise", {kNaN, -3, 1000000000, 7, false, true, 15, false});
        a.op(0x17);
        call(a, "scroll", {1e12, kNaN});
        a.op(0x17);
        call(a, "floodFill", {kNaN, 1e12, 0});
        a.op(0x17);
        a.push({R{1}, str("height")}).op(0x4e).op(0x26);
    }) << QStringList{"16"};
    QTest::newRow("disposed") << Script([](ActionWriter &a) {
        newBitmap(a, {4, 4});
        call(a, "dispose", {});
        a.op(0x17);
        a.push({R{1}, str("width")}).op(0x4e).op(0x26);
        call(a, "getPixel", {0, 0});
        a.op(0x26);
    }) << QStringList{"-1", "undefined"};
}

void TestBitmapData::scriptArguments()
{
    QFETCH(Script, script);
    QFETCH(QStringList, expected);
    ActionWriter a;
    script(a);
    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.rawTag(swf::TagCode::DoAction, a.finish());
    w.showFrame();
    const auto movie = mustParse(w.finish());
    QVERIFY(movie);
    auto services = std::make_shared<CapturingServices>();
    swf::Player player(movie, nullptr, swf::makeScriptHost(movie, services));
    if (services->lines.isEmpty())
        player.step();
    QCOMPARE(services->lines, expected);
}

QTEST_GUILESS_MAIN(TestBitmapData)
#include "tst_bitmapdata.moc"
