// Script regression: orvanto-swf compare-trace over the reference corpus,
// where every movie of the committed pass list (trace-pass.txt) must still
// print exactly what the Flash Player printed; and the command itself on
// movies written here: verdicts, the list filter, the report of globals
// the failing movies asked for.
#include "swf/io/tagcodes.h"
#include "swftest_tools.h"
#include "toolrun.h"
#include "tools/swfwriter/actionwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <map>

namespace {

using Run = ToolRun;

Run compareTrace(const QStringList &args)
{
    return runTool(QStringLiteral("compare-trace"), args);
}

// "pass NAME" and "fail NAME [(asks for ...)]" lines by movie name.
std::map<QString, QString> verdicts(const QString &out)
{
    std::map<QString, QString> result;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() >= 2 &&
            (parts[0] == QLatin1String("pass") || parts[0] == QLatin1String("fail")))
            result[parts[1]] = parts[0];
    }
    return result;
}

const QString kPassList = QStringLiteral(ORVANTO_SOURCE_DIR "/tests/tools/trace-pass.txt");

QStringList passList()
{
    return readNameList(kPassList);
}

// A version 7 movie whose frame script traces `text`, then asks for the
// global `global` (nothing when empty) and traces what it got.
QByteArray traceMovie(const QByteArray &text, const QByteArray &global = {})
{
    swfwriter::SwfWriter w;
    w.setVersion(7);
    using swfwriter::ActionWriter;
    ActionWriter a;
    a.push({QString::fromUtf8(text)}).op(0x26); // Trace
    if (!global.isEmpty())
        a.push({QString::fromUtf8(global)}).op(0x1c).op(0x26); // GetVariable, Trace
    w.rawTag(swf::TagCode::DoAction, a.finish());
    w.showFrame();
    return w.finish();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// What `orvanto-swf trace` prints of a one-frame movie of `version` whose
// frame script is `actions`.
Run traceFrameScript(const QByteArray &actions, int version)
{
    swfwriter::SwfWriter w;
    w.setVersion(version);
    w.rawTag(swf::TagCode::DoAction, actions);
    w.showFrame();
    QTemporaryDir dir;
    const QString movie = dir.path() + QStringLiteral("/script.swf");
    writeFile(movie, w.finish());
    return runTool(QStringLiteral("trace"),
                   {movie, QStringLiteral("--frames"), QStringLiteral("1")});
}

} // namespace

class TestTrace : public QObject {
    Q_OBJECT
private slots:
    void passListStillPasses();
    void compareTraceJudgesAndReports();
    void loopActionsFollowTheGeneralRules();
    void colorTransformRgbWrapsLargeOffsets();
};

void TestTrace::passListStillPasses()
{
    const QString traces = QStringLiteral(ORVANTO_CORPUS_DIR "/flashplayer/trace");
    if (!QDir(traces).exists())
        QSKIP("the reference corpus is not here");
    const QStringList expected = passList();
    QVERIFY2(!expected.isEmpty(), "trace-pass.txt is missing or empty");
    const Run run = compareTrace({traces, QStringLiteral("--list"), kPassList});
    QCOMPARE(run.exitCode, 0);
    const auto results = verdicts(run.out);
    QStringList broken;
    for (const QString &name : expected) {
        const auto it = results.find(name);
        if (it == results.end())
            broken.append(name + QStringLiteral(" (not run)"));
        else if (it->second != QLatin1String("pass"))
            broken.append(name);
    }
    qInfo().noquote() << run.out.section(QLatin1Char('\n'), -2);
    QVERIFY2(broken.isEmpty(),
             qPrintable(QStringLiteral("no longer passing: ") + broken.join(QStringLiteral(", "))));
}

void TestTrace::compareTraceJudgesAndReports()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path();
    // "good" prints what its reference says; "bad" asks for a class no
    // machine has and prints undefined where its reference has more;
    // "other" passes but is left out by the list.
    writeFile(root + QStringLiteral("/good-1.swf"), traceMovie("hello"));
    writeFile(root + QStringLiteral("/good-1.swf.trace"), "hello\n");
    writeFile(root + QStringLiteral("/bad-1.swf"), traceMovie("hello", "Zorblax"));
    writeFile(root + QStringLiteral("/bad-1.swf.trace"), "hello\n[object Object]\n");
    writeFile(root + QStringLiteral("/other-1.swf"), traceMovie("x"));
    writeFile(root + QStringLiteral("/other-1.swf.trace"), "x\n");
    writeFile(root + QStringLiteral("/list.txt"), "# two of three\ngood-1.swf\nbad-1.swf\n");
    const QString actual = root + QStringLiteral("/actual");
    QVERIFY(QDir().mkpath(actual));

    Run run = compareTrace({root, QStringLiteral("--list"), root + QStringLiteral("/list.txt"),
                            QStringLiteral("--actual"), actual});
    QCOMPARE(run.exitCode, 0);
    auto results = verdicts(run.out);
    QCOMPARE(results.size(), size_t(2));
    QCOMPARE(results[QStringLiteral("good-1.swf")], QStringLiteral("pass"));
    QCOMPARE(results[QStringLiteral("bad-1.swf")], QStringLiteral("fail"));
    QVERIFY(run.out.contains(QStringLiteral("prefix bad passed 0 of 1\n")));
    QVERIFY(run.out.contains(QStringLiteral("failed 1 that asked for globals not built\n")));
    QVERIFY(run.out.contains(QStringLiteral("unknown Zorblax in 1 failing\n")));
    QVERIFY(run.out.contains(QStringLiteral("fail bad-1.swf (asks for Zorblax)\n")));
    QVERIFY(run.out.endsWith(QStringLiteral("passed 1 of 2\n")));
    // What the failing movie printed, for a diff; nothing for the passing one.
    QFile printed(actual + QStringLiteral("/bad-1.swf.trace"));
    QVERIFY(printed.open(QIODevice::ReadOnly));
    QCOMPARE(printed.readAll(), QByteArray("hello\nundefined\n"));
    QVERIFY(!QFile::exists(actual + QStringLiteral("/good-1.swf.trace")));

    run = compareTrace({root});
    QCOMPARE(verdicts(run.out).size(), size_t(3));
    QCOMPARE(
        compareTrace({root, QStringLiteral("--list"), root + QStringLiteral("/absent")}).exitCode,
        1);
    QCOMPARE(compareTrace({}).exitCode, 2);
}

// The actions loops are made of run on a quicker path when their operands
// are plain; it must give what the general rules give, at the edges too.
void TestTrace::loopActionsFollowTheGeneralRules()
{
    using swfwriter::ActionWriter;
    using V = ActionWriter::Value;
    struct Row {
        V a;
        V b;
        quint8 op;
        const char *expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Row> rows = {
        {-7, 3, 0x3f, "-1"},           // modulo keeps the dividend's sign
        {7, -3, 0x3f, "1"},            //
        {5.5, 2, 0x3f, "1.5"},         //
        {4294967297.0, 2, 0x3f, "1"},  // past 32 bits
        {7, 0, 0x3f, "NaN"},           //
        {-4, 2, 0x3f, "0"},            // negative zero prints as 0
        {-1, 0, 0x65, "-1"},           // >>> by nothing stays signed
        {-1, 28, 0x65, "15"},          //
        {4294967298.0, 3, 0x60, "2"},  // & wraps to 32 bits
        {1, 33, 0x63, "2"},            // shifts count modulo 32
        {1e21, 1, 0x61, "-559939583"}, // | wraps a large number modulo 2^32
        {nan, 1, 0x48, "undefined"},   // < with NaN
        {2, 1, 0x67, "true"},          // >
        {ActionWriter::string("k"), 3, 0x47, "k3"},
        {ActionWriter::string("k"), 3, 0x47, "k3"}, // the same join again
        {1, ActionWriter::string(""), 0x47, "1"},
        {ActionWriter::string(""), ActionWriter::string(""), 0x47, ""},
        {ActionWriter::Undefined{}, 1, 0x47, "NaN"},
        {true, 1, 0x47, "2"},
    };
    ActionWriter a;
    QByteArray expected;
    for (const Row &row : rows) {
        a.push({row.a, row.b}).op(row.op).op(0x26);
        expected += QByteArray(row.expected) + '\n';
    }
    // for (r1 = 0; !(r1 >= 5); r1++) {} trace(r1): a Not and an If, and
    // StoreRegister and Pop, each run as a pair.
    const auto loop = a.label();
    const auto done = a.label();
    a.push({0}).storeRegister(1).op(0x17);
    a.place(loop);
    a.push({ActionWriter::Register{1}, 5}).op(0x48).op(0x12).jumpIf(done);
    a.push({ActionWriter::Register{1}}).op(0x50).storeRegister(1).op(0x17);
    a.jump(loop);
    a.place(done);
    a.push({ActionWriter::Register{1}}).op(0x26);
    expected += "5\n";

    const Run run = traceFrameScript(a.finish(), 7);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.toUtf8(), expected);
}

// A ColorTransform's rgb packs its offsets as 32-bit integers, whatever
// number a script gave them (the fuzzer found one past the range).
void TestTrace::colorTransformRgbWrapsLargeOffsets()
{
    using swfwriter::ActionWriter;
    ActionWriter a;
    for (const double red : {255.0, 3e9, -1.0}) {
        // trace(new flash.geom.ColorTransform(1, 1, 1, 1, red, 0, 0, 0).rgb)
        a.push({0, 0, 0, red, 1, 1, 1, 1, 8, ActionWriter::string("flash")}).op(0x1c);
        a.push({ActionWriter::string("geom")}).op(0x4e);
        a.push({ActionWriter::string("ColorTransform")}).op(0x53);
        a.push({ActionWriter::string("rgb")}).op(0x4e).op(0x26);
    }
    const Run run = traceFrameScript(a.finish(), 8);
    QCOMPARE(run.exitCode, 0);
    // 3e9 wraps to -1294967296 (0xB2D05E00), of which the low byte shifts
    // into red's place; -1 sets every bit from red's place up.
    QCOMPARE(run.out, QStringLiteral("16711680\n1577058304\n-65536\n"));
}

QTEST_GUILESS_MAIN(TestTrace)
#include "tst_trace.moc"
