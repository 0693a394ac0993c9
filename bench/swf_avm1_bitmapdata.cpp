// Script bitmaps: BitmapData.perlinNoise over 512×512 pixels (four
// octaves, all channels), and BitmapData.draw of a busy clip (300 filled
// curves drawn by script) next to the renderer drawing the same clip on
// the stage.
#include "swf/io/tagcodes.h"
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "swf/scripting/scripting.h"
#include "tools/swfwriter/actionwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QLoggingCategory>

#include <benchmark/benchmark.h>

namespace {

using swfwriter::ActionWriter;
using R = ActionWriter::Register;

ActionWriter::Value str(const char *text)
{
    return ActionWriter::string(text);
}

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

// b = new flash.display.BitmapData(width, height, true, 0) (leaves nothing
// on the stack).
void newBitmap(ActionWriter &a, int width, int height)
{
    a.push({str("b"), 0, true, height, width, 4, str("flash")}).op(0x1c);
    a.push({str("display")}).op(0x4e).push({str("BitmapData")}).op(0x53).op(0x1d);
}

// b = new BitmapData(512, 512, true, 0);
// b.perlinNoise(64, 64, 4, 7, false, true, 15, false);
// trace(b.getPixel32(0, 0));
QByteArray perlinMovie()
{
    ActionWriter a;
    newBitmap(a, 512, 512);
    a.push({false, 15, true, false, 7, 4, 64, 64, 8, str("b")}).op(0x1c);
    a.push({str("perlinNoise")}).op(0x52).op(0x17);
    a.push({0, 0, 2, str("b")}).op(0x1c).push({str("getPixel32")}).op(0x52).op(0x26);
    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.rawTag(swf::TagCode::DoAction, a.finish());
    w.showFrame();
    return w.finish();
}

// Frame 1, once: c = createEmptyMovieClip("c", 1) with 300 filled curves,
// and b = new BitmapData(550, 400). Frame 2: b.draw(c).
QByteArray drawMovie()
{
    ActionWriter setup;
    const auto done = setup.label();
    const auto loop = setup.label();
    const auto end = setup.label();
    setup.push({str("b")}).op(0x1c).op(0x12).op(0x12).jumpIf(done);
    setup.push({1, str("c"), 2, str("_root")}).op(0x1c);
    setup.push({str("createEmptyMovieClip")}).op(0x52).storeRegister(2).op(0x17);
    setup.push({0}).storeRegister(1).op(0x17);
    setup.place(loop);
    setup.push({R{1}, 300}).op(0x48).op(0x12).jumpIf(end);
    // c.beginFill(i * 40503, 60)
    setup.push({60, R{1}, 40503}).op(0x0c).push({2, R{2}, str("beginFill")}).op(0x52).op(0x17);
    // c.moveTo(i * 37 % 550, i * 53 % 400)
    setup.push({R{1}, 53}).op(0x0c).push({400}).op(0x3f);
    setup.push({R{1}, 37}).op(0x0c).push({550}).op(0x3f);
    setup.push({2, R{2}, str("moveTo")}).op(0x52).op(0x17);
    // c.curveTo(i * 71 % 550, i * 29 % 400, i * 13 % 550, i * 89 % 400)
    setup.push({R{1}, 89}).op(0x0c).push({400}).op(0x3f);
    setup.push({R{1}, 13}).op(0x0c).push({550}).op(0x3f);
    setup.push({R{1}, 29}).op(0x0c).push({400}).op(0x3f);
    setup.push({R{1}, 71}).op(0x0c).push({550}).op(0x3f);
    setup.push({4, R{2}, str("curveTo")}).op(0x52).op(0x17);
    // c.lineTo(i * 17 % 550, i * 41 % 400); c.endFill()
    setup.push({R{1}, 41}).op(0x0c).push({400}).op(0x3f);
    setup.push({R{1}, 17}).op(0x0c).push({550}).op(0x3f);
    setup.push({2, R{2}, str("lineTo")}).op(0x52).op(0x17);
    setup.push({0, R{2}, str("endFill")}).op(0x52).op(0x17);
    setup.push({R{1}}).op(0x50).storeRegister(1).op(0x17);
    setup.jump(loop);
    setup.place(end);
    newBitmap(setup, 550, 400);
    setup.place(done);

    ActionWriter draw;
    draw.push({str("c")}).op(0x1c).push({1, str("b")}).op(0x1c);
    draw.push({str("draw")}).op(0x52).op(0x17);

    swfwriter::SwfWriter w;
    w.setVersion(8);
    w.rawTag(swf::TagCode::DoAction, setup.finish());
    w.showFrame();
    w.rawTag(swf::TagCode::DoAction, draw.finish());
    w.showFrame();
    return w.finish();
}

void BM_PerlinNoise512(benchmark::State &state)
{
    const auto movie = parsed(perlinMovie());
    for (auto _ : state) {
        auto services = std::make_shared<CapturingServices>();
        swf::Player player(movie, nullptr, swf::makeScriptHost(movie, services));
        if (services->lines.isEmpty())
            player.step();
        if (services->lines.size() != 1) {
            state.SkipWithError("perlinNoise did not run");
            break;
        }
    }
}
BENCHMARK(BM_PerlinNoise512)->Unit(benchmark::kMillisecond)->Iterations(5);

// Two frames a draw: the setup frame's script returns at once after the
// first time.
void BM_DrawBusyClipIntoBitmap(benchmark::State &state)
{
    const auto movie = parsed(drawMovie());
    swf::Player player(movie, nullptr,
                       swf::makeScriptHost(movie, std::make_shared<CapturingServices>()));
    player.play();
    player.step();
    for (auto _ : state) {
        player.step();
        player.step();
    }
}
BENCHMARK(BM_DrawBusyClipIntoBitmap)->Unit(benchmark::kMillisecond);

void BM_RenderBusyClipOnStage(benchmark::State &state)
{
    const auto movie = parsed(drawMovie());
    swf::Player player(movie, nullptr,
                       swf::makeScriptHost(movie, std::make_shared<CapturingServices>()));
    player.step();
    swf::Renderer renderer;
    for (auto _ : state) {
        const QImage picture = renderer.render(player, QSize(550, 400), Qt::white);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_RenderBusyClipOnStage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
