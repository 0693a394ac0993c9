// The ActionScript 3 machine's speed: a typed int loop, an untyped loop of
// property access, string building and Array.push, and XML parsing. Each
// reports the process's peak resident memory during the run (VmHWM, reset
// before each benchmark through /proc/self/clear_refs).
#include "abcassembler.h"

#include "swf/avm2/opcodes.h"
#include "swf/avm2/vm.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {

using namespace swf::avm2;
using avm2test::AbcAssembler;

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double peakMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void run(benchmark::State &state, const QByteArray &abc)
{
    resetPeak();
    for (auto _ : state) {
        VmOptions o;
        o.timeoutSeconds = 60;
        Vm vm(o);
        try {
            const QString error = vm.loadAbc(abc, false);
            if (!error.isEmpty())
                state.SkipWithError(error.toUtf8().constData());
        } catch (const ScriptError &e) {
            state.SkipWithError(vm.describeError(e.value).toUtf8().constData());
        }
    }
    state.counters["peak_MiB"] = peakMiB();
}

// var s:int = 0; for (var i:int = 0; i < 10000000; i++) s += i;
QByteArray typedIntLoop()
{
    AbcAssembler a;
    const int m = a.method();
    a.setScriptInit(m);
    auto &b = a.body(m);
    b.locals = 3;
    const int top = b.newLabel(), test = b.newLabel();
    b.op(op::getlocal0).op(op::pushscope);
    b.op(op::pushbyte).u8(0).op(op::setlocal1).op(op::pushbyte).u8(0).op(op::setlocal2);
    b.branch(op::jump, test);
    b.bind(top).op(op::label);
    b.op(op::getlocal2).op(op::getlocal1).op(op::add_i).op(op::setlocal2);
    b.op(op::inclocal_i, 1);
    b.bind(test).op(op::getlocal1).op(op::pushint, quint32(a.intConst(10000000))).branch(op::iflt, top);
    b.op(op::returnvoid);
    return a.finish();
}

// var o = {}, s = "", a = []; o.x = 0;
// for (var i = 0; i < 1000000; i++) { o.x = o.x + i; s = s + "x"; a.push(i); }
QByteArray untypedLoop()
{
    AbcAssembler a;
    const int m = a.method();
    a.setScriptInit(m);
    auto &b = a.body(m);
    b.locals = 5;
    const int x = a.qname(QStringLiteral("x"));
    const int push = a.qname(QStringLiteral("push"), a.packageNs(QStringLiteral("http://adobe.com/AS3/2006/builtin")));
    const int top = b.newLabel(), test = b.newLabel();
    b.op(op::getlocal0).op(op::pushscope);
    b.op(op::newobject, 0).op(op::setlocal1);
    b.op(op::pushstring, quint32(a.string(QStringLiteral("s")))).op(op::setlocal2);
    b.op(op::newarray, 0).op(op::setlocal3);
    b.op(op::getlocal1).op(op::pushbyte).u8(0).op(op::setproperty, quint32(x));
    b.op(op::pushbyte).u8(0).op(op::setlocal, 4);
    b.branch(op::jump, test);
    b.bind(top).op(op::label);
    b.op(op::getlocal1).op(op::getlocal1).op(op::getproperty, quint32(x)).op(op::getlocal, 4).op(op::add)
        .op(op::setproperty, quint32(x));
    b.op(op::getlocal2).op(op::pushstring, quint32(a.string(QStringLiteral("x")))).op(op::add).op(op::setlocal2);
    b.op(op::getlocal3).op(op::getlocal, 4).op(op::callpropvoid, quint32(push), 1);
    b.op(op::getlocal, 4).op(op::increment).op(op::setlocal, 4);
    b.bind(test).op(op::getlocal, 4).op(op::pushint, quint32(a.intConst(1000000))).branch(op::iflt, top);
    b.op(op::returnvoid);
    return a.finish();
}

// new XML(<a 1 MB document>).children().length()
QByteArray xmlParse()
{
    QString doc = QStringLiteral("<catalog>");
    for (int i = 0; doc.size() < 1024 * 1024; ++i)
        doc += QStringLiteral("<item id=\"%1\" kind=\"book\"><title>Title %1</title><price>%2</price></item>").arg(i).arg(i * 0.25);
    doc += QStringLiteral("</catalog>");
    AbcAssembler a;
    const int m = a.method();
    a.setScriptInit(m);
    auto &b = a.body(m);
    const int xml = a.qname(QStringLiteral("XML"));
    b.op(op::getlocal0).op(op::pushscope);
    b.op(op::findpropstrict, quint32(xml)).op(op::pushstring, quint32(a.string(doc)))
        .op(op::constructprop, quint32(xml), 1).op(op::pop);
    b.op(op::returnvoid);
    return a.finish();
}

void BM_TypedIntLoop(benchmark::State &state) { run(state, typedIntLoop()); }
void BM_UntypedLoop(benchmark::State &state) { run(state, untypedLoop()); }
void BM_XmlParse(benchmark::State &state) { run(state, xmlParse()); }

} // namespace

BENCHMARK(BM_TypedIntLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UntypedLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlParse)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
