// The engine's speed: parsing a large movie, stepping frames, and drawing
// one frame at the player window's size and at full HD.
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "veskmovie.h"

#include <QDirIterator>
#include <QFile>
#include <QLoggingCategory>

#include <benchmark/benchmark.h>

namespace {

// The largest movie of the reference corpus, or an empty array.
const QByteArray &largestCorpusMovie(QString *name = nullptr)
{
    static QString largestName;
    static const QByteArray bytes = [] {
        QString best;
        qint64 bestSize = -1;
        QDirIterator it(QStringLiteral(ORVANTO_CORPUS_DIR), {QStringLiteral("*.swf")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            if (info.size() > bestSize) {
                bestSize = info.size();
                best = info.filePath();
            }
        }
        QFile file(best);
        largestName = QFileInfo(best).fileName();
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    if (name)
        *name = largestName;
    return bytes;
}

std::shared_ptr<const swf::Movie> vesk()
{
    static const auto movie = *swf::parseMovie(vesk::buildMovie());
    return movie;
}

void parseLargeCorpusMovie(benchmark::State &state)
{
    QString name;
    const QByteArray &bytes = largestCorpusMovie(&name);
    if (bytes.isEmpty()) {
        state.SkipWithError("reference corpus not found");
        return;
    }
    for (auto _ : state) {
        auto movie = swf::parseMovie(bytes);
        benchmark::DoNotOptimize(movie);
    }
    state.SetLabel(QStringLiteral("%1, %2 KiB").arg(name).arg(bytes.size() / 1024).toStdString());
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void parseVesk(benchmark::State &state)
{
    const QByteArray bytes = vesk::buildMovie();
    for (auto _ : state)
        benchmark::DoNotOptimize(swf::parseMovie(bytes));
}

void stepFrame(benchmark::State &state)
{
    swf::Player player(vesk());
    for (auto _ : state)
        player.step();
}

// Steady state, as in the movie widget: shape paths come from the cache;
// each iteration advances one frame and draws it.
void renderFrame(benchmark::State &state, std::shared_ptr<const swf::Movie> movie)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    swf::Player player(movie);
    swf::Renderer renderer;
    for (auto _ : state) {
        player.step();
        QImage image = renderer.render(player, size, Qt::black);
        benchmark::DoNotOptimize(image);
    }
}

void renderVesk(benchmark::State &state)
{
    renderFrame(state, vesk());
}

void renderLargeCorpusMovie(benchmark::State &state)
{
    auto movie = swf::parseMovie(largestCorpusMovie());
    if (!movie) {
        state.SkipWithError("reference corpus not found");
        return;
    }
    renderFrame(state, *movie);
}

// The first frame with an empty cache: every shape's paths are built.
void renderVeskCold(benchmark::State &state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    swf::Player player(vesk());
    for (auto _ : state) {
        swf::Renderer renderer;
        benchmark::DoNotOptimize(renderer.render(player, size, Qt::black));
    }
}

} // namespace

BENCHMARK(parseLargeCorpusMovie)->Unit(benchmark::kMillisecond);
BENCHMARK(parseVesk)->Unit(benchmark::kMicrosecond);
BENCHMARK(stepFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(renderVesk)->Args({525, 315})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(renderVeskCold)->Args({525, 315})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(renderLargeCorpusMovie)->Args({525, 315})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
