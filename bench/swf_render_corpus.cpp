// Drawing time per frame for movies of the reference corpus, and for
// movies that fill the stage with blurred, glowing objects, each at its own
// size and at 1920 × 1080, with the frames per second that allows ("fps").
// Each iteration steps the movie one frame and draws it, as the movie
// widget does; caches are warm after a first frame drawn untimed. CPU time
// counts every thread of the process (Qt's raster engine, and the blending
// of large layers, spread their work over a pool of threads).
#include "swf/movieloader.h"
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "tools/swfwriter/filterwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QLoggingCategory>

#include <cmath>
#include <cstdio>

#include <benchmark/benchmark.h>

namespace {

// Bitmap fills composited in a layer, nested layers with alpha, a morph
// with gradients, sprites masking sprites, colour-mapped bitmaps; every
// blend mode; the filter movies (drawn by their scripts).
const char *const kMovies[] = {
    "blend-mode-hardlight-8.swf", "blend-mode-alpha-8.swf",      "morph-gradient-8.swf",
    "mask-and-clip-3-8.swf",      "definebits-palette-8.swf",    "blend-mode-add-8.swf",
    "blend-mode-darken-8.swf",    "blend-mode-difference-8.swf", "blend-mode-erase-8.swf",
    "blend-mode-inverse-8.swf",   "blend-mode-layer-8.swf",      "blend-mode-lighten-8.swf",
    "blend-mode-multiply-8.swf",  "blend-mode-overlay-8.swf",    "blend-mode-screen-8.swf",
    "BlurFilter-rendering-8.swf", "rotated-filter-size-8.swf",
};

// 48 discs over a 640 × 360 stage, each blurred and glowing, every other
// one with a drop shadow; they move a little every frame, or (spinning)
// also turn, so that every frame filters every disc anew.
QByteArray glowingStage(bool spinning)
{
    swfwriter::SwfWriter w;
    w.setStageSize(640, 360);
    w.setBackgroundColor({20, 20, 40, 255});
    swf::Filter blur;
    blur.kind = swf::Filter::Kind::Blur;
    blur.blurX = blur.blurY = 6;
    blur.passes = 2;
    swf::Filter glow;
    glow.kind = swf::Filter::Kind::Glow;
    glow.color = {255, 220, 60, 255};
    glow.blurX = glow.blurY = 16;
    glow.strength = 2;
    glow.passes = 2;
    swf::Filter shadow = glow;
    shadow.kind = swf::Filter::Kind::DropShadow;
    shadow.color = {0, 0, 0, 200};
    shadow.distance = 8;
    shadow.angle = M_PI / 4;
    const QByteArray glowing = swfwriter::filterList({blur, glow});
    const QByteArray shadowed = swfwriter::filterList({blur, glow, shadow});
    swfwriter::ShapeBuilder disc;
    disc.ellipse(QPoint(0, 0), swfwriter::px(30), swfwriter::px(20),
                 disc.addFill({80, 160, 255, 255}));
    const quint16 id = w.defineShape(disc);
    for (int frame = 0; frame < 8; ++frame) {
        for (int i = 0; i < 48; ++i) {
            swfwriter::Place p;
            p.depth = quint16(i + 1);
            p.move = frame > 0;
            if (frame == 0) {
                p.characterId = id;
                p.rawFilters = i % 2 ? shadowed : glowing;
            }
            p.matrix = swfwriter::translation(40 + (i % 8) * 80 + frame * 2, 30 + (i / 8) * 60);
            if (spinning) {
                const double turn = frame * 0.2 + i;
                p.matrix->scaleX = p.matrix->scaleY = std::cos(turn);
                p.matrix->rotateSkew0 = std::sin(turn);
                p.matrix->rotateSkew1 = -std::sin(turn);
            }
            w.placeObject3(p);
        }
        w.showFrame();
    }
    return w.finish();
}

QSize ownSize(const swf::Movie &movie)
{
    return QSize(int(std::lround(movie.stage().width() / swf::kTwipsPerPixel)),
                 int(std::lround(movie.stage().height() / swf::kTwipsPerPixel)));
}

void renderMovie(benchmark::State &state, const std::shared_ptr<const swf::Movie> &movie,
                 bool fullHd)
{
    const QSize size = fullHd ? QSize(1920, 1080) : ownSize(*movie);
    swf::Player player(movie);
    for (int i = 0; i < 10; ++i)
        player.step();
    swf::Renderer renderer;
    renderer.render(player, size, Qt::black);
    for (auto _ : state) {
        player.step();
        QImage image = renderer.render(player, size, Qt::black);
        benchmark::DoNotOptimize(image);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
}

void registerMovie(const std::string &name, const std::shared_ptr<const swf::Movie> &movie)
{
    for (bool fullHd : {false, true}) {
        const std::string label = "render/" + name + (fullHd ? "/1920x1080" : "/own");
        benchmark::RegisterBenchmark(label.c_str(), renderMovie, movie, fullHd)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MeasureProcessCPUTime();
    }
}

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    for (const char *name : kMovies) {
        const QByteArray path = QByteArray(ORVANTO_CORPUS_DIR "/flashplayer/image/") + name;
        auto movie = swf::loadMovieFile(path);
        if (!movie) {
            std::fprintf(stderr, "skipped %s: not found\n", name);
            continue;
        }
        registerMovie(name, *movie);
    }
    if (auto movie = swf::parseMovie(glowingStage(false)))
        registerMovie("glowing-stage", *movie);
    if (auto movie = swf::parseMovie(glowingStage(true)))
        registerMovie("glowing-stage-spinning", *movie);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
