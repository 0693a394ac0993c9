// Drawing time per frame for five movies of the reference corpus, each at
// its own size and at 1920 × 1080, with the frames per second that allows
// ("fps"). Each iteration steps the movie one frame and draws it, as the
// movie widget does; caches are warm after the first.
#include "swf/movieloader.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"

#include <QFile>
#include <QLoggingCategory>

#include <cmath>

#include <benchmark/benchmark.h>

namespace {

// Bitmap fills composited in a layer, nested layers with alpha, a morph
// with gradients, sprites masking sprites, colour-mapped bitmaps.
const char *const kMovies[] = {
    "blend-mode-hardlight-8.swf", "blend-mode-alpha-8.swf",   "morph-gradient-8.swf",
    "mask-and-clip-3-8.swf",      "definebits-palette-8.swf",
};

QSize ownSize(const swf::Movie &movie)
{
    return QSize(int(std::lround(movie.stage().width() / swf::kTwipsPerPixel)),
                 int(std::lround(movie.stage().height() / swf::kTwipsPerPixel)));
}

void renderCorpusMovie(benchmark::State &state, const QByteArray &path, bool fullHd)
{
    auto movie = swf::loadMovieFile(path);
    if (!movie) {
        state.SkipWithError("reference corpus movie not found");
        return;
    }
    const QSize size = fullHd ? QSize(1920, 1080) : ownSize(**movie);
    swf::Player player(*movie);
    for (int i = 0; i < 10; ++i)
        player.step();
    swf::Renderer renderer;
    for (auto _ : state) {
        player.step();
        QImage image = renderer.render(player, size, Qt::black);
        benchmark::DoNotOptimize(image);
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toStdString());
}

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    for (const char *name : kMovies) {
        const QByteArray path = QByteArray(ORVANTO_CORPUS_DIR "/flashplayer/image/") + name;
        for (bool fullHd : {false, true}) {
            const std::string label =
                std::string("render/") + name + (fullHd ? "/1920x1080" : "/own");
            benchmark::RegisterBenchmark(label.c_str(), renderCorpusMovie, path, fullHd)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
