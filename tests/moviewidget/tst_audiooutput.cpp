// The sound output path: ALSA's null device, a device that does not exist,
// and a movie with a known tone played by the movie widget through the
// sound server, whose null sink's monitor is recorded.
#include "../swf/audiotest.h"
#include "player/alsaaudiooutput.h"
#include "monitorrecording.h"
#include "player/swfmoviewidget.h"
#include "tests/testfiles.h"

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

// Writes all of `samples` (stereo), as fast as the output takes them.
void feed(swf::AudioOutput &output, const std::vector<qint16> &samples)
{
    qint64 done = 0;
    const qint64 frames = qint64(samples.size()) / 2;
    QElapsedTimer timer;
    timer.start();
    while (done < frames && timer.elapsed() < 10000) {
        done += output.write(samples.data() + done * 2, frames - done);
        if (done < frames)
            QTest::qWait(10);
    }
}

// Records the monitor into a file (a pipe from parec to this process
// stalls while the process itself plays into the server).
class Recorder {
public:
    Recorder(const QString &monitor, const QString &file) : m_file(file)
    {
        m_process.setStandardInputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("-d"), monitor, QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                         QStringLiteral("--latency-msec=20"), file});
        m_process.waitForStarted(3000);
    }
    ~Recorder()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    // Waits up to `ms` for sound well above silence; true when it came.
    bool waitForSound(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (rms(take()) > 100)
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    // The left channel recorded since the last call.
    std::vector<double> take()
    {
        QFile file(m_file);
        std::vector<double> left;
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_offset))
            return left;
        const QByteArray bytes = file.readAll();
        const qsizetype whole = bytes.size() / 4 * 4;
        m_offset += whole;
        for (qsizetype i = 0; i < whole; i += 4)
            left.push_back(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
        return left;
    }

private:
    QProcess m_process;
    QString m_file;
    qint64 m_offset = 0;
};

// A 10 fps movie whose stream holds a 440 Hz tone for `seconds`.
QByteArray toneMovie(int seconds)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    w.setStageSize(100, 100);
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(22050, 1), 2205);
    const auto tone = swfwriter::sine(440.0, 22050, seconds, 12000);
    for (int f = 0; f < seconds * 10; ++f) {
        swfwriter::soundStreamBlock(
            w, swfwriter::pcm16(
                   std::vector<qint16>(tone.begin() + f * 2205, tone.begin() + (f + 1) * 2205)));
        w.showFrame();
    }
    return w.finish();
}

} // namespace

class TestAudioOutput : public QObject {
    Q_OBJECT
private slots:
    void missingDeviceIsPacedByTheClock();
    void nullDevicePlaysWhatIsWritten();
    void discardForgetsWhatWasNotHeard();
    void soundMixedIntoTheQueueIsHeardWhereItWasLaid();
    void widgetPlaysTheToneAndStopSilencesIt();
    void rewindAndLoadingSilenceTheOldSound();
};

// No device: the frames are taken in about real time, and the reason is
// logged once for the whole program.
void TestAudioOutput::missingDeviceIsPacedByTheClock()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no sound: ALSA device")));
    AlsaAudioOutput output(QByteArrayLiteral("orvanto_no_such_device"));
    const auto tone = swfwriter::sine(440.0, 44100, 0.3, 8000, 2);
    QElapsedTimer timer;
    timer.start();
    feed(output, tone);
    QTRY_COMPARE_WITH_TIMEOUT(output.playedFrames(), qint64(tone.size() / 2), 5000);
    QVERIFY(timer.elapsed() >= 250);
    QVERIFY(!output.isDeviceOpen());

    QTest::failOnWarning(QRegularExpression(QStringLiteral("no sound")));
    AlsaAudioOutput again(QByteArrayLiteral("orvanto_no_such_device"));
    feed(again, swfwriter::sine(440.0, 44100, 0.05, 8000, 2));
    QTRY_VERIFY_WITH_TIMEOUT(again.playedFrames() > 0, 5000);
}

void TestAudioOutput::nullDevicePlaysWhatIsWritten()
{
    AlsaAudioOutput output(QByteArrayLiteral("null"));
    QCOMPARE(output.playedFrames(), qint64(0));
    const auto tone = swfwriter::sine(440.0, 44100, 1.0, 8000, 2);
    feed(output, tone);
    QTRY_VERIFY_WITH_TIMEOUT(output.isDeviceOpen(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(output.playedFrames(), qint64(tone.size() / 2), 10000);
}

// A discard forgets what the device has not taken; what it took is still
// heard, and the next frames written count on from there.
void TestAudioOutput::discardForgetsWhatWasNotHeard()
{
    AlsaAudioOutput output(QByteArrayLiteral("null"));
    const auto tone = swfwriter::sine(440.0, 44100, 0.4, 8000, 2);
    const qint64 taken = output.write(tone.data(), qint64(tone.size() / 2));
    QVERIFY(taken > 0);
    const qint64 kept = output.discard();
    QVERIFY2(kept >= output.playedFrames() && kept < taken / 2, qPrintable(QString::number(kept)));
    QCOMPARE(output.writable(), qint64(swf::AudioOutput::kRate / 2));
    QTRY_COMPARE_WITH_TIMEOUT(output.playedFrames(), kept, 5000);
    QCOMPARE(output.write(tone.data(), 100), qint64(100));
    QTRY_COMPARE_WITH_TIMEOUT(output.playedFrames(), kept + 100, 5000);
}

// Sound laid over frames still queued is heard in their place: a level
// of 4000 for 0.4 s, and a level of 8000 laid over its queued frames from
// 0.1 s after what the device had taken. Levels are scaled by the sink's
// volume, measured on the loudest part heard (4000 + 8000), since how much
// of the quieter sound played first (which wakes the sink) is still to be
// heard depends on the load of the machine.
void TestAudioOutput::soundMixedIntoTheQueueIsHeardWhereItWasLaid()
{
    const QString source = monitor::defaultMonitor();
    if (source.isEmpty())
        QSKIP("no sound server answers (scripts/start-sound-server starts one)");
    QTemporaryDir dir;
    Recorder recorder(source, dir.filePath(QStringLiteral("monitor.raw")));
    AlsaAudioOutput output;
    QTest::qWait(300);
    const qint64 wake = swf::AudioOutput::kRate / 5;
    feed(output, std::vector<qint16>(size_t(wake) * 2, 2000));
    QVERIFY(recorder.waitForSound(5000));
    QTRY_COMPARE_WITH_TIMEOUT(output.queuedFrames(), qint64(0), 2000);
    recorder.take();

    const qint64 frames = swf::AudioOutput::kRate * 4 / 10;
    const std::vector<qint16> level(size_t(frames) * 2, 4000);
    QCOMPARE(output.write(level.data(), frames), frames);
    qint64 laid = 0;
    const std::vector<qint16> louder(size_t(frames) * 2, 8000);
    // The device may take a period between the look and the mixing.
    for (int attempt = 0; attempt < 3 && laid == 0; ++attempt) {
        const qint64 queued = output.queuedFrames() - swf::AudioOutput::kRate / 10;
        QVERIFY(queued > 0);
        laid = output.mixIntoQueued(louder.data(), queued);
        QVERIFY(laid == 0 || laid == queued);
    }
    QVERIFY(laid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(output.playedFrames() >= wake + frames, 5000);
    QTest::qWait(300);

    const auto heard = recorder.take();
    QVERIFY(!heard.empty());
    const double gain = *std::max_element(heard.begin(), heard.end()) / 12000.0; // the sink's volume
    QVERIFY(gain > 0);
    auto at = [&](double threshold) {
        return std::find_if(heard.begin(), heard.end(), [&](double v) { return v > threshold; }) -
               heard.begin();
    };
    const auto start = at(3000 * gain);
    const auto laidFrom = at(8000 * gain);
    QVERIFY(start < qsizetype(heard.size()) && laidFrom < qsizetype(heard.size()));
    QVERIFY2(qAbs(laidFrom - start - (frames - laid)) <= 2,
             qPrintable(QStringLiteral("%1 %2 %3").arg(start).arg(laidFrom).arg(laid)));
    // Everything laid is heard, through to the end of the level.
    const auto end = std::find_if(heard.begin() + laidFrom, heard.end(),
                                  [&](double v) { return v < 8000 * gain; }) -
                     heard.begin();
    QVERIFY2(qAbs(end - laidFrom - laid) <= 2, qPrintable(QString::number(end - laidFrom)));
}

// The whole path: the widget plays a written movie through ALSA's default
// PCM into the sound server; its null sink's monitor hears the tone, in
// step with the frames, and hears nothing once the movie is stopped.
void TestAudioOutput::widgetPlaysTheToneAndStopSilencesIt()
{
    const QString source = monitor::defaultMonitor();
    if (source.isEmpty())
        QSKIP("no sound server answers (scripts/start-sound-server starts one)");
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("tone.swf")));
    QVERIFY(writeBytes(path, toneMovie(8)));

    Recorder recorder(source, dir.filePath(QStringLiteral("monitor.raw")));
    SwfMovieWidget widget(MovieControlCreation{});
    widget.resize(100, 100);
    widget.show();
    widget.SetMoviePath(path);
    // A sound server may take a while to wake its sink; the frames wait.
    QVERIFY(recorder.waitForSound(5000));
    const int firstFrame = widget.GetFramePosition();
    QTest::qWait(1000);
    const auto playing = recorder.take();
    const int frames = widget.GetFramePosition() - firstFrame;
    QVERIFY2(playing.size() > 30000, qPrintable(QString::number(playing.size())));
    QCOMPARE(dominantFrequency(playing, 44100), 440.0);
    // The sink's volume is the system's; the tone is well above silence.
    QVERIFY2(rms(playing) > 100, qPrintable(QString::number(rms(playing))));
    // Ten frames a second of sound heard, ten frames shown.
    QVERIFY2(frames >= 8 && frames <= 12, qPrintable(QString::number(frames)));

    widget.Stop();
    QTest::qWait(400);
    recorder.take();
    QTest::qWait(500);
    const auto stopped = recorder.take();
    QVERIFY2(rms(stopped) < 50, qPrintable(QString::number(rms(stopped))));

    // Play again from a seeked frame: the tone comes back.
    widget.SeekToFrame(30);
    widget.Play();
    QVERIFY(recorder.waitForSound(5000));
    QVERIFY(widget.GetFramePosition() >= 30);
}

// Half a second of silence, then a long tone started as an event sound:
// rewinding stops it (it starts again with its frame), and loading another
// movie stops it for good.
void TestAudioOutput::rewindAndLoadingSilenceTheOldSound()
{
    const QString source = monitor::defaultMonitor();
    if (source.isEmpty())
        QSKIP("no sound server answers (scripts/start-sound-server starts one)");
    QTemporaryDir dir;
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    const auto tone = swfwriter::sine(440.0, 22050, 4.0, 12000);
    const quint16 id = swfwriter::defineSound(w, swfwriter::pcmFormat(22050, 1),
                                              quint32(tone.size()), swfwriter::pcm16(tone));
    w.showFrame(5);
    swfwriter::startSound(w, id);
    w.showFrame(25);
    const QByteArray toneFile = QFile::encodeName(dir.filePath(QStringLiteral("late.swf")));
    QVERIFY(writeBytes(toneFile, w.finish()));
    swfwriter::SwfWriter quiet;
    quiet.showFrame(3);
    const QByteArray quietFile = QFile::encodeName(dir.filePath(QStringLiteral("quiet.swf")));
    QVERIFY(writeBytes(quietFile, quiet.finish()));

    Recorder recorder(source, dir.filePath(QStringLiteral("monitor.raw")));
    SwfMovieWidget widget(MovieControlCreation{});
    widget.SetMoviePath(toneFile);
    QVERIFY(recorder.waitForSound(5000));
    QTRY_VERIFY(widget.GetFramePosition() >= 8);
    widget.Rewind();
    QVERIFY(widget.GetFramePosition() < 3);
    QTest::qWait(150);
    recorder.take();
    QTest::qWait(150);
    const auto rewound = recorder.take();
    QVERIFY2(rms(rewound) < 50, qPrintable(QString::number(rms(rewound))));
    QVERIFY(recorder.waitForSound(3000)); // frame 5 again
    widget.SetMoviePath(quietFile);
    QTest::qWait(300);
    recorder.take();
    QTest::qWait(400);
    const auto loaded = recorder.take();
    QVERIFY(!loaded.empty());
    QVERIFY2(rms(loaded) < 50, qPrintable(QString::number(rms(loaded))));
}

QTEST_MAIN(TestAudioOutput)
#include "tst_audiooutput.moc"
