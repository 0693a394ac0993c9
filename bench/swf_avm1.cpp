// The ActionScript 1/2 machine's speed and memory: a frame script whose
// function loops a million times over local arithmetic, string building and
// member access; and a movie that makes and drops a thousand objects in
// reference cycles every frame, whose resident memory is read after 100 and
// after 1,000 frames (it should stay flat).
#include "swf/io/tagcodes.h"
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"
#include "tools/swfwriter/actionwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QFile>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

namespace {

using swfwriter::ActionWriter;
using R = ActionWriter::Register;

constexpr int kIterations = 1000000;

class CapturingServices final : public swf::ScriptServices {
public:
    void trace(const QString &line) override { lines.append(line); }
    qint64 scriptTimeoutMs() const override { return 60000; }
    QStringList lines;
};

std::shared_ptr<const swf::Movie> parsed(const QByteArray &file)
{
    auto movie = swf::parseMovie(file);
    if (!movie)
        qFatal("benchmark movie did not parse");
    return *movie;
}

// function f() {
//     var o = {n: 0}, sum = 0, key;
//     for (var i = 0; i < 1000000; i++) {
//         sum = (sum + i * 3) % 1000003;
//         key = "k" + (i & 7);
//         o[key] = i;
//         o.n = o.n + 1;
//     }
//     return sum + o.n;
// }
// trace(f());
QByteArray loopMovie()
{
    ActionWriter f;
    const auto loop = f.label();
    const auto done = f.label();
    f.push({ActionWriter::string("n"), 0, 1}).op(0x43).storeRegister(3).op(0x17);
    f.push({0}).storeRegister(2).op(0x17);
    f.push({0}).storeRegister(1).op(0x17);
    f.place(loop);
    f.push({R{1}, kIterations}).op(0x48).op(0x12).jumpIf(done);
    f.push({R{2}, R{1}, 3}).op(0x0c).op(0x47).push({1000003}).op(0x3f).storeRegister(2).op(0x17);
    f.push({ActionWriter::string("k"), R{1}, 7}).op(0x60).op(0x47).storeRegister(4).op(0x17);
    f.push({R{3}, R{4}, R{1}}).op(0x4f);
    f.push({R{3}, ActionWriter::string("n"), R{3}, ActionWriter::string("n")})
        .op(0x4e)
        .push({1})
        .op(0x47)
        .op(0x4f);
    f.push({R{1}}).op(0x50).storeRegister(1).op(0x17);
    f.jump(loop);
    f.place(done);
    f.push({R{2}, R{3}, ActionWriter::string("n")}).op(0x4e).op(0x47).op(0x3e);

    ActionWriter frame;
    frame.defineFunction2(QStringLiteral("f"), {}, 5, f);
    frame.push({0, ActionWriter::string("f")}).op(0x3d).op(0x26);

    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.rawTag(swf::TagCode::DoAction, frame.finish());
    w.showFrame();
    return w.finish();
}

double expectedLoopResult()
{
    qint64 sum = 0;
    for (qint64 i = 0; i < kIterations; ++i)
        sum = (sum + i * 3) % 1000003;
    return double(sum + kIterations);
}

// Two frames, each replacing `list` by a new array of a thousand pairs of
// objects that point at each other.
QByteArray churnMovie()
{
    ActionWriter f;
    const auto loop = f.label();
    const auto done = f.label();
    f.push({ActionWriter::string("list"), 0}).op(0x42).op(0x1d);
    f.push({0}).storeRegister(1).op(0x17);
    f.place(loop);
    f.push({R{1}, 1000}).op(0x48).op(0x12).jumpIf(done);
    f.push({0}).op(0x43).storeRegister(2).op(0x17);
    f.push({ActionWriter::string("p"), R{2}, 1}).op(0x43).storeRegister(3).op(0x17);
    f.push({R{2}, ActionWriter::string("q"), R{3}}).op(0x4f);
    f.push({R{3}, 1, ActionWriter::string("list")})
        .op(0x1c)
        .push({ActionWriter::string("push")})
        .op(0x52)
        .op(0x17);
    f.push({R{1}}).op(0x50).storeRegister(1).op(0x17);
    f.jump(loop);
    f.place(done);

    ActionWriter frame;
    frame.defineFunction2(QStringLiteral("churn"), {}, 4, f);
    frame.push({0, ActionWriter::string("churn")}).op(0x3d).op(0x17);

    swfwriter::SwfWriter w;
    w.setVersion(8);
    for (int i = 0; i < 2; ++i) {
        w.rawTag(swf::TagCode::DoAction, frame.finish());
        w.showFrame();
    }
    return w.finish();
}

double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void BM_MillionIterationLoop(benchmark::State &state)
{
    const auto movie = parsed(loopMovie());
    const QString expected = QString::number(expectedLoopResult(), 'g', 15);
    for (auto _ : state) {
        auto services = std::make_shared<CapturingServices>();
        swf::Player player(movie, nullptr, swf::makeScriptHost(movie, services));
        if (services->lines.isEmpty())
            player.step();
        if (services->lines != QStringList{expected}) {
            state.SkipWithError("the loop did not print its sum");
            break;
        }
    }
}
BENCHMARK(BM_MillionIterationLoop)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ObjectChurnMemory(benchmark::State &state)
{
    const auto movie = parsed(churnMovie());
    for (auto _ : state) {
        swf::Player player(movie, nullptr,
                           swf::makeScriptHost(movie, std::make_shared<CapturingServices>()));
        player.play();
        for (int i = 0; i < 100; ++i)
            player.step();
        state.counters["rss_after_100_MiB"] = residentMiB();
        for (int i = 100; i < 1000; ++i)
            player.step();
        state.counters["rss_after_1000_MiB"] = residentMiB();
    }
}
BENCHMARK(BM_ObjectChurnMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
