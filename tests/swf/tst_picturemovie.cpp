// Pictures scripts load: a JPEG, PNG or GIF becomes a movie of one frame
// that shows it at its size in pixels; anything else, or a damaged
// picture, is refused without a movie.
#include "swf/runtime/picturemovie.h"
#include "swftest.h"

#include <QBuffer>

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage solid(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

} // namespace

class TestPictureMovie : public QObject {
    Q_OBJECT
private slots:
    void pictures_data();
    void pictures();
};

void TestPictureMovie::pictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size"); // empty: refused

    const QByteArray png = encoded(solid(QSize(12, 8), Qt::red), "PNG");
    QTest::newRow("png") << png << QSize(12, 8);
    QTest::newRow("gif") << encoded(solid(QSize(5, 7), Qt::red), "GIF") << QSize(5, 7);
    QTest::newRow("jpeg") << encoded(solid(QSize(16, 16), Qt::red), "JPEG") << QSize(16, 16);
    QTest::newRow("png cut short") << png.left(png.size() / 2) << QSize();
    QTest::newRow("jpeg start only") << QByteArray("\xff\xd8\xff") << QSize();
    QTest::newRow("text") << QByteArray("not a picture") << QSize();
    QTest::newRow("empty") << QByteArray() << QSize();
}

void TestPictureMovie::pictures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    if (size.isValid() && bytes.isEmpty())
        QSKIP("this Qt cannot write the format");
    const auto movie = swf::pictureMovie(bytes, 6);
    QCOMPARE(bool(movie), size.isValid());
    if (!movie)
        return;
    QCOMPARE((*movie)->frameCount(), 1);
    // Shown in a level of a larger white movie, the picture covers its own
    // size from the stage's corner and nothing beyond.
    swfwriter::SwfWriter w;
    w.setStageSize(40, 30);
    w.setBackgroundColor({255, 255, 255});
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    QVERIFY(player.loadLevel(1, *movie));
    swf::Renderer renderer;
    const QImage image =
        renderer.renderUnscaled(player, QSize(40, 30), swf::Renderer::backgroundOf(player));
    const QColor inside = image.pixelColor(size.width() / 2, size.height() / 2);
    QVERIFY2(inside.red() > 200 && inside.green() < 60, qPrintable(inside.name()));
    QCOMPARE(image.pixelColor(size.width() + 2, size.height() + 2), QColor(Qt::white));
}

QTEST_GUILESS_MAIN(TestPictureMovie)
#include "tst_picturemovie.moc"
