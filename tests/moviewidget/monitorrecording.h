// What the sound server's default sink plays, recorded from its monitor
// with parec into a file (a pipe from parec into a process that plays into
// the same server stalls), and dated: a thread notes when the file grew, and
// a sample was heard no later than the file held it, less the samples
// written after it. Times are steady-clock seconds (the clock QElapsedTimer
// and std::chrono::steady_clock read), so they compare with the moments a
// program acted.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace monitor {

constexpr int kRate = 44100;

inline double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(5000) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The monitor of the server's default sink (or of $PULSE_SINK); empty when
// no server answers.
inline QString defaultMonitor()
{
    if (QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty())
        return {};
    QString sink = qEnvironmentVariable("PULSE_SINK");
    if (sink.isEmpty())
        sink = run(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
    return sink.isEmpty() ? QString() : sink + QStringLiteral(".monitor");
}

class Recording {
public:
    Recording(const QString &monitor, const QString &file) : m_file(file)
    {
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        QStringList args{QStringLiteral("-d"), monitor, QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")};
        // ORVANTO_MONITOR_LATENCY_MS=0 leaves the latency to parec.
        const int latency = qEnvironmentVariableIsSet("ORVANTO_MONITOR_LATENCY_MS")
                                ? qEnvironmentVariableIntValue("ORVANTO_MONITOR_LATENCY_MS")
                                : 5;
        if (latency > 0)
            args << QStringLiteral("--latency-msec=%1").arg(latency);
        m_process.start(QStringLiteral("parec"), args << file);
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
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    // Samples recorded so far.
    qint64 size() const
    {
        std::lock_guard lock(m_mutex);
        return m_growth.empty() ? 0 : m_growth.back().samples;
    }
    // Waits until the recording holds what was heard up to `time`.
    void waitUntilHeld(double time, int timeoutMs = 2000) const
    {
        const double end = now() + timeoutMs / 1000.0;
        while (now() < end) {
            {
                std::lock_guard lock(m_mutex);
                if (!m_growth.empty() && m_growth.back().time > time + 0.03)
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // The left channel, all of it.
    std::vector<qint16> left() const
    {
        QFile file(m_file);
        std::vector<qint16> out;
        if (!file.open(QIODevice::ReadOnly))
            return out;
        const QByteArray bytes = file.readAll();
        out.reserve(size_t(bytes.size() / 4));
        for (qsizetype i = 0; i + 3 < bytes.size(); i += 4)
            out.push_back(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
        return out;
    }
    // When sample `index` was heard: the earliest dating the file's growth
    // allows (the monitor records in bursts, and a sink that slept left no
    // samples for that time).
    double timeOf(qint64 index) const
    {
        std::lock_guard lock(m_mutex);
        auto it = std::lower_bound(m_growth.begin(), m_growth.end(), index,
                                   [](const Growth &g, qint64 i) { return g.samples < i; });
        double best = 1e300;
        for (int k = 0; it != m_growth.end() && k < 64; ++it, ++k)
            best = std::min(best, it->time - double(it->samples - index) / kRate);
        return best;
    }
    // The sample heard at `time`, or -1 outside the recording.
    qint64 indexAt(double time) const
    {
        if (size() == 0 || timeOf(0) > time)
            return -1;
        qint64 low = 0, high = size();
        while (low < high) {
            const qint64 mid = (low + high) / 2;
            if (timeOf(mid) < time)
                low = mid + 1;
            else
                high = mid;
        }
        return low >= size() ? -1 : low;
    }

private:
    struct Growth {
        double time;
        qint64 samples;
    };

    void watch()
    {
        const QByteArray path = QFile::encodeName(m_file);
        off_t last = 0;
        while (!m_quit) {
            struct stat info {};
            const double t = now();
            if (::stat(path.constData(), &info) == 0 && info.st_size / 4 > last / 4) {
                last = info.st_size;
                std::lock_guard lock(m_mutex);
                m_growth.push_back(Growth{t, qint64(info.st_size / 4)});
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    QProcess m_process;
    QString m_file;
    std::thread m_watch;
    std::atomic<bool> m_quit{false};
    mutable std::mutex m_mutex;
    std::vector<Growth> m_growth;
};

} // namespace monitor
