// orvanto-swf as users run it: its output, its exit codes, its files.
#include "swftest_tools.h"
#include "tests/testfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QList<QByteArray> &args)
{
    QProcess process;
    QStringList list;
    for (const QByteArray &a : args)
        list.append(QFile::decodeName(a));
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), list);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QByteArray threeFrameMovie(swf::Compression compression)
{
    swfwriter::SwfWriter w;
    w.setCompression(compression);
    w.setVersion(7);
    w.setStageSize(64, 48);
    w.setFrameRate(12.5);
    w.setBackgroundColor({0x10, 0x20, 0xa0});
    const quint16 red = defineSquare(w, 16, {255, 0, 0});
    w.placeObject2(placeAt(1, red, 0, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 16, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 32, 0));
    w.showFrame();
    return w.finish();
}

} // namespace

class TestSwfTool : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void infoPrintsTheHeader_data();
    void infoPrintsTheHeader();
    void infoReportsNullBackgroundAndLyingFrameCount();
    void infoRefusesWhatItCannotRead_data();
    void infoRefusesWhatItCannotRead();
    void namesThatAreNotUtf8();
    void renderShowsTheRequestedFrame();
    void renderScalesToTheRequestedSize();
    void decompressWritesThePlainMovie();
    void renderErrors_data();
    void renderErrors();

private:
    QByteArray path(const char *name) const
    {
        return QFile::encodeName(m_dir.filePath(QLatin1String(name)));
    }
    QTemporaryDir m_dir;
};

void TestSwfTool::infoPrintsTheHeader_data()
{
    QTest::addColumn<int>("compression");
    QTest::addColumn<QString>("name");
    QTest::newRow("FWS") << int(swf::Compression::None) << QStringLiteral("FWS");
    QTest::newRow("CWS") << int(swf::Compression::Zlib) << QStringLiteral("CWS");
    QTest::newRow("ZWS") << int(swf::Compression::Lzma) << QStringLiteral("ZWS");
}

void TestSwfTool::infoPrintsTheHeader()
{
    QFETCH(int, compression);
    QFETCH(QString, name);
    const QByteArray file = path("info.swf");
    QVERIFY(writeBytes(file, threeFrameMovie(swf::Compression(compression))));
    const Run run = runTool({"info", file});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    QCOMPARE(run.out.count('\n'), 1);
    const QJsonObject info = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(info.value(QLatin1String("version")).toInt(), 7);
    QCOMPARE(info.value(QLatin1String("compression")).toString(), name);
    QCOMPARE(info.value(QLatin1String("width")).toDouble(), 64.0);
    QCOMPARE(info.value(QLatin1String("height")).toDouble(), 48.0);
    QCOMPARE(info.value(QLatin1String("frameRate")).toDouble(), 12.5);
    QCOMPARE(info.value(QLatin1String("frameCount")).toInt(), 3);
    QCOMPARE(info.value(QLatin1String("backgroundColor")).toString(), QStringLiteral("#1020a0"));
    // SetBackgroundColor, DefineShape3, 3 × (PlaceObject2, ShowFrame), End.
    QCOMPARE(info.value(QLatin1String("tagCount")).toInt(), 9);
}

void TestSwfTool::infoReportsNullBackgroundAndLyingFrameCount()
{
    swfwriter::SwfWriter w;
    w.setStageRect(swf::Rect{0, 5510, 0, 4001}); // not whole pixels
    w.setFrameCountOverride(65535);
    w.showFrame();
    const QByteArray file = path("plain.swf");
    QVERIFY(writeBytes(file, w.finish()));
    const Run run = runTool({"info", file});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject info = QJsonDocument::fromJson(run.out).object();
    QVERIFY(info.value(QLatin1String("backgroundColor")).isNull());
    QCOMPARE(info.value(QLatin1String("frameCount")).toInt(), 65535);
    QCOMPARE(info.value(QLatin1String("width")).toDouble(), 275.5);
    QCOMPARE(info.value(QLatin1String("height")).toDouble(), 200.05);
}

void TestSwfTool::infoRefusesWhatItCannotRead_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("problem");
    QTest::newRow("not a movie") << QByteArray("GIF89a...") << QStringLiteral("signature");
    QTest::newRow("cut in the header")
        << threeFrameMovie(swf::Compression::None).left(12) << QStringLiteral("header");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("too short");
    QByteArray zws = threeFrameMovie(swf::Compression::Lzma);
    zws[12] = char(0xfe);
    QTest::newRow("damaged LZMA") << zws << QStringLiteral("LZMA");
}

void TestSwfTool::infoRefusesWhatItCannotRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    const QByteArray file = path("bad.swf");
    QVERIFY(writeBytes(file, content));
    const Run run = runTool({"info", file});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count('\n'), 1);
    QVERIFY2(run.err.contains(file), run.err.constData());
    QVERIFY2(QString::fromUtf8(run.err).contains(problem, Qt::CaseInsensitive),
             run.err.constData());

    const Run missing = runTool({"info", path("missing.swf")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.contains("missing.swf"));
    const Run directory = runTool({"info", QFile::encodeName(m_dir.path())});
    QCOMPARE(directory.exitCode, 1);
    // A FIFO without a writer must not hold the tool up.
    const QByteArray fifo = path("fifo.swf");
    ::unlink(fifo.constData());
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    const Run pipe = runTool({"info", fifo});
    QCOMPARE(pipe.exitCode, 1);
    QVERIFY(pipe.err.contains("regular file"));
}

void TestSwfTool::namesThatAreNotUtf8()
{
    // Latin-1 "é" alone is not valid UTF-8; the name must still reach the file.
    const QByteArray file = QFile::encodeName(m_dir.path()) + "/caf\xe9.swf";
    QVERIFY(writeBytes(file, threeFrameMovie(swf::Compression::Zlib)));
    // The shell builds the argument from raw bytes, as a user's shell would.
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" info \"$(printf 'caf\\351.swf')\""),
                   QStringLiteral(ORVANTO_SWF_TOOL)});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().contains("\"frameCount\":3"));
}

void TestSwfTool::renderShowsTheRequestedFrame()
{
    const QByteArray file = path("frames.swf");
    QVERIFY(writeBytes(file, threeFrameMovie(swf::Compression::None)));
    for (int frames = 1; frames <= 4; ++frames) {
        const QByteArray out = path("frame.png");
        const Run run =
            runTool({"render", file, "-o", out, "--frames", QByteArray::number(frames)});
        QCOMPARE(run.exitCode, 0);
        const QImage image(QFile::decodeName(out));
        QCOMPARE(image.size(), QSize(64, 48));
        // The square sits in column (frames - 1) % 3 of the three.
        const int column = (frames - 1) % 3;
        for (int c = 0; c < 3; ++c) {
            const QColor expected = c == column ? QColor(255, 0, 0) : QColor(0x10, 0x20, 0xa0);
            COMPARE_COLOR(pixelAt(image, c * 16 + 8, 8), expected);
        }
    }
}

void TestSwfTool::renderScalesToTheRequestedSize()
{
    swfwriter::SwfWriter w; // no background colour: white
    w.setStageSize(40, 20);
    w.placeObject2(placeAt(1, defineSquare(w, 20, {0, 0, 0}), 0, 0));
    w.showFrame();
    const QByteArray file = path("scaled.swf");
    QVERIFY(writeBytes(file, w.finish()));
    const QByteArray out = path("scaled.png");
    const Run run = runTool({"render", file, "-o", out, "--size", "80x80"});
    QCOMPARE(run.exitCode, 0);
    const QImage image(QFile::decodeName(out));
    QCOMPARE(image.size(), QSize(80, 80));
    COMPARE_COLOR(pixelAt(image, 20, 10), QColor(Qt::white)); // margin above
    COMPARE_COLOR(pixelAt(image, 20, 40), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 60, 40), QColor(Qt::white)); // stage, outside the square
}

void TestSwfTool::decompressWritesThePlainMovie()
{
    const QByteArray plain = threeFrameMovie(swf::Compression::None);
    for (auto compression : {swf::Compression::Zlib, swf::Compression::Lzma}) {
        const QByteArray packed = path("packed.swf");
        QVERIFY(writeBytes(packed, threeFrameMovie(compression)));
        const QByteArray out = path("plain.swf");
        QCOMPARE(runTool({"decompress", packed, "-o", out}).exitCode, 0);
        QFile written(QFile::decodeName(out));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), plain);
    }
    // Cut short: the written movie declares the length it holds.
    const QByteArray cut = path("cut.swf");
    QVERIFY(writeBytes(cut, threeFrameMovie(swf::Compression::Zlib).chopped(20)));
    const QByteArray out = path("cutplain.swf");
    QCOMPARE(runTool({"decompress", cut, "-o", out}).exitCode, 0);
    QFile written(QFile::decodeName(out));
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.size() < plain.size());
    QCOMPARE(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size()));
    QVERIFY(swf::parseMovie(bytes));
}

void TestSwfTool::renderErrors_data()
{
    QTest::addColumn<QList<QByteArray>>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no output") << QList<QByteArray>{"render", "x.swf"} << 2;
    QTest::newRow("frames zero") << QList<QByteArray>{"render", "x.swf",    "-o",
                                                      "x.png",  "--frames", "0"}
                                 << 2;
    QTest::newRow("bad size") << QList<QByteArray>{"render", "x.swf",  "-o",
                                                   "x.png",  "--size", "10by10"}
                              << 2;
    QTest::newRow("missing movie")
        << QList<QByteArray>{"render", "/nonexistent/x.swf", "-o", "x.png"} << 1;
    QTest::newRow("unknown command") << QList<QByteArray>{"explode"} << 2;
}

void TestSwfTool::renderErrors()
{
    QFETCH(QList<QByteArray>, args);
    QFETCH(int, exitCode);
    const Run run = runTool(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestSwfTool)
#include "tst_swftool.moc"
