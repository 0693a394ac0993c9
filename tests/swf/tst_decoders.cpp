// The bitmap decoders on good and damaged data: JPEG streams as real
// movies carry them, zlib bitmaps, palettes, absurd sizes; and whole
// movies with damaged bitmap and morph definitions, which must load,
// leave the damaged character out or undrawn, and draw the rest.
#include "swf/codec/bitmapdecoder.h"
#include "swf/codec/jpegdecoder.h"
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/bitmap.h"
#include "swf/model/morphshape.h"
#include "swftest.h"
#include "tools/swfwriter/bitmapwriter.h"
#include "tools/swfwriter/fillwriter.h"
#include "tools/swfwriter/morphwriter.h"

#include <QBuffer>
#include <QTest>

namespace {

const QByteArray kEoiSoi("\xff\xd9\xff\xd8", 4);

// An 8 × 8 image in four solid quarters: red, green, blue, white.
QImage quarters()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const QRgb c = y < 4 ? (x < 4 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                 : (x < 4 ? qRgb(0, 0, 255) : qRgb(255, 255, 255));
            image.setPixel(x, y, c);
        }
    }
    return image;
}

std::unique_ptr<swf::Bitmap> jpegBitmap(const QByteArray &data, const QByteArray &alpha = {})
{
    auto bitmap = std::make_unique<swf::Bitmap>(1);
    bitmap->tagCode =
        alpha.isEmpty() ? swf::TagCode::DefineBitsJpeg2 : swf::TagCode::DefineBitsJpeg3;
    bitmap->imageData = data;
    bitmap->alphaData = alpha;
    return bitmap;
}

std::unique_ptr<swf::Bitmap> losslessBitmap(swf::LosslessFormat format, int w, int h,
                                            const QByteArray &raw, bool alpha = false,
                                            int tableSize = 0)
{
    auto bitmap = std::make_unique<swf::Bitmap>(1);
    bitmap->source = alpha ? swf::BitmapSource::Lossless2 : swf::BitmapSource::Lossless;
    bitmap->tagCode = alpha ? swf::TagCode::DefineBitsLossless2 : swf::TagCode::DefineBitsLossless;
    bitmap->format = format;
    bitmap->width = quint16(w);
    bitmap->height = quint16(h);
    bitmap->colorTableSize = tableSize;
    bitmap->zlibData = swfwriter::zlib(raw);
    return bitmap;
}

// Within a few units, as JPEG allows.
bool close(QRgb a, QRgb b, int tolerance = 12)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance && qAbs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

void checkQuarters(const QImage &image)
{
    QCOMPARE(image.size(), QSize(8, 8));
    QVERIFY(close(image.pixel(1, 1), qRgb(255, 0, 0)));
    QVERIFY(close(image.pixel(6, 1), qRgb(0, 255, 0)));
    QVERIFY(close(image.pixel(1, 6), qRgb(0, 0, 255)));
    QVERIFY(close(image.pixel(6, 6), qRgb(255, 255, 255)));
}

} // namespace

class TestDecoders : public QObject {
    Q_OBJECT
private slots:
    void damagedJpegHeadersAreRepaired_data();
    void damagedJpegHeadersAreRepaired();
    void jpegTablesJoinTheImage();
    void jpegAlphaPlaneIsPremultipliedAlready();
    void pngInsideAJpegTag();
    void losslessFormats();
    void colorMappedRowsArePaddedAndPalettesPremultiplied();
    void badBitmapsAreRefused_data();
    void badBitmapsAreRefused();
    void damagedDefinitionsLoadAndDraw_data();
    void damagedDefinitionsLoadAndDraw();
};

void TestDecoders::damagedJpegHeadersAreRepaired_data()
{
    QTest::addColumn<QByteArray>("stream");
    const QByteArray jpeg = swfwriter::encodeJpeg(quarters());
    const auto [tables, image] = swfwriter::splitJpegTables(jpeg);
    QTest::newRow("plain") << jpeg;
    QTest::newRow("EOI SOI before the stream") << kEoiSoi + jpeg;
    // Tables and image as two streams in one: SOI tables EOI SOI image EOI.
    QTest::newRow("EOI SOI between tables and image") << tables + image;
    QTest::newRow("both") << kEoiSoi + tables + image;
    QTest::newRow("tables stream after an extra SOI") << tables.left(2) + tables + image;
    // Both streams carrying the damaged header, as DefineBits with JPEGTables.
    QTest::newRow("EOI SOI before each stream") << kEoiSoi + tables + kEoiSoi + image;
}

void TestDecoders::damagedJpegHeadersAreRepaired()
{
    QFETCH(QByteArray, stream);
    auto image = swf::decodeJpeg(stream);
    QVERIFY2(image.ok(), image.ok() ? "" : qPrintable(image.error().toString()));
    checkQuarters(*image);
    // The repaired stream holds one start of image and no end before its scan.
    const QByteArray repaired = swf::repairJpegStream(stream);
    QVERIFY(repaired.startsWith("\xff\xd8"));
    QCOMPARE(repaired.count(QByteArray("\xff\xd8", 2)), 1);
}

void TestDecoders::jpegTablesJoinTheImage()
{
    // DefineBits keeps only the image; the tables come from JPEGTables.
    const auto [tables, image] = swfwriter::splitJpegTables(swfwriter::encodeJpeg(quarters()));
    swfwriter::SwfWriter w;
    w.setStageSize(8, 8);
    swfwriter::jpegTables(w, kEoiSoi + tables);
    const quint16 id = swfwriter::defineBits(w, image);
    w.showFrame();
    const auto movie = mustParse(w.finish());
    const auto *bitmap = dynamic_cast<const swf::Bitmap *>(movie->character(id));
    QVERIFY(bitmap);
    auto decoded = swf::decodeBitmap(*bitmap);
    QVERIFY(decoded.ok());
    checkQuarters(*decoded);
    // Without the tables the image cannot be read.
    QVERIFY(!swf::decodeJpeg(image).ok());
}

void TestDecoders::jpegAlphaPlaneIsPremultipliedAlready()
{
    // A grey JPEG with an alpha plane that falls from 255 to 0 by rows: the
    // Flash Player takes the JPEG's colours as premultiplied by that alpha.
    QImage grey(8, 8, QImage::Format_RGB32);
    grey.fill(qRgb(100, 100, 100));
    QByteArray alpha;
    for (int y = 0; y < 8; ++y)
        alpha.append(QByteArray(8, char(255 - y * 36)));
    swfwriter::SwfWriter w;
    const quint16 id = swfwriter::defineBitsJpeg3(w, swfwriter::encodeJpeg(grey), alpha, 1.5);
    w.showFrame();
    const auto movie = mustParse(w.finish());
    const auto *bitmap = dynamic_cast<const swf::Bitmap *>(movie->character(id));
    QVERIFY(bitmap);
    QCOMPARE(bitmap->deblocking, 1.5);
    auto decoded = swf::decodeBitmap(*bitmap);
    QVERIFY(decoded.ok());
    QVERIFY(close(decoded->pixel(3, 0), qRgba(100, 100, 100, 255), 3));
    QVERIFY(close(decoded->pixel(3, 2), qRgba(100, 100, 100, 183), 3));
    // Colours above their alpha are clamped to it, never left invalid.
    QCOMPARE(qAlpha(decoded->pixel(3, 7)), 3);
    QVERIFY(qRed(decoded->pixel(3, 7)) <= 3);
    // A plane cut short leaves the rest opaque.
    const auto cut =
        jpegBitmap(bitmap->imageData, bitmap->alphaData.left(bitmap->alphaData.size() / 3));
    auto partial = swf::decodeBitmap(*cut);
    QVERIFY(partial.ok());
    QCOMPARE(qAlpha(partial->pixel(7, 7)), 255);
}

void TestDecoders::pngInsideAJpegTag()
{
    QImage image = quarters().convertToFormat(QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "png"));
    auto decoded = swf::decodeBitmap(*jpegBitmap(png));
    QVERIFY(decoded.ok());
    checkQuarters(*decoded);
    QCOMPARE(qAlpha(decoded->pixel(0, 0)), 0);
}

void TestDecoders::losslessFormats()
{
    const QImage image = quarters();
    for (auto format : {swf::LosslessFormat::ColorMapped8, swf::LosslessFormat::Rgb15,
                        swf::LosslessFormat::Rgb24}) {
        for (bool alpha : {false, true}) {
            if (alpha && format == swf::LosslessFormat::Rgb15)
                continue; // not allowed in DefineBitsLossless2
            swfwriter::SwfWriter w;
            const quint16 id = swfwriter::defineBitsLossless(w, image, format, alpha);
            w.showFrame();
            const auto movie = mustParse(w.finish());
            const auto *bitmap = dynamic_cast<const swf::Bitmap *>(movie->character(id));
            QVERIFY(bitmap);
            auto decoded = swf::decodeBitmap(*bitmap);
            QVERIFY2(decoded.ok(), qPrintable(QStringLiteral("format %1").arg(int(format))));
            QCOMPARE(decoded->format(), QImage::Format_ARGB32_Premultiplied);
            checkQuarters(*decoded);
        }
    }
}

void TestDecoders::colorMappedRowsArePaddedAndPalettesPremultiplied()
{
    // 3 × 2 pixels: rows of three indices padded to four bytes. The
    // palette's second entry is premultiplied half-transparent red.
    QByteArray raw;
    raw += QByteArray("\x00\x00\xff\xff", 4); // opaque blue
    raw += QByteArray("\x80\x00\x00\x80", 4); // red at half alpha, premultiplied
    raw += QByteArray("\x00\x01\x05\x00", 4); // row 0: 0, 1, index 5 (past the palette), pad
    raw += QByteArray("\x01\x00\x01\x00", 4); // row 1
    auto decoded =
        swf::decodeBitmap(*losslessBitmap(swf::LosslessFormat::ColorMapped8, 3, 2, raw, true, 2));
    QVERIFY(decoded.ok());
    QCOMPARE(decoded->pixel(0, 0), qRgba(0, 0, 255, 255));
    QCOMPARE(decoded->pixel(1, 0), qRgba(128, 0, 0, 128));
    QCOMPARE(decoded->pixel(2, 0), qRgba(0, 0, 0, 0));
    QCOMPARE(decoded->pixel(0, 1), qRgba(128, 0, 0, 128));
    QCOMPARE(decoded->pixel(1, 1), qRgba(0, 0, 255, 255));
    // The last row's padding may be missing.
    raw.chop(1);
    QVERIFY(
        swf::decodeBitmap(*losslessBitmap(swf::LosslessFormat::ColorMapped8, 3, 2, raw, true, 2))
            .ok());
}

void TestDecoders::badBitmapsAreRefused_data()
{
    QTest::addColumn<int>("kind"); // 0 JPEG family, 1 lossless
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("code");
    const QByteArray jpeg = swfwriter::encodeJpeg(quarters());
    QByteArray huge = jpeg;
    // SOF0 of the 8 × 8 image: FF C0, length, precision, height, width.
    const qsizetype sof = huge.indexOf(QByteArray("\xff\xc0", 2));
    huge[sof + 5] = char(0x75); // 30000 rows
    huge[sof + 6] = char(0x30);
    huge[sof + 7] = char(0x75); // of 30000 pixels
    huge[sof + 8] = char(0x30);
    QTest::newRow("JPEG garbage") << 0 << QByteArray("\xff\xd8\x12\x34garbage", 11) << 0 << 0 << 0
                                  << int(swf::ErrorCode::Malformed);
    QTest::newRow("JPEG empty") << 0 << QByteArray() << 0 << 0 << 0
                                << int(swf::ErrorCode::Truncated);
    QTest::newRow("JPEG tables only") << 0 << swfwriter::splitJpegTables(jpeg).first << 0 << 0 << 0
                                      << int(swf::ErrorCode::Malformed);
    QTest::newRow("JPEG of 30000 × 30000")
        << 0 << huge << 0 << 0 << 0 << int(swf::ErrorCode::TooLarge);
    QTest::newRow("PNG damaged") << 0 << QByteArray("\x89PNG\r\n\x1a\nrubbish", 15) << 0 << 0 << 0
                                 << int(swf::ErrorCode::Malformed);
    const QByteArray rgb24(4 * 4 * 4, '\x7f');
    QTest::newRow("lossless zero width")
        << 1 << rgb24 << 0 << 4 << 5 << int(swf::ErrorCode::Malformed);
    QTest::newRow("lossless absurd")
        << 1 << rgb24 << 60000 << 60000 << 5 << int(swf::ErrorCode::TooLarge);
    QTest::newRow("lossless short")
        << 1 << rgb24.left(40) << 4 << 4 << 5 << int(swf::ErrorCode::Truncated);
    QTest::newRow("palette beyond the data")
        << 1 << QByteArray(20, '\x01') << 4 << 4 << 3 << int(swf::ErrorCode::Truncated);
    QTest::newRow("zlib damaged") << 2 << QByteArray("\x78\x9c\xff\xff\xff\xff", 6) << 4 << 4 << 5
                                  << int(swf::ErrorCode::Truncated);
}

void TestDecoders::badBitmapsAreRefused()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, data);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, format);
    QFETCH(int, code);
    std::unique_ptr<swf::Bitmap> bitmap;
    if (kind == 0) {
        bitmap = jpegBitmap(data);
    } else {
        bitmap = losslessBitmap(swf::LosslessFormat(format), width, height, data, false,
                                format == 3 ? 256 : 0);
        if (kind == 2)
            bitmap->zlibData = data; // the stream itself damaged
    }
    auto decoded = swf::decodeBitmap(*bitmap);
    QVERIFY(!decoded.ok());
    QCOMPARE(int(decoded.error().code), code);
    QVERIFY(!decoded.error().message.isEmpty());
}

void TestDecoders::damagedDefinitionsLoadAndDraw_data()
{
    // Each movie: a damaged definition used by the shape at depth 1 (or
    // placed there), and a good green square at depth 2 beside it.
    QTest::addColumn<QByteArray>("definition");
    QTest::addColumn<int>("tag");
    QTest::addColumn<bool>("defined");
    QTest::addColumn<bool>("placeDirectly");
    auto body = [](quint16 id, const QByteArray &rest) {
        swfwriter::BitWriter w;
        w.u16(id);
        w.bytes(rest);
        return w.data();
    };
    const QImage image = quarters();
    QByteArray rgb15Alpha = swfwriter::losslessBody(9, image, swf::LosslessFormat::Rgb15, true);
    QTest::newRow("lossless2 in 15 bits")
        << rgb15Alpha << int(swf::TagCode::DefineBitsLossless2) << false << false;
    QByteArray unknownFormat = swfwriter::losslessBody(9, image, swf::LosslessFormat::Rgb24, false);
    unknownFormat[2] = 7;
    QTest::newRow("lossless format 7")
        << unknownFormat << int(swf::TagCode::DefineBitsLossless) << false << false;
    QByteArray absurd = swfwriter::losslessBody(9, image, swf::LosslessFormat::Rgb24, false);
    absurd[3] = absurd[4] = absurd[5] = absurd[6] = char(0xff);
    QTest::newRow("lossless 65535 square")
        << absurd << int(swf::TagCode::DefineBitsLossless) << false << false;
    QTest::newRow("lossless header cut") << body(9, QByteArray("\x05\x08", 2))
                                         << int(swf::TagCode::DefineBitsLossless) << false << false;
    QTest::newRow("JPEG3 offset past the tag")
        << body(9, QByteArray("\xff\xff\x00\x00\xff\xd8", 6)) << int(swf::TagCode::DefineBitsJpeg3)
        << false << false;
    QTest::newRow("JPEG2 rubbish, defined, undrawable")
        << body(9, QByteArray("rubbish")) << int(swf::TagCode::DefineBitsJpeg2) << true << false;
    QTest::newRow("JPEG2 rubbish placed directly")
        << body(9, QByteArray("rubbish")) << int(swf::TagCode::DefineBitsJpeg2) << true << true;
    // Morph shapes whose start and end edge lists do not pair up.
    swfwriter::ShapeBuilder start, end;
    start.setFill0(1).moveTo(0, 0).lineTo(px(10), 0).lineTo(px(10), px(10)).lineTo(0, 0);
    end.moveTo(0, 0).lineTo(px(20), 0).lineTo(0, 0);
    const QByteArray morph = swfwriter::morphShapeBody(
        9, {swfwriter::morphSolid({255, 0, 0, 255}, {255, 0, 0, 255})}, {}, start, end, 1);
    QTest::newRow("morph edges disagree")
        << morph << int(swf::TagCode::DefineMorphShape) << false << true;
    QTest::newRow("morph cut short")
        << morph.left(morph.size() - 4) << int(swf::TagCode::DefineMorphShape) << false << true;
}

void TestDecoders::damagedDefinitionsLoadAndDraw()
{
    QFETCH(QByteArray, definition);
    QFETCH(int, tag);
    QFETCH(bool, defined);
    QFETCH(bool, placeDirectly);
    swfwriter::SwfWriter w;
    w.setStageSize(40, 20);
    w.rawTag(quint16(tag), definition);
    quint16 user = 9;
    if (!placeDirectly) {
        swfwriter::ShapeBuilder b;
        b.rect(QRect(0, 0, px(20), px(20)), b.addRawFill(swfwriter::bitmapFill(
                                                swf::FillKind::ClippedBitmap, 9,
                                                swfwriter::scaleRotateTranslate(20, 20, 0, 0, 0))));
        user = w.defineShape(b, 3, 10);
    }
    swfwriter::ShapeBuilder green;
    green.rect(QRect(px(20), 0, px(20), px(20)), green.addFill({0, 255, 0}));
    const quint16 greenId = w.defineShape(green, 3, 11);
    w.placeObject2(placeAt(1, user, 0, 0));
    w.placeObject2(placeAt(2, greenId, 0, 0));
    w.showFrame();
    const auto movie = mustParse(w.finish());
    QVERIFY(movie);
    QCOMPARE(movie->character(9) != nullptr, defined);
    if (!defined)
        QCOMPARE(movie->stats().malformedTags, 1);
    swf::Player player(movie);
    const QImage image = renderStage(player);
    COMPARE_COLOR(pixelAt(image, 10, 10), QColor(Qt::white)); // nothing drawn
    COMPARE_COLOR(pixelAt(image, 30, 10), QColor(0, 255, 0));
}

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
