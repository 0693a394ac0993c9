// orvanto-swf audio and sounds as users run them, and the reference corpus:
// the decoded samples of every sound started must match what the Flash
// Player produced, sample by sample, within 1.
#include "swftest_tools.h"
#include "tests/testfiles.h"
#include "tools/swfwriter/soundwriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray err;
};

Run runTool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), args);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardError()};
}

std::vector<qint16> readSamples(const QString &path)
{
    QFile file(path);
    std::vector<qint16> samples;
    if (!file.open(QIODevice::ReadOnly))
        return samples;
    const QByteArray bytes = file.readAll();
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(qFromLittleEndian<qint16>(bytes.constData() + i));
    return samples;
}

struct Difference {
    int largest = 0;
    double shareOffByMoreThanOne = 0.0;
};

// Samples past the shorter file count as off.
Difference compare(const std::vector<qint16> &reference, const std::vector<qint16> &ours)
{
    Difference d;
    const size_t common = std::min(reference.size(), ours.size());
    size_t off = std::max(reference.size(), ours.size()) - common;
    for (size_t i = 0; i < common; ++i) {
        const int diff = std::abs(int(reference[i]) - int(ours[i]));
        d.largest = std::max(d.largest, diff);
        off += diff > 1;
    }
    const size_t total = std::max(reference.size(), ours.size());
    d.shareOffByMoreThanOne = total ? double(off) / double(total) : 0.0;
    return d;
}

} // namespace

class TestSounds : public QObject {
    Q_OBJECT
private slots:
    void corpusMatchesTheReferences();
    void audioWritesTheMixOfTheFramesPlayed();
    void soundsNamesFilesByFrameAndOrder();
    void badArgumentsAndFiles_data();
    void badArgumentsAndFiles();
};

// Per reference file: the largest difference and the share of samples off
// by more than 1, printed for the record. Every file must match within 1.
void TestSounds::corpusMatchesTheReferences()
{
    const QDir corpus(QStringLiteral(ORVANTO_CORPUS_DIR "/flashplayer/sound"));
    if (!corpus.exists())
        QSKIP("no reference corpus");
    QTemporaryDir out;
    const QStringList movies = corpus.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
    QVERIFY(!movies.isEmpty());
    QStringList failures;
    for (const QString &movie : movies) {
        const Run sounds = runTool(
            {QStringLiteral("sounds"), corpus.filePath(movie), QStringLiteral("-o"), out.path()});
        QCOMPARE(sounds.exitCode, 0);
        const QStringList references =
            corpus.entryList({movie + QStringLiteral(".*.raw")}, QDir::Files, QDir::Name);
        const QStringList ours =
            QDir(out.path()).entryList({movie + QStringLiteral(".*.raw")}, QDir::Files, QDir::Name);
        QCOMPARE(ours, references);
        for (const QString &name : references) {
            const auto reference = readSamples(corpus.filePath(name));
            const auto decoded = readSamples(QDir(out.path()).filePath(name));
            const Difference d = compare(reference, decoded);
            qInfo().noquote()
                << QStringLiteral("%1: %2 samples, largest difference %3, %4% off by more than 1")
                       .arg(name)
                       .arg(reference.size())
                       .arg(d.largest)
                       .arg(100.0 * d.shareOffByMoreThanOne, 0, 'f', 2);
            if (d.largest > 1 || d.shareOffByMoreThanOne > 0.0)
                failures << name;
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral(", "))));
}

// A 10 fps movie with a 44.1 kHz stereo sound: three frames are three
// tenths of a second of mix, the sound in it sample for sample.
void TestSounds::audioWritesTheMixOfTheFramesPlayed()
{
    QTemporaryDir dir;
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    std::vector<qint16> sound;
    for (int i = 0; i < 2000; ++i) {
        sound.push_back(qint16(i));
        sound.push_back(qint16(-i));
    }
    const quint16 id =
        swfwriter::defineSound(w, swfwriter::pcmFormat(44100, 2), 2000, swfwriter::pcm16(sound));
    swfwriter::startSound(w, id);
    w.showFrame(5);
    const QString movie = dir.filePath(QStringLiteral("beep.swf"));
    QVERIFY(writeBytes(QFile::encodeName(movie), w.finish()));
    const QString raw = dir.filePath(QStringLiteral("beep.raw"));
    QCOMPARE(runTool({QStringLiteral("audio"), movie, QStringLiteral("-o"), raw,
                      QStringLiteral("--frames"), QStringLiteral("3")})
                 .exitCode,
             0);
    const auto mix = readSamples(raw);
    QCOMPARE(mix.size(), size_t(3 * 4410 * 2));
    QVERIFY(std::equal(sound.begin(), sound.end(), mix.begin()));
    QVERIFY(std::all_of(mix.begin() + qint64(sound.size()), mix.end(),
                        [](qint16 s) { return s == 0; }));
    // Ten frames by default.
    QCOMPARE(runTool({QStringLiteral("audio"), movie, QStringLiteral("-o"), raw}).exitCode, 0);
    QCOMPARE(readSamples(raw).size(), size_t(10 * 4410 * 2));
}

// Two sounds in frame 1, a stream from frame 3: NAME.swf.1.0, .1.1 and
// .3.0, at their own rates and channel counts.
void TestSounds::soundsNamesFilesByFrameAndOrder()
{
    QTemporaryDir dir;
    swfwriter::SwfWriter w;
    w.setFrameRate(10);
    const quint16 a =
        swfwriter::defineSound(w, swfwriter::pcmFormat(11025, 1), 3, swfwriter::pcm16({1, 2, 3}));
    const quint16 b = swfwriter::defineSound(w, swfwriter::pcmFormat(22050, 2), 2,
                                             swfwriter::pcm16({4, 5, 6, 7}));
    swfwriter::startSound(w, b);
    swfwriter::startSound(w, a);
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(5512, 1), 2);
    w.showFrame(2);
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({8, 9}));
    w.showFrame();
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({10, 11}));
    w.showFrame();
    swfwriter::soundStreamBlock(w, swfwriter::pcm16({12, 13}));
    w.showFrame();
    const QString movie = dir.filePath(QStringLiteral("mix.swf"));
    QVERIFY(writeBytes(QFile::encodeName(movie), w.finish()));
    const QString out = dir.filePath(QStringLiteral("out"));
    QCOMPARE(runTool({QStringLiteral("sounds"), movie, QStringLiteral("-o"), out,
                      QStringLiteral("--frames=4")})
                 .exitCode,
             0);
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
             QStringList({QStringLiteral("mix.swf.1.0.raw"), QStringLiteral("mix.swf.1.1.raw"),
                          QStringLiteral("mix.swf.3.0.raw")}));
    QCOMPARE(readSamples(out + QStringLiteral("/mix.swf.1.0.raw")),
             std::vector<qint16>({4, 5, 6, 7}));
    QCOMPARE(readSamples(out + QStringLiteral("/mix.swf.1.1.raw")), std::vector<qint16>({1, 2, 3}));
    // The stream holds the blocks of frames 3 and 4, the frames played.
    QCOMPARE(readSamples(out + QStringLiteral("/mix.swf.3.0.raw")),
             std::vector<qint16>({8, 9, 10, 11}));
}

void TestSounds::badArgumentsAndFiles_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("audio without output")
        << QStringList({QStringLiteral("audio"), QStringLiteral("x.swf")}) << 2
        << QStringLiteral("usage: orvanto-swf audio FILE -o OUT.raw [--frames N]");
    QTest::newRow("sounds with zero frames")
        << QStringList({QStringLiteral("sounds"), QStringLiteral("x.swf"), QStringLiteral("-o"),
                        QStringLiteral("d"), QStringLiteral("--frames"), QStringLiteral("0")})
        << 2 << QStringLiteral("--frames needs a whole number from 1");
    QTest::newRow("missing movie")
        << QStringList({QStringLiteral("sounds"), QStringLiteral("/nonexistent/x.swf"),
                        QStringLiteral("-o"), QStringLiteral("d")})
        << 1 << QStringLiteral("/nonexistent/x.swf:");
}

void TestSounds::badArgumentsAndFiles()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run run = runTool(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
}

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
