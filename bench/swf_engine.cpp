// The engine's speed: parsing a large movie, stepping frames, and drawing
// one frame at the player window's size and at full HD.
#include "swf/parse/parser.h"
#include "swf/render/renderer.h"
#include "swf/runtime/player.h"
#include "tools/swfwriter/swfwriter.h"
#include "veskmovie.h"

#include <QDirIterator>
#include <QFile>
#include <QLoggingCategory>

#include <cmath>

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

// The corpus movie with the most shape records: the most to draw.
std::shared_ptr<const swf::Movie> busiestCorpusMovie(QString *name)
{
    static QString busiestName;
    static const std::shared_ptr<const swf::Movie> busiest = [] {
        std::shared_ptr<const swf::Movie> best;
        QDirIterator it(QStringLiteral(ORVANTO_CORPUS_DIR), {QStringLiteral("*.swf")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            auto movie = swf::parseMovie(file.readAll());
            if (movie && (!best || (*movie)->stats().shapeRecords > best->stats().shapeRecords)) {
                best = *movie;
                busiestName = QFileInfo(path).fileName();
            }
        }
        return best;
    }();
    *name = busiestName;
    return busiest;
}

// A made-up cartoon scene: 200 outlined figures (ellipses and polygons of
// a few dozen edges) in a 550 × 400 stage, a quarter of them translucent,
// each moving a little every frame.
std::shared_ptr<const swf::Movie> busyScene()
{
    static const auto movie = [] {
        using swfwriter::px;
        swfwriter::SwfWriter w;
        w.setStageSize(550, 400);
        w.setBackgroundColor({250, 250, 240});
        quint32 seed = 12345;
        auto next = [&seed](int range) {
            seed = seed * 1664525u + 1013904223u;
            return int((seed >> 8) % quint32(range));
        };
        std::vector<quint16> ids;
        for (int i = 0; i < 40; ++i) {
            swfwriter::ShapeBuilder b;
            const int fill = b.addFill({quint8(next(256)), quint8(next(256)), quint8(next(256)),
                                        quint8(i % 4 ? 255 : 128)});
            const int line = b.addLine(px(1 + next(3)), {20, 20, 20, 255});
            if (i % 2) {
                b.ellipse(QPoint(0, 0), px(10 + next(60)), px(10 + next(60)), fill, line);
            } else {
                QVector<QPoint> points;
                for (int k = 0; k < 24; ++k) {
                    const double a = k * 2 * M_PI / 24;
                    const double r = px(20 + next(50));
                    points.append(QPoint(int(r * std::cos(a)), int(r * std::sin(a))));
                }
                b.polygon(points, fill, line);
            }
            ids.push_back(w.defineShape(b));
        }
        std::vector<QPoint> where;
        for (int d = 0; d < 200; ++d) {
            where.emplace_back(next(550), next(400));
            swfwriter::Place p;
            p.depth = quint16(d + 1);
            p.characterId = ids[d % ids.size()];
            p.matrix = swfwriter::translation(where.back().x(), where.back().y());
            w.placeObject2(p);
        }
        w.showFrame();
        for (int f = 1; f < 24; ++f) {
            for (int d = 0; d < 200; d += 3) {
                swfwriter::Place p;
                p.depth = quint16(d + 1);
                p.move = true;
                p.matrix = swfwriter::translation(where[d].x() + f, where[d].y());
                w.placeObject2(p);
            }
            w.showFrame();
        }
        return *swf::parseMovie(w.finish());
    }();
    return movie;
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

void renderBusyScene(benchmark::State &state)
{
    renderFrame(state, busyScene());
}

void renderBusiestCorpusMovie(benchmark::State &state)
{
    QString name;
    auto movie = busiestCorpusMovie(&name);
    if (!movie) {
        state.SkipWithError("reference corpus not found");
        return;
    }
    renderFrame(state, movie);
    state.SetLabel(QStringLiteral("%1, %2 shape records")
                       .arg(name)
                       .arg(movie->stats().shapeRecords)
                       .toStdString());
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
BENCHMARK(renderBusyScene)->Args({525, 315})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(renderBusiestCorpusMovie)
    ->Args({525, 315})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
