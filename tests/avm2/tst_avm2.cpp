// The ActionScript 3 machine: the corpus of language tests against what
// the Flash Player printed, hand-assembled programs for limits, memory and
// errors, and damaged bytecode.
#include "abcassembler.h"
#include "corpusrun.h"

#include "swf/avm2/avm2scripthost.h"
#include "swf/avm2/opcodes.h"
#include "swf/movieloader.h"
#include "swf/runtime/player.h"
#include "swf/avm2/vm.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace swf::avm2;
using avm2test::AbcAssembler;

namespace {

struct Program {
    AbcAssembler a;
    AbcAssembler::Body *init = nullptr;
    int trace = 0;

    Program()
    {
        const int m = a.method();
        a.setScriptInit(m);
        init = &a.body(m);
        init->locals = 4;
        trace = a.qname(QStringLiteral("trace"));
        init->op(op::getlocal0).op(op::pushscope);
    }
    // Emits trace(<value on the stack>): the value is put under the receiver.
    void traceTop()
    {
        init->op(op::findpropstrict, quint32(trace)).op(op::swap).op(op::callpropvoid, quint32(trace), 1);
    }
};

struct RunResult {
    QStringList lines;
    QString loadError;
    QString thrown;
    size_t cells = 0;
};

RunResult run(const QByteArray &abc, std::function<qint64()> clock = {})
{
    RunResult r;
    VmOptions o;
    o.trace = [&r](const QString &line) { r.lines << line; };
    o.timeoutSeconds = 1;
    // Time stands still unless a test moves it: a loaded machine must not
    // turn a slow run into a timeout.
    o.clock = clock ? std::move(clock) : [] { return qint64(0); };
    Vm vm(o);
    try {
        r.loadError = vm.loadAbc(abc, false);
    } catch (const ScriptError &e) {
        r.thrown = vm.describeError(e.value);
    } catch (const ScriptAbort &) {
        r.thrown = QStringLiteral("aborted");
    }
    vm.collect();
    r.cells = vm.heap.cellCount();
    return r;
}

} // namespace

class TestAvm2 : public QObject {
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void programs();
    void limits();
    void memory();
    void damagedBytecode();
    void scriptHost();
    void savedFuzzInputs();
};

void TestAvm2::corpus_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("frames");
    const QString dir = QStringLiteral(ORVANTO_CORPUS_DIR "/as3");
    QFile list(QStringLiteral(ORVANTO_SOURCE_DIR "/tests/avm2/as3-pass.txt"));
    if (!QDir(dir).exists() || !list.open(QIODevice::ReadOnly))
        return;
    const auto frames = avm2test::readFrames(dir);
    for (const QByteArray &line : list.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty())
            QTest::newRow(qPrintable(name)) << dir + QLatin1Char('/') + name << frames.value(name, 1);
    }
}

void TestAvm2::corpus()
{
    QFETCH(QString, path);
    QFETCH(int, frames);
    if (!QFile::exists(path))
        QSKIP("the ActionScript 3 corpus is not here");
    // The timeout only stops a hang: the slowest movie (six thousand regular
    // expressions) takes over ten seconds under the sanitizers on a busy machine.
    QCOMPARE(avm2test::runMovie(path, frames, 60), avm2test::expectedTrace(path));
}

// Small programs whose output is known: integer wrapping, conversions,
// exceptions caught by type-less handlers, string concatenation.
void TestAvm2::programs()
{
    {
        // int arithmetic wraps: 0x7fffffff + 1 as add_i is -2147483648; as
        // add it is a Number.
        Program p;
        const int big = p.a.intConst(0x7fffffff);
        p.init->op(op::pushint, quint32(big)).op(op::pushbyte).u8(1).op(op::add_i);
        p.traceTop();
        p.init->op(op::pushint, quint32(big)).op(op::pushbyte).u8(1).op(op::add);
        p.traceTop();
        p.init->op(op::pushbyte).u8(7).op(op::pushbyte).u8(2).op(op::divide);
        p.traceTop();
        p.init->op(op::pushstring, quint32(p.a.string(QStringLiteral("0x1F")))).op(op::convert_i);
        p.traceTop();
        p.init->op(op::returnvoid);
        QCOMPARE(run(p.a.finish()).lines, (QStringList{"-2147483648", "2147483648", "3.5", "31"}));
    }
    {
        // throw inside a try range lands in the handler with the value.
        Program p;
        auto &b = *p.init;
        const int from = b.newLabel(), to = b.newLabel(), handler = b.newLabel(), end = b.newLabel();
        b.bind(from).op(op::pushstring, quint32(p.a.string(QStringLiteral("boom")))).op(op::throw_).bind(to);
        b.branch(op::jump, end);
        b.bind(handler);
        p.traceTop();
        b.bind(end).op(op::returnvoid);
        b.addHandler(from, to, handler);
        QCOMPARE(run(p.a.finish()).lines, QStringList{"boom"});
    }
}

// A loop that never ends meets the timeout (Error #1502, which a handler
// could catch) and then the second timeout that ends the script; a method
// calling itself meets the recursion limit.
void TestAvm2::limits()
{
    {
        Program p;
        auto &b = *p.init;
        const int top = b.newLabel();
        b.bind(top).op(op::label).branch(op::jump, top);
        qint64 now = 0;
        const RunResult r = run(p.a.finish(), [&now] { return now += 50; });
        QCOMPARE(r.thrown, QStringLiteral("Error: Error #1502: A script has executed for longer than the default timeout period of 15 seconds."));
    }
    {
        // function f() { f(); } f();
        Program p;
        const int f = p.a.method();
        const int name = p.a.qname(QStringLiteral("f"));
        auto &fb = p.a.body(f);
        fb.op(op::findpropstrict, quint32(name)).op(op::callpropvoid, quint32(name), 0).op(op::returnvoid);
        auto &b = *p.init;
        b.op(op::getglobalscope).op(op::newfunction, quint32(f)).op(op::setproperty, quint32(name));
        b.op(op::findpropstrict, quint32(name)).op(op::callpropvoid, quint32(name), 0).op(op::returnvoid);
        QCOMPARE(run(p.a.finish()).thrown, QStringLiteral("Error: Error #1023: Stack overflow occurred."));
    }
}

// Objects that point at each other in a cycle are collected: after a loop
// making 200,000 of them the heap holds far fewer cells.
void TestAvm2::memory()
{
    Program p;
    auto &b = *p.init;
    const int self = p.a.qname(QStringLiteral("self"));
    const int top = b.newLabel(), test = b.newLabel();
    b.op(op::pushint, quint32(p.a.intConst(200000))).op(op::setlocal1);
    b.branch(op::jump, test);
    b.bind(top).op(op::label);
    b.op(op::newobject, 0).op(op::dup).op(op::dup).op(op::setproperty, quint32(self)).op(op::setlocal2);
    b.op(op::declocal_i, 1);
    b.bind(test).op(op::getlocal1).op(op::pushbyte).u8(0).branch(op::ifgt, top);
    b.op(op::returnvoid);
    const RunResult r = run(p.a.finish());
    QVERIFY(r.thrown.isEmpty());
    QVERIFY2(r.cells < 20000, qPrintable(QString::number(r.cells)));
}

// Damaged bytecode ends in a refused block or a VerifyError, never a crash:
// every truncation and many single-byte changes of a valid block, and
// bodies that break each rule the verifier checks.
void TestAvm2::damagedBytecode()
{
    Program p;
    p.init->op(op::pushbyte).u8(5).op(op::pushbyte).u8(6).op(op::add);
    p.traceTop();
    p.init->op(op::returnvoid);
    const QByteArray good = p.a.finish();
    QCOMPARE(run(good).lines, QStringList{"11"});
    for (int n = 0; n < good.size(); ++n)
        run(good.left(n));
    for (int i = 0; i < good.size(); ++i) {
        for (int v : {0x00, 0x01, 0x7f, 0x80, 0xff}) {
            QByteArray bad = good;
            bad[i] = char(v);
            run(bad);
        }
    }
    const struct {
        const char *what;
        QByteArray code;
        int maxStack, locals;
        int error;
    } bodies[] = {
        {"jump outside the code", QByteArray("\x10\x10\x00\x00\x47", 5), 1, 1, 1021},
        {"jump into an operand", QByteArray("\x10\x01\x00\x00\x24\x05\x47", 7), 1, 1, 1021},
        {"register past the locals", QByteArray("\x62\x05\x29\x47", 4), 1, 1, 1025},
        {"stack underflow", QByteArray("\x29\x47", 2), 1, 1, 1024},
        {"stack over its maximum", QByteArray("\x24\x01\x24\x02\x29\x29\x47", 7), 1, 1, 1023},
        {"falling off the end", QByteArray("\x02", 1), 1, 1, 1020},
        {"unknown opcode", QByteArray("\xfe\x47", 2), 1, 1, 1011},
        {"pool index out of range", QByteArray("\x2c\x7f\x29\x47", 4), 1, 1, 1032},
    };
    for (const auto &c : bodies) {
        AbcAssembler a;
        const int m = a.method();
        a.setScriptInit(m);
        auto &b = a.body(m);
        b.code = c.code;
        b.maxStack = c.maxStack;
        b.locals = c.locals;
        const RunResult r = run(a.finish());
        QVERIFY2(r.thrown.startsWith(QStringLiteral("VerifyError: Error #%1").arg(c.error)),
                 qPrintable(QString::fromLatin1(c.what) + QStringLiteral(": ") + r.thrown));
    }
}

// Behind a player, the machine runs what the player's timeline reaches and
// prints what the runner prints for the same movie.
void TestAvm2::scriptHost()
{
    const QString path = QStringLiteral(ORVANTO_CORPUS_DIR "/as3/as3-Definitions-Classes-ClassDef-DefaultClass.swf");
    if (!QFile::exists(path))
        QSKIP("the ActionScript 3 corpus is not here");
    auto movie = swf::loadMovieFile(QFile::encodeName(path));
    QVERIFY(movie.ok());
    QStringList lines;
    RunnerOptions options;
    options.trace = [&lines](const QString &line) { lines << line; };
    options.timeoutSeconds = 5;
    swf::Player player(*movie, nullptr, std::make_unique<Avm2ScriptHost>(options));
    QCOMPARE(lines, avm2test::expectedTrace(path));
    player.step();
    QCOMPARE(lines, avm2test::expectedTrace(path));
}

// Inputs the fuzzer once crashed or hung on end cleanly now.
void TestAvm2::savedFuzzInputs()
{
    const QDir dir(QStringLiteral(ORVANTO_SOURCE_DIR "/tests/avm2/data"));
    const QStringList names = dir.entryList({QStringLiteral("*.abc")}, QDir::Files);
    if (names.isEmpty())
        QSKIP("no saved fuzzer inputs");
    for (const QString &name : names) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        // Reaching the next file is the check: a crash or hang ends the test.
        qint64 now = 0;
        run(f.readAll(), [&now] { return now += 5; });
    }
}

QTEST_GUILESS_MAIN(TestAvm2)
#include "tst_avm2.moc"
