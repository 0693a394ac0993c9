// The ALSA side of the master volume: how elements and ranges are mapped
// (on any machine), and the controller and the volume bar driving a real
// sound server through ALSA's default mixer, checked with pactl. The real
// cases skip themselves, saying why, only where no sound server answers.
#include "volume/alsamapping.h"
#include "volume/alsamixer.h"
#include "volume/mastervolume.h"
#include "volume/volumebar.h"

#include <QCursor>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

using AlsaMapping::Element;

// The PulseAudio plugin presents a sink's volume as 0 … this (100 %).
constexpr long PulseNorm = 65536;

QList<QPair<quint32, quint32>> received;

void recordChange(quint32 value, quint32 data)
{
    received.append({value, data});
}

// Runs pactl; false when it failed.
bool runPactl(const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

QString pactl(const QStringList &arguments)
{
    QString output;
    runPactl(arguments, &output);
    return output;
}

const QString Sink = QStringLiteral("@DEFAULT_SINK@");

bool sinkMuted()
{
    return pactl({"get-sink-mute", Sink}).contains(QStringLiteral("yes"));
}

// The first channel's raw volume of the default sink; -1 when unknown.
long sinkVolume()
{
    static const QRegularExpression firstChannel(QStringLiteral(":\\s*(\\d+)\\s*/"));
    const QRegularExpressionMatch m = firstChannel.match(pactl({"get-sink-volume", Sink}));
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

bool setSinkVolume(long raw)
{
    return runPactl({"set-sink-volume", Sink, QString::number(raw)});
}

bool setSinkMute(bool mute)
{
    return runPactl({"set-sink-mute", Sink, mute ? "1" : "0"});
}

// Skips the calling test unless a sound server answers.
#define REQUIRE_SOUND_SERVER()                                                                     \
    do {                                                                                           \
        if (!runPactl({"info"}))                                                                   \
            QSKIP("no sound server can be reached (pactl info failed); "                           \
                  "scripts/start-sound-server starts one");                                        \
    } while (false)

} // namespace

class TestAlsaMixer : public QObject {
    Q_OBJECT

private slots:
    void speakerElement_data();
    void speakerElement();
    void scaling_data();
    void scaling();
    void presentedValuesSurviveAFinerElement();
    void selectedItem();

    void init();
    void cleanup();
    void controllerDrivesTheSoundServer();
    void changesElsewhereReachTheCallback();
    void volumeBarDrivesTheSoundServer();

private:
    // Test runs of several build folders share the one sound server: take
    // turns with the default sink.
    QLockFile sinkLock{QDir::tempPath() + QStringLiteral("/orvanto-default-sink.lock")};
    long savedVolume = -1;
    bool savedMute = false;
};

void TestAlsaMixer::speakerElement_data()
{
    QTest::addColumn<QList<Element>>("elements");
    QTest::addColumn<qsizetype>("chosen");

    const Element pcm{"PCM", 0, true, true};
    const Element master{"Master", 0, true, true};
    const Element headphone{"Headphone", 0, false, true};
    const Element capture{"Capture", 0, false, false};
    const Element line{"Line Out", 0, true, false};

    QTest::newRow("Master wins wherever it stands")
        << QList<Element>{pcm, capture, master} << qsizetype(2);
    QTest::newRow("then PCM") << QList<Element>{headphone, capture, pcm} << qsizetype(2);
    QTest::newRow("a switch alone serves") << QList<Element>{capture, headphone} << qsizetype(1);
    QTest::newRow("else the first with a volume")
        << QList<Element>{capture, line, Element{"Front", 0, true, true}} << qsizetype(1);
    QTest::newRow("a second Master does not count")
        << QList<Element>{Element{"Master", 1, true, true}, pcm} << qsizetype(1);
    QTest::newRow("capture only: none") << QList<Element>{capture} << qsizetype(-1);
}

void TestAlsaMixer::speakerElement()
{
    QFETCH(QList<Element>, elements);
    QFETCH(qsizetype, chosen);
    QCOMPARE(AlsaMapping::speakerElement(elements), chosen);
}

void TestAlsaMixer::scaling_data()
{
    QTest::addColumn<long>("min");
    QTest::addColumn<long>("max");
    QTest::addColumn<quint32>("presented");
    QTest::addColumn<long>("raw");

    QTest::newRow("pulse, zero") << 0L << PulseNorm << 0u << 0L;
    QTest::newRow("pulse, full") << 0L << PulseNorm << 65535u << PulseNorm;
    QTest::newRow("pulse, 40 %") << 0L << PulseNorm << 26214u << 26214L;
    QTest::newRow("codec 0..87, half") << 0L << 87L << 32768u << 44L;
    QTest::newRow("codec 0..87, full") << 0L << 87L << 65535u << 87L;
    QTest::newRow("negative range, bottom") << -10239L << 0L << 0u << -10239L;
    QTest::newRow("negative range, top") << -10239L << 0L << 65535u << 0L;
    QTest::newRow("empty range") << 5L << 5L << 0u << 5L;
}

void TestAlsaMixer::scaling()
{
    QFETCH(long, min);
    QFETCH(long, max);
    QFETCH(quint32, presented);
    QFETCH(long, raw);
    QCOMPARE(AlsaMapping::elementVolume(presented, min, max), raw);
    // Values from outside the range are pinned to its ends.
    QCOMPARE(AlsaMapping::presentedVolume(max + 100, min, max), max > min ? 65535u : 0u);
    QCOMPARE(AlsaMapping::presentedVolume(min - 100, min, max), 0u);
    QCOMPARE(AlsaMapping::elementVolume(0xFFFFFFFF, min, max), max);
}

// What the controller sets is what it reads back when the element is at
// least as fine as the presented range.
void TestAlsaMixer::presentedValuesSurviveAFinerElement()
{
    for (long max : {65535L, PulseNorm, 100000L}) {
        for (quint32 v = 0; v <= 65535; v += 1) {
            const long raw = AlsaMapping::elementVolume(v, 0, max);
            if (AlsaMapping::presentedVolume(raw, 0, max) != v)
                QFAIL(qPrintable(QStringLiteral("%1 of 0..%2 comes back as %3")
                                     .arg(v)
                                     .arg(max)
                                     .arg(AlsaMapping::presentedVolume(raw, 0, max))));
        }
    }
    QCOMPARE(AlsaMapping::volumeSteps(0, PulseNorm), 65535u);
    QCOMPARE(AlsaMapping::volumeSteps(0, 87), 87u);
}

void TestAlsaMixer::selectedItem()
{
    const quint32 all[3] = {1, 1, 1};
    const quint32 none[3] = {0, 0, 0};
    const quint32 third[3] = {0, 0, 1};
    QCOMPARE(AlsaMapping::selectedItem(all, 3, 2), 0u);
    QCOMPARE(AlsaMapping::selectedItem(none, 3, 2), 2u);
    QCOMPARE(AlsaMapping::selectedItem(third, 3, 0), 2u);
}

void TestAlsaMixer::init()
{
    received.clear();
    sinkLock.setStaleLockTime(0);
    QVERIFY(sinkLock.tryLock(60000));
    savedVolume = sinkVolume();
    savedMute = sinkMuted();
}

// The tests change the default sink; leave it as it was found.
void TestAlsaMixer::cleanup()
{
    if (savedVolume >= 0) {
        setSinkVolume(savedVolume);
        setSinkMute(savedMute);
    }
    sinkLock.unlock();
}

void TestAlsaMixer::controllerDrivesTheSoundServer()
{
    REQUIRE_SOUND_SERVER();
    QVERIFY(setSinkMute(true));
    QVERIFY(sinkMuted());

    MasterVolume volume(std::make_shared<AlsaMixer>());
    QVERIFY2(volume.IsAvailable(), "ALSA's default mixer has no usable volume control");
    QCOMPARE(volume.GetMinimum(), 0u);
    QCOMPARE(volume.GetMaximum(), 65535u);
    QCOMPARE(MasterVolume::NotifyTarget(), &volume);

    volume.Enable();
    QVERIFY(!sinkMuted());

    volume.SetVolume(26214);
    QCOMPARE(sinkVolume(), AlsaMapping::elementVolume(26214, 0, PulseNorm));
    QCOMPARE(volume.GetVolume(), 26214u);

    volume.SetVolume(65535);
    QCOMPARE(sinkVolume(), PulseNorm);
    QCOMPARE(volume.GetVolume(), 65535u);

    volume.Disable();
    QVERIFY(sinkMuted());
    volume.Enable();
    QVERIFY(!sinkMuted());
}

void TestAlsaMixer::changesElsewhereReachTheCallback()
{
    REQUIRE_SOUND_SERVER();
    QVERIFY(setSinkVolume(20000));
    MasterVolume volume(std::make_shared<AlsaMixer>());
    QVERIFY(volume.IsAvailable());
    volume.SetChangeCallback(&recordChange, 9);
    QCOMPARE(volume.GetVolume(), AlsaMapping::presentedVolume(20000, 0, PulseNorm));

    QVERIFY(setSinkVolume(30000));
    const quint32 expected = AlsaMapping::presentedVolume(30000, 0, PulseNorm);
    QTRY_VERIFY_WITH_TIMEOUT(received.contains(qMakePair(expected, 9u)), 5000);

    // A change of the mute alone is no volume change.
    received.clear();
    QVERIFY(setSinkMute(!sinkMuted()));
    QTest::qWait(300);
    QVERIFY(received.isEmpty());
}

void TestAlsaMixer::volumeBarDrivesTheSoundServer()
{
    REQUIRE_SOUND_SERVER();
    QVERIFY(setSinkVolume(13107));
    QVERIFY(setSinkMute(true));

    QWidget window;
    window.setGeometry(50, 50, 300, 100);
    auto *progress = new QProgressBar(&window);
    progress->setGeometry(10, 10, 125, 14);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    VolumeBar bar(progress, alsaVolumeControllerFactory());

    bar.StartUp();
    QVERIFY(!sinkMuted());
    QCOMPARE(progress->value(), int(AlsaMapping::presentedVolume(13107, 0, PulseNorm)));

    QVERIFY(setSinkMute(true));
    QCursor::setPos(progress->mapToGlobal(QPoint(100, 5)));
    bar.OnLeftButtonUp();
    QCOMPARE(progress->value(), 52400);
    QCOMPARE(sinkVolume(), AlsaMapping::elementVolume(52400, 0, PulseNorm));
    QVERIFY(!sinkMuted());
}

QTEST_MAIN(TestAlsaMixer)
#include "tst_alsamixer.moc"
