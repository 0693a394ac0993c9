// orvanto-swf export as users run it, with the files read back by FFmpeg's
// libraries: the streams of each format, what the options change, sound in
// step with the pictures, and Ctrl-C. The movie is frame-coded: frame k
// fills the stage with a colour of its own and its stream sound is a tone
// of a pitch of its own.
#include "mediareader.h"
#include "swftest_tools.h"
#include "tests/testfiles.h"
#include "tools/swfwriter/soundwriter.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <numbers>

namespace {

constexpr int kFrames = 30;
constexpr int kRate = 10; // frames a second
constexpr int kBlock = 44100 / kRate;

QColor frameColor(int k)
{
    return QColor::fromHsv(k * 360 / kFrames, 255, 230);
}

double framePitch(int k)
{
    return 400.0 + 100.0 * k;
}

// `frames` frames of 160 x 120 at 10 a second; frame k shows
// frameColor(k % 30) and sounds framePitch(k % 30) in a 44.1 kHz stream.
QByteArray frameCodedMovie(int frames = kFrames)
{
    swfwriter::SwfWriter movie;
    movie.setStageSize(160, 120);
    movie.setFrameRate(kRate);
    swfwriter::soundStreamHead(movie, swfwriter::pcmFormat(44100, 1), kBlock);
    QList<quint16> fills;
    for (int k = 0; k < kFrames; ++k) {
        const QColor c = frameColor(k);
        fills.append(
            defineSquare(movie, 200, {quint8(c.red()), quint8(c.green()), quint8(c.blue()), 255}));
    }
    for (int f = 0; f < frames; ++f) {
        const int k = f % kFrames;
        swfwriter::Place place = placeAt(1, fills[k], 0, 0);
        place.move = f > 0;
        movie.placeObject2(place);
        swfwriter::soundStreamBlock(
            movie, swfwriter::pcm16(swfwriter::sine(framePitch(k), 44100, 1.0 / kRate, 12000)));
        movie.showFrame();
    }
    return movie.finish();
}

struct Run {
    int exitCode = -1;
    QByteArray err;
};

Run runExport(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), QStringList{"export"} + args);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardError()};
}

// The frame whose colour is nearest.
int frameOfColor(const QColor &c)
{
    int best = -1;
    int bestDistance = INT_MAX;
    for (int k = 0; k < kFrames; ++k) {
        const QColor f = frameColor(k);
        const int d =
            qAbs(f.red() - c.red()) + qAbs(f.green() - c.green()) + qAbs(f.blue() - c.blue());
        if (d < bestDistance) {
            best = k;
            bestDistance = d;
        }
    }
    return best;
}

// The frame whose pitch is nearest to that of the sound from `from` to
// `to` seconds, counted by its rising zero crossings; -1 where it is silent.
int frameOfSound(const MediaFile &file, double from, double to)
{
    const auto at = [&](double t) {
        return qsizetype(std::llround((t - file.soundStart) * file.soundRate));
    };
    const qsizetype begin = qMax<qsizetype>(1, at(from));
    const qsizetype end = qMin<qsizetype>(qsizetype(file.sound.size()), at(to));
    if (end - begin < file.soundRate / 100)
        return -1;
    int crossings = 0;
    float peak = 0.0f;
    for (qsizetype i = begin; i < end; ++i) {
        crossings += file.sound[size_t(i - 1)] < 0.0f && file.sound[size_t(i)] >= 0.0f;
        peak = qMax(peak, std::abs(file.sound[size_t(i)]));
    }
    if (peak < 0.05f)
        return -1;
    const double pitch = crossings * double(file.soundRate) / double(end - begin);
    return int(std::lround((pitch - framePitch(0)) / 100.0));
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void writesEachFormat_data();
    void writesEachFormat();
    void optionsShapeTheFile_data();
    void optionsShapeTheFile();
    void soundKeepsStepWithThePictures_data();
    void soundKeepsStepWithThePictures();
    void refusesBadArguments_data();
    void refusesBadArguments();
    void ctrlCLeavesAValidFile();

private:
    QByteArray path(const char *name) const { return QFile::encodeName(m_dir.filePath(name)); }

    QTemporaryDir m_dir;
    QString m_movie;
};

void ExportTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_movie = m_dir.filePath(QStringLiteral("coded.swf"));
    QVERIFY(writeBytes(QFile::encodeName(m_movie), frameCodedMovie()));
}

void ExportTest::writesEachFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("codecs");
    QTest::newRow("MP4") << "out.mp4"
                         << "h264+aac";
    QTest::newRow("WebM") << "out.webm"
                          << "vp9+opus";
    QTest::newRow("GIF") << "out.gif"
                         << "gif";
}

// Three seconds of 160 x 120 at 10 pictures a second, each picture the
// colour of its frame.
void ExportTest::writesEachFormat()
{
    QFETCH(QString, name);
    QFETCH(QString, codecs);
    const QByteArray out = path(qPrintable(name));
    const Run run = runExport({m_movie, "-o", QFile::decodeName(out)});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(run.err.contains("30/30 frames"));
    const auto file = readMedia(out);
    QVERIFY(file);
    QCOMPARE(file->codecs(), codecs);
    QCOMPARE(file->streams.first().size, QSize(160, 120));
    QCOMPARE(file->pictures.size(), kFrames);
    QVERIFY2(qAbs(file->duration - 3.0) < 0.1, qPrintable(QString::number(file->duration)));
    for (int n = 0; n < kFrames; ++n)
        QCOMPARE(frameOfColor(file->pictures[n].second), n);
}

void ExportTest::optionsShapeTheFile_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<int>("firstFrame");
    QTest::addColumn<int>("lastFrame");
    QTest::newRow("size") << QStringList{"--size", "320x240"} << QSize(320, 240) << 30 << 0 << 29;
    QTest::newRow("odd size made even")
        << QStringList{"--size=161x99"} << QSize(162, 100) << 30 << 0 << 29;
    QTest::newRow("from, to") << QStringList{"--from", "11", "--to", "20"} << QSize(160, 120) << 10
                              << 10 << 19;
    QTest::newRow("loops") << QStringList{"--loops", "2"} << QSize(160, 120) << 60 << 0 << 29;
    QTest::newRow("part looped") << QStringList{"--from=26", "--loops=3"} << QSize(160, 120) << 15
                                 << 25 << 29;
    QTest::newRow("faster") << QStringList{"--fps", "25"} << QSize(160, 120) << 75 << 0 << 29;
    QTest::newRow("slower") << QStringList{"--fps", "5"} << QSize(160, 120) << 15 << 0 << 28;
}

void ExportTest::optionsShapeTheFile()
{
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(int, pictures);
    QFETCH(int, firstFrame);
    QFETCH(int, lastFrame);
    const QByteArray out = path("options.mp4");
    const Run run = runExport(QStringList{m_movie, "-o", QFile::decodeName(out)} + options);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const auto file = readMedia(out);
    QVERIFY(file);
    QCOMPARE(file->streams.first().size, size);
    QCOMPARE(file->pictures.size(), pictures);
    QCOMPARE(frameOfColor(file->pictures.first().second), firstFrame);
    QCOMPARE(frameOfColor(file->pictures.last().second), lastFrame);
}

void ExportTest::soundKeepsStepWithThePictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("MP4") << "sync.mp4";
    QTest::newRow("WebM") << "sync.webm";
}

// Through each picture's time on screen (its middle, clear of the edges
// the encoders blur), the sound is the tone of the frame it shows.
void ExportTest::soundKeepsStepWithThePictures()
{
    QFETCH(QString, name);
    const QByteArray out = path(qPrintable(name));
    const Run run = runExport({m_movie, "-o", QFile::decodeName(out), "--loops", "2"});
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const auto file = readMedia(out);
    QVERIFY(file);
    QCOMPARE(file->pictures.size(), 2 * kFrames);
    QVERIFY(file->soundRate > 0);
    for (const auto &[time, color] : file->pictures) {
        const int shown = frameOfColor(color);
        const double interval = 1.0 / kRate;
        const int heard = frameOfSound(*file, time + 0.2 * interval, time + 0.8 * interval);
        QVERIFY2(heard == shown, qPrintable(QStringLiteral("at %1 s frame %2 shown, %3 heard")
                                                .arg(time)
                                                .arg(shown)
                                                .arg(heard)));
    }
}

void ExportTest::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString out = QStringLiteral("bad.mp4");
    QTest::newRow("no output") << QStringList{"MOVIE"} << 2 << "usage";
    QTest::newRow("unknown format") << QStringList{"MOVIE", "-o", "bad.avi"} << 2 << ".mp4, .webm";
    QTest::newRow("size") << QStringList{"MOVIE", "-o", out, "--size", "0x10"} << 2 << "--size";
    QTest::newRow("from 0") << QStringList{"MOVIE", "-o", out, "--from", "0"} << 2 << "--from";
    QTest::newRow("from past the end")
        << QStringList{"MOVIE", "-o", out, "--from", "31"} << 1 << "frames 1 to 30";
    QTest::newRow("to before from")
        << QStringList{"MOVIE", "-o", out, "--from", "10", "--to", "5"} << 1 << "last frame";
    QTest::newRow("rate") << QStringList{"MOVIE", "-o", out, "--fps", "500"} << 1 << "frame rate";
    QTest::newRow("no such movie") << QStringList{"missing.swf", "-o", out} << 1 << "missing.swf";
}

// A refused export writes nothing.
void ExportTest::refusesBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    for (QString &arg : args) {
        if (arg == QLatin1String("MOVIE"))
            arg = m_movie;
        else if (arg.startsWith(QLatin1String("bad.")) || arg == QLatin1String("missing.swf"))
            arg = m_dir.filePath(arg);
    }
    const Run run = runExport(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("bad.mp4"))));
}

// Ctrl-C in the middle of a long export: the file holds the pictures done
// and plays; the process says it stopped.
void ExportTest::ctrlCLeavesAValidFile()
{
    const QByteArray movie = path("long.swf");
    QVERIFY(writeBytes(movie, frameCodedMovie(3000)));
    const QByteArray out = path("stopped.mp4");
    QProcess process;
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), {"export", QFile::decodeName(movie), "-o",
                                                     QFile::decodeName(out), "--size", "640x480"});
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += process.readAllStandardError()).contains(" s left"), 60000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(60000));
    err += process.readAllStandardError();
    QCOMPARE(process.exitCode(), 130);
    QVERIFY2(err.contains("export stopped"), err.constData());
    const auto file = readMedia(out);
    QVERIFY(file);
    QCOMPARE(file->codecs(), QStringLiteral("h264+aac"));
    QVERIFY(!file->pictures.isEmpty());
    QVERIFY(file->pictures.size() < 3000);
    QVERIFY(qAbs(file->duration - file->pictures.size() / double(kRate)) < 0.2);
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
