// orvanto-swf thumbnail, as the file manager's thumbnailer runs it: which
// frame stands for the movie, its size, the wall-clock limit, and how
// OUT.png is written.
#include "swftest_tools.h"
#include "tests/testfiles.h"
#include "tools/swftool/thumbnailframe.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

int runTool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(ORVANTO_SWF_TOOL), args);
    if (!process.waitForFinished(30000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

// A movie on dark blue whose red square first shows in frame `shows` (from
// 1; 0 for never) of `frames`, moving one step right in each frame after.
QByteArray squareMovie(int shows, int frames, QSize stage, swf::Compression compression)
{
    swfwriter::SwfWriter w;
    w.setCompression(compression);
    w.setStageSize(stage.width(), stage.height());
    w.setBackgroundColor({0x10, 0x20, 0xa0});
    const quint16 red = defineSquare(w, 8, {255, 0, 0});
    for (int frame = 1; frame <= frames; ++frame) {
        if (frame == shows)
            w.placeObject2(placeAt(1, red, 2, 2));
        else if (shows > 0 && frame > shows)
            w.placeObject2(moveTo(1, 2 + frame - shows, 2));
        w.showFrame();
    }
    return w.finish();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
}

} // namespace

class TestThumbnail : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void showsTheFirstFrameThatIsNotBlank_data();
    void showsTheFirstFrameThatIsNotBlank();
    void stopsWhenTimeRunsOut();
    void corpusMoviesFitTheirSize();
    void writesOutPngWholeOrNotAtAll();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestThumbnail::showsTheFirstFrameThatIsNotBlank_data()
{
    QTest::addColumn<int>("shows");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QSize>("stage");
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("expectedFrame"); // what render --frames shows
    QTest::addColumn<QSize>("expectedSize");
    const int none = int(swf::Compression::None);
    QTest::newRow("first frame") << 1 << 3 << QSize(64, 48) << none << 128 << 1 << QSize(128, 96);
    QTest::newRow("blank first frames")
        << 4 << 6 << QSize(64, 48) << none << 64 << 4 << QSize(64, 48);
    QTest::newRow("tall stage, zlib")
        << 2 << 3 << QSize(30, 60) << int(swf::Compression::Zlib) << 100 << 2 << QSize(50, 100);
    QTest::newRow("wide stage, LZMA")
        << 3 << 3 << QSize(80, 20) << int(swf::Compression::Lzma) << 40 << 3 << QSize(40, 10);
    // Past the hundredth frame the search gives up on the last one drawn.
    QTest::newRow("shows too late")
        << 101 << 102 << QSize(64, 48) << none << 32 << 100 << QSize(32, 24);
    QTest::newRow("never shows") << 0 << 5 << QSize(64, 48) << none << 32 << 5 << QSize(32, 24);
}

// The thumbnail is the picture render makes of the same frame at the same
// size, pixel for pixel.
void TestThumbnail::showsTheFirstFrameThatIsNotBlank()
{
    QFETCH(int, shows);
    QFETCH(int, frames);
    QFETCH(QSize, stage);
    QFETCH(int, compression);
    QFETCH(int, side);
    QFETCH(int, expectedFrame);
    QFETCH(QSize, expectedSize);
    const QString movie = path(QStringLiteral("movie.swf"));
    QVERIFY(writeBytes(QFile::encodeName(movie),
                       squareMovie(shows, frames, stage, swf::Compression(compression))));
    const QString thumbnail = path(QStringLiteral("thumbnail.png"));
    QCOMPARE(runTool({QStringLiteral("thumbnail"), movie, thumbnail, QStringLiteral("--size"),
                      QString::number(side)}),
             0);
    const QString rendered = path(QStringLiteral("rendered.png"));
    QCOMPARE(
        runTool({QStringLiteral("render"), movie, QStringLiteral("-o"), rendered,
                 QStringLiteral("--frames"), QString::number(expectedFrame),
                 QStringLiteral("--size"),
                 QStringLiteral("%1x%2").arg(expectedSize.width()).arg(expectedSize.height())}),
        0);
    const QImage image(thumbnail);
    QCOMPARE(image.size(), expectedSize);
    QCOMPARE(image, QImage(rendered));
    QCOMPARE(swftool::isPlainBackground(image, QColor(0x10, 0x20, 0xa0)),
             shows == 0 || shows > 100);
}

// The clock is asked before every further frame; once it says the time is
// up, the frame reached is the thumbnail.
void TestThumbnail::stopsWhenTimeRunsOut()
{
    const auto movie = mustParse(squareMovie(5, 6, QSize(64, 48), swf::Compression::None));
    QVERIFY(movie);
    swf::Player player(movie);
    int asked = 0;
    const QImage image = swftool::findThumbnailFrame(
        player, QSize(64, 48), swftool::ThumbnailLimits{100, [&asked] { return ++asked > 2; }});
    QCOMPARE(asked, 3);
    QCOMPARE(player.frame(), 2);
    QVERIFY(swftool::isPlainBackground(image, QColor(0x10, 0x20, 0xa0)));
}

// Real movies, plain and compressed: a picture that fits the square with one
// side filling it, and nothing else in the folder.
void TestThumbnail::corpusMoviesFitTheirSize()
{
    const QDir corpus(QStringLiteral(ORVANTO_CORPUS_DIR "/flashplayer/image"));
    const QStringList movies = corpus.entryList({QStringLiteral("*.swf")}, QDir::Files, QDir::Name);
    if (movies.isEmpty())
        QSKIP("the reference corpus is not here");
    QTemporaryDir out;
    int compressed = 0;
    for (qsizetype i = 0; i < movies.size(); i += movies.size() / 12 + 1) {
        const QString movie = corpus.filePath(movies[i]);
        QFile file(movie);
        QVERIFY(file.open(QIODevice::ReadOnly));
        compressed += file.read(1) == "C";
        const QString thumbnail = out.filePath(QStringLiteral("t.png"));
        QCOMPARE(runTool({QStringLiteral("thumbnail"), movie, thumbnail}), 0);
        const QImage image(thumbnail);
        QVERIFY2(image.width() == 256 || image.height() == 256, qPrintable(movies[i]));
        QVERIFY(image.width() <= 256 && image.height() <= 256);
        QCOMPARE(entries(out.path()), QStringList({QStringLiteral("t.png")}));
    }
    QVERIFY(compressed > 0);
}

// OUT.png is replaced by a rename: a link at its place is replaced, not
// written through; a failure leaves it as it was and no temporary file.
void TestThumbnail::writesOutPngWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString movie = dir.filePath(QStringLiteral("m.swf"));
    QVERIFY(writeBytes(QFile::encodeName(movie),
                       squareMovie(1, 1, QSize(16, 16), swf::Compression::None)));
    const QString target = dir.filePath(QStringLiteral("target"));
    QVERIFY(writeBytes(QFile::encodeName(target), "keep"));
    const QString out = dir.filePath(QStringLiteral("out.png"));
    QVERIFY(QFile::link(target, out));
    QCOMPARE(runTool({QStringLiteral("thumbnail"), movie, out}), 0);
    QVERIFY(!QFileInfo(out).isSymLink());
    QCOMPARE(QImage(out).size(), QSize(256, 256));
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep"));

    const QString damaged = dir.filePath(QStringLiteral("damaged.swf"));
    QVERIFY(writeBytes(QFile::encodeName(damaged), "CWS\x0a\xff\xff\xff\x7f garbage"));
    QCOMPARE(runTool({QStringLiteral("thumbnail"), damaged, out}), 1);
    QCOMPARE(QImage(out).size(), QSize(256, 256));
    QCOMPARE(
        runTool({QStringLiteral("thumbnail"), movie, dir.filePath(QStringLiteral("no/out.png"))}),
        1);
    QCOMPARE(runTool({QStringLiteral("thumbnail"), movie, out, QStringLiteral("--size"),
                      QStringLiteral("0")}),
             2);
    QCOMPARE(runTool({QStringLiteral("thumbnail"), movie}), 2);
    QCOMPARE(entries(dir.path()),
             QStringList({QStringLiteral("damaged.swf"), QStringLiteral("m.swf"),
                          QStringLiteral("out.png"), QStringLiteral("target")}));
}

QTEST_GUILESS_MAIN(TestThumbnail)
#include "tst_thumbnail.moc"
