// How soon an event sound is heard after the frame that starts it, while a
// stream keeps the mixer's lead full and the UI thread spends 20–50 or
// 20–100 ms drawing each frame; and whether the sound broke up meanwhile.
//
// The movie plays through MovieAudio into ALSA's `default` PCM, which must
// reach a sound server (scripts/start-sound-server). The monitor of the
// server's default sink (or of $PULSE_SINK) is recorded with parec. A
// thread watches the recording grow: the earliest moment a recorded sample
// could have been heard is bounded by when the file held it, so the figures
// are upper bounds (they include the monitor's own few milliseconds).
//
// Counters: latency_median_ms, latency_worst_ms (from the call that starts
// the sound to its first sample heard), starts (beeps found / made), gaps
// (runs of silence inside the stream's tone: underruns), gap_ms, xruns
// (device underruns the output recovered from).
#include "player/alsaaudiooutput.h"
#include "player/movieaudio.h"
#include "swf/parse/parser.h"
#include "swf/runtime/player.h"
#include "tools/swfwriter/soundwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <sys/stat.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;
constexpr quint16 kButton = 40;
constexpr int kStarts = 24;
constexpr int kToneAmplitude = 3000;
constexpr int kBeepAmplitude = 24000;

double seconds(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString monitorName()
{
    if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
        return {};
    QString sink = qEnvironmentVariable("PULSE_SINK");
    if (sink.isEmpty())
        sink = run(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
    return sink.isEmpty() ? QString() : sink + QStringLiteral(".monitor");
}

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

// parec writing the monitor into a file, and a thread noting when the file
// grew: the lowest (wall time − recorded duration) dates the first sample.
class Recording {
public:
    Recording(const QString &monitor, const QString &file) : m_file(file)
    {
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("-d"), monitor, QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                         QStringLiteral("--latency-msec=5"), file});
        m_process.waitForStarted(3000);
        m_watch = std::thread([this] { watch(); });
    }
    ~Recording()
    {
        m_quit = true;
        m_watch.join();
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    // When the first recorded sample was heard, in steady-clock seconds.
    double origin() const { return m_origin.load(); }
    std::vector<qint16> left() const
    {
        QFile file(m_file);
        std::vector<qint16> out;
        if (!file.open(QIODevice::ReadOnly))
            return out;
        const QByteArray bytes = file.readAll();
        for (qsizetype i = 0; i + 3 < bytes.size(); i += 4)
            out.push_back(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
        return out;
    }

private:
    void watch()
    {
        const QByteArray path = QFile::encodeName(m_file);
        off_t last = -1;
        while (!m_quit) {
            struct stat info {};
            const auto now = Clock::now();
            if (::stat(path.constData(), &info) == 0 && info.st_size != last && info.st_size > 0) {
                last = info.st_size;
                const double origin = seconds(now) - double(info.st_size / 4) / kRate;
                m_origin = std::min(m_origin.load(), origin);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

    QProcess m_process;
    QString m_file;
    std::thread m_watch;
    std::atomic<bool> m_quit{false};
    std::atomic<double> m_origin{1e300};
};

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
Analysis analyse(const std::vector<qint16> &left, double origin, const std::vector<double> &calls)
{
    Analysis result;
    const auto first = std::find_if(left.begin(), left.end(), [](qint16 v) { return v != 0; });
    if (first == left.end() || calls.empty())
        return result;
    // The tone's level as the sink passes it (its volume is the system's).
    const size_t start = size_t(first - left.begin());
    const size_t toneEnd = std::min(left.size(), size_t((calls.front() - origin) * kRate));
    int toneMax = 0;
    for (size_t i = start + kRate / 10; i < toneEnd; ++i)
        toneMax = std::max(toneMax, std::abs(int(left[i])));
    const int threshold = toneMax * 5 / 2;
    for (double call : calls) {
        const auto from = size_t(std::max(0.0, (call - origin) * kRate));
        for (size_t i = from; i < left.size() && i < from + kRate; ++i) {
            if (std::abs(int(left[i])) > threshold) {
                result.latencies.push_back((origin + double(i) / kRate - call) * 1000.0);
                break;
            }
        }
    }
    // A run of 1 ms of silence cannot be a 200 Hz tone: the output ran dry.
    const size_t end = std::min(left.size(), size_t((calls.back() - origin) * kRate) + kRate / 10);
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
    const QString monitor = monitorName();
    if (monitor.isEmpty()) {
        state.SkipWithError("no sound server answers (scripts/start-sound-server starts one)");
        return;
    }
    const auto movie = latencyMovie(kStarts + 8);
    for (auto _ : state) {
        QTemporaryDir dir;
        Recording recording(monitor, dir.filePath(QStringLiteral("monitor.raw")));
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
                calls.push_back(seconds(Clock::now()));
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
        const Analysis analysis = analyse(heard, recording.origin(), calls);
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

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
