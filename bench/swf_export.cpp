// Export speed: a 300-frame, 550 x 400 movie at 24 frames a second with a
// stream sound, written as MP4 (H.264 and AAC) at 1280 x 720, as
// `orvanto-swf export` does it. Reports pictures a second, the speed over
// real time, and the process's peak memory.
#include "tools/swftool/movieexport.h"
#include "tools/swftool/offlineplayback.h"
#include "tools/swfwriter/fillwriter.h"
#include "tools/swfwriter/soundwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include "swf/parse/parser.h"
#include "swf/render/renderer.h"

#include <QDir>
#include <QLoggingCategory>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <sys/resource.h>

#include <benchmark/benchmark.h>

namespace {

constexpr int kFrames = 300;
constexpr int kRate = 24;

// A gradient sky, twelve shapes that turn and cross the stage, and a
// stereo tone that changes every second, one block a frame.
QByteArray benchMovie()
{
    using swfwriter::px;
    swfwriter::SwfWriter movie;
    movie.setStageSize(550, 400);
    movie.setFrameRate(kRate);
    const swf::SoundFormat format = swfwriter::pcmFormat(44100, 2);
    swfwriter::soundStreamHead(movie, format, 44100 / kRate);
    swfwriter::ShapeBuilder sky;
    swfwriter::GradientSpec gradient;
    gradient.matrix = swfwriter::gradientBox(QRect(0, 0, px(550), px(400)), 90);
    gradient.records = {{0, {30, 60, 160, 255}}, {255, {240, 200, 120, 255}}};
    sky.rect(QRect(0, 0, px(550), px(400)), sky.addRawFill(swfwriter::gradientFill(gradient, 3)));
    swfwriter::Place background;
    background.characterId = movie.defineShape(sky);
    movie.placeObject2(background);
    QList<quint16> shapes;
    for (int i = 0; i < 12; ++i) {
        swfwriter::ShapeBuilder shape;
        const swf::Rgba color{quint8(40 + i * 17), quint8(200 - i * 13), quint8(90 + i * 11), 220};
        if (i % 2)
            shape.ellipse(QPoint(0, 0), px(30 + i * 3), px(20 + i * 2), shape.addFill(color),
                          shape.addLine(40, {0, 0, 0, 255}));
        else
            shape.rect(QRect(-px(25), -px(25), px(50), px(50)), shape.addFill(color));
        shapes.append(movie.defineShape(shape));
    }
    for (int f = 0; f < kFrames; ++f) {
        for (int i = 0; i < shapes.size(); ++i) {
            swfwriter::Place place;
            place.depth = quint16(2 + i);
            place.move = f > 0;
            if (f == 0)
                place.characterId = shapes[i];
            place.matrix = swfwriter::scaleRotateTranslate(
                1.0 + 0.3 * std::sin(f * 0.05 + i), 1.0, f * 3.0 + i * 30,
                std::fmod(40.0 * i + f * (1.5 + i * 0.2), 550.0), 60 + 25 * i);
            movie.placeObject2(place);
        }
        swfwriter::soundStreamBlock(movie,
                                    swfwriter::pcm16(swfwriter::sine(330.0 + 55.0 * (f / kRate),
                                                                     44100, 1.0 / kRate, 8000, 2)));
        movie.showFrame();
    }
    return movie.finish();
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void ExportMp4At720p(benchmark::State &state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    auto movie = swf::parseMovie(benchMovie());
    QTemporaryDir dir;
    if (!movie || !dir.isValid()) {
        state.SkipWithError("no movie");
        return;
    }
    swftool::ExportOptions options;
    options.output = QFile::encodeName(dir.filePath(QStringLiteral("bench.mp4")));
    options.size = QSize(1280, 720);
    auto job = swftool::MovieExport::prepare(*movie, options);
    if (!job) {
        state.SkipWithError(qPrintable(job.error().message));
        return;
    }
    for (auto _ : state) {
        const auto outcome = job->run({});
        if (!outcome) {
            state.SkipWithError(qPrintable(outcome.error().message));
            return;
        }
    }
    const double seconds = kFrames / double(kRate);
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations() * kFrames), benchmark::Counter::kIsRate);
    state.counters["x_realtime"] =
        benchmark::Counter(double(state.iterations()) * seconds, benchmark::Counter::kIsRate);
    state.counters["peak_MB"] = peakMegabytes();
}

// The same movie played and drawn at 1280 x 720 with nothing encoded: the
// share of the export that is the engine's.
void DrawOnlyAt720p(benchmark::State &state)
{
    QLoggingCategory::setFilterRules(QStringLiteral("swf.*=false"));
    auto movie = swf::parseMovie(benchMovie());
    if (!movie) {
        state.SkipWithError("no movie");
        return;
    }
    for (auto _ : state) {
        swftool::OfflinePlayback playback(*movie);
        swf::Renderer renderer;
        QImage canvas(1280, 720, QImage::Format_ARGB32_Premultiplied);
        for (int f = 0; f < kFrames; ++f) {
            playback.showNextFrame();
            QPainter painter(&canvas);
            renderer.render(playback.player(), painter, canvas.rect(), Qt::white);
        }
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations() * kFrames), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(DrawOnlyAt720p)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ExportMp4At720p)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
