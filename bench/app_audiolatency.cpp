// Sound through MovieAudio into ALSA's `default` PCM, which must reach a
// sound server (scripts/start-sound-server); the monitor of the server's
// default sink (or of $PULSE_SINK) is recorded with parec and dated by when
// the recording grew, so the figures are upper bounds (they include the
// monitor's own few milliseconds).
//
// EventSoundLatency: how soon an event sound is heard after the frame that
// starts it, while a stream keeps the mixer's lead full and the UI thread
// spends 20–50 or 20–100 ms drawing each frame; and whether the sound broke
// up meanwhile. Counters: latency_median_ms, latency_worst_ms (from the call
// that starts the sound to its first sample heard), starts (beeps found /
// made), gaps (runs of silence inside the stream's tone: underruns), gap_ms,
// xruns (device underruns the output recovered from).
//
// StreamClock: a 25 fps movie whose stream tells its frame, in the movie
// widget, through start-up, pause and resume, stop and play, a seek, a
// rewind, another movie and a second control (the full-screen window's).
// For each: <action>_frame_ms (until the next frame showed), _heard_ms
// (until the sound of the new position was heard), _sync_ms and
// _sync_worst_ms (sound heard less frame shown, over the second after),
// _gap_ms (silence inside the sound); a stop's _silence_ms is until its
// sound ended.
#include "player/alsaaudiooutput.h"
#include "player/movieaudio.h"
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "tests/moviewidget/soundclocksession.h"
#include "tools/swfwriter/soundwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr quint16 kButton = 40;
constexpr int kStarts = 24;
constexpr int kToneAmplitude = 3000;
constexpr int kBeepAmplitude = 24000;

// A 10 fps movie whose stream holds a quiet 200 Hz tone for `length`
// seconds, with a loud 3 kHz beep of 40 ms as the sound of a button.
std::shared_ptr<const swf::Movie> latencyMovie(int length)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    w.setStageSize(100, 100);
    const auto beep = swfwriter::sine(3000.0, kRate, 0.04, kBeepAmplitude);
    const quint16 id = swfwriter::defineSound(w, swfwriter::pcmFormat(kRate, 1),
                                              quint32(beep.size()), swfwriter::pcm16(beep));
    swfwriter::defineButtonSound(w, kButton,
                                 {swf::ButtonSound{id, {}}, std::nullopt, std::nullopt, std::nullopt});
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(kRate, 1), kRate / 10);
    const auto tone = swfwriter::sine(200.0, kRate, length, kToneAmplitude);
    for (int f = 0; f < length * 10; ++f) {
        const auto from = tone.begin() + f * (kRate / 10);
        swfwriter::soundStreamBlock(
            w, swfwriter::pcm16(std::vector<qint16>(from, from + kRate / 10)));
        w.showFrame();
    }
    auto movie = swf::parseMovie(w.finish());
    if (!movie)
        qFatal("the latency movie does not load");
    return *movie;
}

void spin(std::chrono::milliseconds ms)
{
    const auto end = Clock::now() + ms;
    while (Clock::now() < end) {
    }
}

void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Analysis {
    std::vector<double> latencies;
    int gaps = 0;
    double gapMs = 0.0;
};

// Finds each beep after its start call, and the silences within the tone.
Analysis analyse(const std::vector<qint16> &left, const monitor::Recording &recording,
                 const std::vector<double> &calls)
{
    auto indexAt = [&](double time) {
        const qint64 i = recording.indexAt(time);
        return i < 0 ? left.size() : std::min(left.size(), size_t(i));
    };
    Analysis result;
    const auto first = std::find_if(left.begin(), left.end(), [](qint16 v) { return v != 0; });
    if (first == left.end() || calls.empty())
        return result;
    // The tone's level as the sink passes it (its volume is the system's).
    const size_t start = size_t(first - left.begin());
    const size_t toneEnd = indexAt(calls.front());
    int toneMax = 0;
    for (size_t i = start + kRate / 10; i < toneEnd; ++i)
        toneMax = std::max(toneMax, std::abs(int(left[i])));
    const int threshold = toneMax * 5 / 2;
    for (double call : calls) {
        const size_t from = indexAt(call);
        for (size_t i = from; i < left.size() && i < from + kRate; ++i) {
            if (std::abs(int(left[i])) > threshold) {
                result.latencies.push_back((recording.timeOf(qint64(i)) - call) * 1000.0);
                break;
            }
        }
    }
    // A run of 1 ms of silence cannot be a 200 Hz tone: the output ran dry.
    const size_t end = std::min(left.size(), indexAt(calls.back()) + kRate / 10);
    size_t run = 0;
    for (size_t i = start; i < end; ++i) {
        if (std::abs(int(left[i])) <= 2) {
            ++run;
            continue;
        }
        if (run >= size_t(kRate / 1000)) {
            ++result.gaps;
            result.gapMs += double(run) * 1000.0 / kRate;
        }
        run = 0;
    }
    return result;
}

void EventSoundLatency(benchmark::State &state)
{
    const QString source = monitor::defaultMonitor();
    if (source.isEmpty()) {
        state.SkipWithError("no sound server answers (scripts/start-sound-server starts one)");
        return;
    }
    const auto movie = latencyMovie(kStarts + 8);
    for (auto _ : state) {
        QTemporaryDir dir;
        monitor::Recording recording(source, dir.filePath(QStringLiteral("monitor.raw")));
        auto output = std::make_unique<AlsaAudioOutput>();
        AlsaAudioOutput *alsa = output.get();
        MovieAudio audio(std::move(output));
        swf::AudioSink *sink = audio.load(movie);
        swf::Player player(movie, sink);
        audio.attach(&player);
        player.play();
        audio.update();

        std::mt19937 random(7);
        std::uniform_int_distribution<int> drawMs(20, int(state.range(0)));
        std::vector<double> calls;
        auto last = Clock::now();
        const auto begin = last;
        auto nextStart = begin + std::chrono::milliseconds(2500);
        while (int(calls.size()) < kStarts) {
            runEvents(3);
            const auto now = Clock::now();
            player.advance(std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count());
            last = now;
            if (now >= nextStart) {
                calls.push_back(monitor::now());
                sink->buttonTransition(kButton, swf::ButtonSoundTransition::OverUpToIdle);
                audio.update();
                nextStart = now + std::chrono::milliseconds(700);
            }
            audio.update();
            spin(std::chrono::milliseconds(drawMs(random))); // drawing the frame
        }
        runEvents(400);
        player.stop();
        audio.stopAll();
        runEvents(200);

        const std::vector<qint16> heard = recording.left();
        // ORVANTO_LATENCY_RECORDING=file keeps the left channel heard, for a look.
        if (const QString keep = qEnvironmentVariable("ORVANTO_LATENCY_RECORDING"); !keep.isEmpty()) {
            QFile file(keep);
            if (file.open(QIODevice::WriteOnly))
                file.write(reinterpret_cast<const char *>(heard.data()), qint64(heard.size() * 2));
        }
        const Analysis analysis = analyse(heard, recording, calls);
        auto latencies = analysis.latencies;
        std::sort(latencies.begin(), latencies.end());
        state.counters["starts"] = double(latencies.size()) / double(calls.size());
        if (!latencies.empty()) {
            state.counters["latency_median_ms"] = latencies[latencies.size() / 2];
            state.counters["latency_best_ms"] = latencies.front();
            state.counters["latency_worst_ms"] = latencies.back();
        }
        state.counters["gaps"] = analysis.gaps;
        state.counters["gap_ms"] = analysis.gapMs;
        state.counters["xruns"] = double(alsa->underruns());
    }
}
// The argument is the longest frame drawn, in milliseconds.
BENCHMARK(EventSoundLatency)->Arg(50)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

// Each of the user's actions on a movie streaming its sound, as in the
// soundclock test, with that test's figures.
void StreamClock(benchmark::State &state)
{
    const QString source = monitor::defaultMonitor();
    if (source.isEmpty()) {
        state.SkipWithError("no sound server answers (scripts/start-sound-server starts one)");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        const auto figures = soundclock::measureActions(source, dir);
        if (figures.empty()) {
            state.SkipWithError("cannot write the movie");
            return;
        }
        for (const soundclock::Figures &f : figures) {
            const std::string name = f.action.toStdString();
            if (f.silenceMs >= 0) {
                state.counters[name + "_silence_ms"] = f.silenceMs;
                continue;
            }
            state.counters[name + "_frame_ms"] = f.frameMs;
            state.counters[name + "_heard_ms"] = f.heardMs;
            state.counters[name + "_sync_ms"] = f.syncMedianMs;
            state.counters[name + "_sync_worst_ms"] = f.syncWorstMs;
            state.counters[name + "_gap_ms"] = f.gapMs;
        }
    }
}
BENCHMARK(StreamClock)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char **argv)
{
    // The movie widget needs a GUI application; no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
