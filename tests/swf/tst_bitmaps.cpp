// Bitmaps on the stage: bitmap fills (one pixel per 20 twips under the
// fill's matrix; repeating or clipped with their edges extended; smoothed
// or not), bitmap characters placed directly, colour transforms on them,
// and the renderer's cache of decoded bitmaps.
#include "swftest.h"
#include "tools/swfwriter/bitmapwriter.h"
#include "tools/swfwriter/fillwriter.h"

#include <QTest>

namespace {

using swf::FillKind;

// 4 × 4 pixels: the left half red, the right half green; the top right
// pixel half-transparent blue.
QImage halves()
{
    QImage image(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, x < 2 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));
    }
    image.setPixel(3, 0, qRgba(0, 0, 255, 128));
    return image;
}

struct Scene {
    swfwriter::SwfWriter writer;
    quint16 bitmap = 0;

    explicit Scene(int w = 100, int h = 40)
    {
        writer.setStageSize(w, h);
        bitmap = swfwriter::defineBitsLossless(writer, halves(), swf::LosslessFormat::Rgb24, true);
    }

    // A rectangle of `area` pixels filled with the bitmap scaled `scale`
    // times, its origin at the area's top left.
    void fill(FillKind kind, const QRect &area, double scale, quint16 depth = 1,
              std::optional<swf::ColorTransform> cx = {})
    {
        swfwriter::ShapeBuilder b;
        b.rect(
            QRect(px(area.x()), px(area.y()), px(area.width()), px(area.height())),
            b.addRawFill(swfwriter::bitmapFill(
                kind, bitmap,
                swfwriter::scaleRotateTranslate(20 * scale, 20 * scale, 0, area.x(), area.y()))));
        swfwriter::Place p = placeAt(depth, writer.defineShape(b, 3), 0, 0);
        p.colorTransform = cx;
        writer.placeObject2(p);
    }

    QImage draw()
    {
        writer.showFrame();
        swf::Player player(mustParse(writer.finish()));
        return renderStage(player);
    }
};

} // namespace

class TestBitmaps : public QObject {
    Q_OBJECT
private slots:
    void onePixelPerTwentyTwips();
    void repeatingAndClipped();
    void smoothedOnlyWhenAsked();
    void placedDirectly();
    void colourTransforms();
    void decodedOncePerCharacter();
    void jpegBitmapFill();
};

void TestBitmaps::onePixelPerTwentyTwips()
{
    Scene scene;
    scene.fill(FillKind::ClippedBitmap, QRect(10, 10, 4, 4), 1.0);
    const QImage image = scene.draw();
    COMPARE_COLOR(pixelAt(image, 10, 12), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 11, 12), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 12, 12), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 13, 13), QColor(0, 255, 0));
    // Half-transparent blue over the white stage.
    COMPARE_COLOR(pixelAt(image, 13, 10), QColor(127, 127, 255));
    COMPARE_COLOR(pixelAt(image, 14, 12), QColor(Qt::white));
}

void TestBitmaps::repeatingAndClipped()
{
    // Both fills cover 12 × 4 pixels with a 4 × 4 bitmap.
    Scene scene;
    scene.fill(FillKind::NonSmoothedRepeatingBitmap, QRect(0, 0, 12, 4), 1.0, 1);
    scene.fill(FillKind::NonSmoothedClippedBitmap, QRect(0, 20, 12, 4), 1.0, 2);
    const QImage image = scene.draw();
    // Repeating: the tile starts again at x = 4 and 8.
    COMPARE_COLOR(pixelAt(image, 5, 2), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 10, 2), QColor(0, 255, 0));
    // Clipped: the right edge column (green) extends over the rest.
    COMPARE_COLOR(pixelAt(image, 5, 22), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 11, 22), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 1, 22), QColor(255, 0, 0));
}

void TestBitmaps::smoothedOnlyWhenAsked()
{
    // Scaled ten times, the red-green border at x = 20 is blended when
    // smoothed and sharp when not.
    Scene scene;
    scene.fill(FillKind::ClippedBitmap, QRect(0, 0, 40, 40), 10.0, 1);
    scene.fill(FillKind::NonSmoothedClippedBitmap, QRect(50, 0, 40, 40), 10.0, 2);
    const QImage image = scene.draw();
    const QColor smooth = pixelAt(image, 19, 25);
    QVERIFY2(smooth.red() > 20 && smooth.green() > 20, qPrintable(smooth.name()));
    COMPARE_COLOR(pixelAt(image, 69, 25), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 70, 25), QColor(0, 255, 0));
}

void TestBitmaps::placedDirectly()
{
    Scene scene;
    scene.writer.placeObject2(placeAt(1, scene.bitmap, 20, 10));
    swfwriter::Place twice = placeAt(2, scene.bitmap, 50, 10);
    twice.matrix = swfwriter::scaleRotateTranslate(2, 2, 0, 50, 10);
    scene.writer.placeObject2(twice);
    const QImage image = scene.draw();
    COMPARE_COLOR(pixelAt(image, 20, 12), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 23, 12), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 24, 12), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 52, 16), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 56, 16), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 57, 17), QColor(0, 255, 0));
}

void TestBitmaps::colourTransforms()
{
    // Red halved, alpha added: opaque pixels change colour, transparent
    // ones (outside the bitmap's area there are none; the fill's clamp
    // keeps edges) stay as they are.
    Scene scene;
    scene.fill(FillKind::NonSmoothedClippedBitmap, QRect(10, 10, 4, 4), 1.0, 1,
               swf::ColorTransform{128, 256, 256, 256, 0, 0, 0, 0});
    QImage transparent(2, 2, QImage::Format_ARGB32);
    transparent.fill(qRgba(0, 0, 0, 0));
    transparent.setPixel(0, 0, qRgba(255, 255, 255, 255));
    const quint16 clear =
        swfwriter::defineBitsLossless(scene.writer, transparent, swf::LosslessFormat::Rgb24, true);
    swfwriter::Place p = placeAt(2, clear, 60, 10);
    p.colorTransform = swf::ColorTransform{256, 256, 256, 256, 0, 0, 0, 200};
    scene.writer.placeObject2(p);
    const QImage image = scene.draw();
    COMPARE_COLOR(pixelAt(image, 10, 12), QColor(128, 0, 0));
    COMPARE_COLOR(pixelAt(image, 12, 12), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 60, 10), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 61, 11), QColor(Qt::white));
}

void TestBitmaps::decodedOncePerCharacter()
{
    Scene scene;
    scene.fill(FillKind::RepeatingBitmap, QRect(0, 0, 10, 10), 1.0, 1);
    scene.fill(FillKind::ClippedBitmap, QRect(20, 0, 10, 10), 2.0, 2);
    scene.writer.placeObject2(placeAt(3, scene.bitmap, 50, 0));
    scene.writer.showFrame();
    swf::Player player(mustParse(scene.writer.finish()));
    swf::Renderer renderer;
    renderer.render(player, QSize(100, 40), Qt::white);
    renderer.render(player, QSize(200, 80), Qt::white);
    QCOMPARE(renderer.bitmaps().decodedCount(), 1);
    // A bitmap missing from the dictionary draws nothing.
    swfwriter::SwfWriter other;
    other.setStageSize(20, 20);
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(20), px(20)),
           b.addRawFill(swfwriter::bitmapFill(FillKind::RepeatingBitmap, 77, {})));
    other.placeObject2(placeAt(1, other.defineShape(b, 3), 0, 0));
    other.showFrame();
    swf::Player missing(mustParse(other.finish()));
    const QImage image = renderer.render(missing, QSize(20, 20), Qt::white);
    COMPARE_COLOR(pixelAt(image, 10, 10), QColor(Qt::white));
    QCOMPARE(renderer.bitmaps().decodedCount(), 0);
}

void TestBitmaps::jpegBitmapFill()
{
    QImage blue(4, 4, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 200));
    swfwriter::SwfWriter w;
    w.setStageSize(20, 20);
    const quint16 id = swfwriter::defineBitsJpeg2(w, swfwriter::encodeJpeg(blue));
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(20), px(20)),
           b.addRawFill(swfwriter::bitmapFill(FillKind::RepeatingBitmap, id,
                                              swfwriter::scaleRotateTranslate(20, 20, 0, 0, 0))));
    w.placeObject2(placeAt(1, w.defineShape(b, 2), 0, 0));
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const QColor c = pixelAt(renderStage(player), 10, 10);
    QVERIFY2(qAbs(c.blue() - 200) < 6 && c.red() < 6, qPrintable(c.name()));
}

QTEST_GUILESS_MAIN(TestBitmaps)
#include "tst_bitmaps.moc"
