// Malformed movies: each must load cleanly or fail cleanly, and whatever
// loads must survive playing, seeking and drawing.
#include "swf/geometry/shapegeometry.h"
#include "swf/io/container.h"
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/sprite.h"
#include "swftest.h"

#include <QTest>

namespace {

// A small movie with a shape, a sprite and three frames.
QByteArray sampleMovie(swf::Compression compression)
{
    swfwriter::SwfWriter w;
    w.setCompression(compression);
    w.setStageSize(100, 80);
    w.setBackgroundColor({10, 20, 30});
    const quint16 square = defineSquare(w, 20, {255, 0, 0});
    swfwriter::TimelineWriter spriteTags;
    spriteTags.placeObject2(placeAt(1, square, 0, 0));
    spriteTags.showFrame();
    spriteTags.placeObject2(moveTo(1, 5, 5));
    spriteTags.showFrame();
    const quint16 sprite = w.defineSprite(spriteTags);
    w.placeObject2(placeAt(1, sprite, 10, 10));
    w.showFrame();
    w.placeObject2(placeAt(2, square, 50, 10));
    w.showFrame();
    w.removeObject2(1);
    w.showFrame();
    return w.finish();
}

void setDeclaredLength(QByteArray &file, quint32 length)
{
    for (int i = 0; i < 4; ++i)
        file[4 + i] = char((length >> (8 * i)) & 0xff);
}

// Plays, seeks and draws a loaded movie; crashes and sanitizer reports are
// the failures this looks for.
void exercise(const std::shared_ptr<const swf::Movie> &movie)
{
    swf::Player player(movie);
    player.play();
    player.advance(250);
    for (int i = 0; i < 12; ++i)
        player.step();
    player.seek(-120);
    player.seek(1 << 20);
    player.seek(player.lastFrame() / 2);
    swf::Renderer renderer;
    const QImage image = renderer.render(player, QSize(64, 48), Qt::white);
    QCOMPARE(image.size(), QSize(64, 48));
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void loadsOrFailsCleanly_data();
    void loadsOrFailsCleanly();
    void truncatedAtEveryByte_data();
    void truncatedAtEveryByte();
    void shorterThanDeclaredPlaysWhatItHolds();
    void bytesPastDeclaredLengthAreIgnored();
    void damagedLzmaDictionaryIsCapped();
    void tagLengthPastTheEndKeepsEarlierTags();
    void styleIndicesBeyondTheStyleArrays();
    void placementOfUndefinedCharacter();
    void spriteContainingItself();
    void framesBeyondTheLimitAreDropped();
    void frameCountDisagreesWithFrames_data();
    void frameCountDisagreesWithFrames();
};

void TestBadInput::loadsOrFailsCleanly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("error"); // -1 when the movie must load

    const QByteArray fws = sampleMovie(swf::Compression::None);
    const QByteArray cws = sampleMovie(swf::Compression::Zlib);
    const QByteArray zws = sampleMovie(swf::Compression::Lzma);

    QTest::newRow("empty file") << QByteArray() << int(swf::ErrorCode::Truncated);
    QTest::newRow("wrong signature") << ("XWS" + fws.mid(3)) << int(swf::ErrorCode::BadSignature);
    QTest::newRow("lower-case signature")
        << ("fws" + fws.mid(3)) << int(swf::ErrorCode::BadSignature);
    QTest::newRow("text file") << QByteArray("hello, world\n") << int(swf::ErrorCode::BadSignature);

    QByteArray huge = fws;
    setDeclaredLength(huge, quint32(swf::limits::kMaxDeclaredLength + 1));
    QTest::newRow("declared length over the cap") << huge << int(swf::ErrorCode::TooLarge);
    QByteArray hugeCws = cws;
    setDeclaredLength(hugeCws, 0xffffffffu);
    QTest::newRow("compressed, declared 4 GiB") << hugeCws << int(swf::ErrorCode::TooLarge);
    QByteArray tiny = fws;
    setDeclaredLength(tiny, 8);
    QTest::newRow("declared length without header") << tiny << int(swf::ErrorCode::Truncated);

    // LZMA properties byte: lc + lp·9 + pb·45 must stay below 225.
    QByteArray badProps = zws;
    badProps[12] = char(0xff);
    QTest::newRow("damaged LZMA properties") << badProps << int(swf::ErrorCode::BadProperties);
    QTest::newRow("LZMA without properties") << zws.left(14) << int(swf::ErrorCode::Truncated);

    QByteArray zlibGarbage = cws.left(8) + QByteArray(64, char(0x55));
    QTest::newRow("zlib stream of garbage") << zlibGarbage << int(swf::ErrorCode::Truncated);
    QByteArray zlibDamaged = cws;
    for (qsizetype i = 40; i < zlibDamaged.size(); ++i)
        zlibDamaged[i] = char(0xa5);
    QTest::newRow("zlib stream damaged midway") << zlibDamaged << -1;
    QByteArray lzmaDamaged = zws;
    for (qsizetype i = 40; i < lzmaDamaged.size(); ++i)
        lzmaDamaged[i] = char(0xa5);
    QTest::newRow("LZMA stream damaged midway") << lzmaDamaged << -1;

    QTest::newRow("FWS intact") << fws << -1;
    QTest::newRow("CWS intact") << cws << -1;
    QTest::newRow("ZWS intact") << zws << -1;
    QTest::newRow("trailing garbage") << (fws + QByteArray(1000, 'x')) << -1;
}

void TestBadInput::loadsOrFailsCleanly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, error);
    auto movie = swf::parseMovie(bytes);
    if (error >= 0) {
        QVERIFY2(!movie, "the movie loaded but should not have");
        QCOMPARE(int(movie.error().code), error);
        QVERIFY(!movie.error().message.isEmpty());
        return;
    }
    QVERIFY2(movie, qPrintable(movie ? QString() : movie.error().toString()));
    exercise(*movie);
}

void TestBadInput::truncatedAtEveryByte_data()
{
    QTest::addColumn<int>("compression");
    QTest::newRow("FWS") << int(swf::Compression::None);
    QTest::newRow("CWS") << int(swf::Compression::Zlib);
    QTest::newRow("ZWS") << int(swf::Compression::Lzma);
}

// Every prefix of a movie: those that hold the whole header load and play
// the frames they hold; shorter ones fail as truncated.
void TestBadInput::truncatedAtEveryByte()
{
    QFETCH(int, compression);
    const QByteArray whole = sampleMovie(swf::Compression(compression));
    int previousFrames = 0;
    int loaded = 0;
    for (qsizetype length = 0; length < whole.size(); ++length) {
        auto movie = swf::parseMovie(whole.left(length));
        if (!movie) {
            QVERIFY2(loaded == 0,
                     qPrintable(QStringLiteral("failed at %1 after loading shorter").arg(length)));
            QVERIFY(movie.error().code == swf::ErrorCode::Truncated ||
                    movie.error().code == swf::ErrorCode::BadSignature);
            continue;
        }
        ++loaded;
        const int frames = (*movie)->timeline().frameCount();
        QVERIFY(frames >= previousFrames - 1 && frames <= 3); // a partial frame may drop again
        previousFrames = frames;
        exercise(*movie);
    }
    QVERIFY(loaded > 0);
    QCOMPARE(previousFrames, 3);
}

void TestBadInput::shorterThanDeclaredPlaysWhatItHolds()
{
    QByteArray bytes = sampleMovie(swf::Compression::Zlib);
    const auto whole = mustParse(bytes);
    setDeclaredLength(bytes, whole->header().declaredLength + 5000);
    auto movie = mustParse(bytes);
    QVERIFY(movie->truncated());
    QCOMPARE(movie->timeline().frameCount(), 3);
    QCOMPARE(int(movie->dictionary().size()), 2);
}

void TestBadInput::bytesPastDeclaredLengthAreIgnored()
{
    // Declare the length up to the end of the first ShowFrame: the tags of
    // frames 2 and 3 are past it and must not be read.
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 255});
    w.placeObject2(placeAt(1, square, 0, 0));
    w.showFrame();
    const qsizetype firstFrameEnd = w.finish().size() - 2; // without End
    w.placeObject2(placeAt(2, square, 20, 0));
    w.showFrame();
    w.showFrame();
    for (auto compression :
         {swf::Compression::None, swf::Compression::Zlib, swf::Compression::Lzma}) {
        w.setCompression(compression);
        QByteArray bytes = w.finish();
        setDeclaredLength(bytes, quint32(firstFrameEnd));
        auto movie = mustParse(bytes);
        QCOMPARE(movie->timeline().frameCount(), 1);
        QVERIFY(!movie->truncated());
    }
}

void TestBadInput::damagedLzmaDictionaryIsCapped()
{
    // Properties: one byte of lc/lp/pb, then a 32-bit dictionary size; a
    // 4 GiB dictionary must not be allocated for a tiny movie.
    QByteArray bytes = sampleMovie(swf::Compression::Lzma);
    for (int i = 13; i < 17; ++i)
        bytes[i] = char(0xff);
    auto movie = mustParse(bytes);
    QCOMPARE(movie->timeline().frameCount(), 3);
}

void TestBadInput::tagLengthPastTheEndKeepsEarlierTags()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 255});
    w.placeObject2(placeAt(1, square, 0, 0));
    w.showFrame();
    // A long header claiming a billion bytes.
    w.rawTag(swf::TagCode::DefineShape3, QByteArray(10, 'x'), true);
    QByteArray bytes = w.finish();
    const qsizetype lengthAt = bytes.size() - 2 - 10 - 4;
    for (int i = 0; i < 4; ++i)
        bytes[lengthAt + i] = char((1000000000u >> (8 * i)) & 0xff);
    auto movie = mustParse(bytes);
    QVERIFY(movie->stats().cutShort);
    QCOMPARE(movie->timeline().frameCount(), 1);
    QVERIFY(movie->character(square));
    exercise(movie);
}

void TestBadInput::styleIndicesBeyondTheStyleArrays()
{
    swfwriter::SwfWriter w;
    w.setStageSize(40, 40);
    swfwriter::ShapeBuilder shape;
    shape.addFill({0, 255, 0});
    shape.rect(QRect(0, 0, px(20), px(20)), 7);         // fill 7 of 1
    shape.rect(QRect(px(20), 0, px(20), px(20)), 1, 9); // line 9 of 0
    const quint16 id = w.defineShape(shape);
    w.placeObject2(placeAt(1, id, 0, 0));
    w.showFrame();
    auto movie = mustParse(w.finish());
    const auto *parsed = dynamic_cast<const swf::Shape *>(movie->character(id));
    QVERIFY(parsed);
    const swf::ShapeGeometry geometry = swf::buildShapeGeometry(*parsed);
    QVERIFY(geometry.badStyleIndices >= 2);

    swf::Player player(movie);
    const QImage image = renderStage(player);
    COMPARE_COLOR(pixelAt(image, 10, 10), QColor(Qt::white)); // nothing for fill 7
    COMPARE_COLOR(pixelAt(image, 30, 10), QColor(0, 255, 0)); // the valid fill still draws
}

void TestBadInput::placementOfUndefinedCharacter()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 255});
    w.placeObject2(placeAt(1, 999, 0, 0));
    w.placeObject(777, 2);
    w.placeObject2(placeAt(3, square, 0, 0));
    w.showFrame();
    auto movie = mustParse(w.finish());
    swf::Player player(movie);
    QCOMPARE(player.displayList().size(), 1);
    QVERIFY(player.displayList().at(3));
    exercise(movie);
}

void TestBadInput::spriteContainingItself()
{
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 255});
    // Sprite A places itself; sprites B and C place each other.
    const quint16 a = w.reserveId();
    const quint16 b = w.reserveId();
    const quint16 c = w.reserveId();
    swfwriter::TimelineWriter aTags;
    aTags.placeObject2(placeAt(1, a, 1, 1));
    aTags.placeObject2(placeAt(2, square, 0, 0));
    aTags.showFrame();
    w.defineSprite(aTags, a);
    swfwriter::TimelineWriter bTags;
    bTags.placeObject2(placeAt(1, c, 1, 1));
    bTags.showFrame();
    w.defineSprite(bTags, b);
    swfwriter::TimelineWriter cTags;
    cTags.placeObject2(placeAt(1, b, 1, 1));
    cTags.showFrame();
    w.defineSprite(cTags, c);
    w.placeObject2(placeAt(1, a, 0, 0));
    w.placeObject2(placeAt(2, b, 0, 0));
    w.showFrame();
    auto movie = mustParse(w.finish());
    swf::Player player(movie);
    const swf::DisplayObject *aInstance = player.displayList().at(1);
    QVERIFY(aInstance && aInstance->children());
    QVERIFY(!aInstance->children()->at(1)); // not placed inside itself
    QVERIFY(aInstance->children()->at(2));  // its other content is there
    const swf::DisplayObject *bInstance = player.displayList().at(2);
    QVERIFY(bInstance && bInstance->children());
    const swf::DisplayObject *cInstance = bInstance->children()->at(1);
    QVERIFY(cInstance && cInstance->children());
    QVERIFY(!cInstance->children()->at(1)); // B inside C inside B is refused
    exercise(movie);
}

void TestBadInput::framesBeyondTheLimitAreDropped()
{
    swfwriter::SwfWriter w;
    w.showFrame(int(swf::limits::kMaxFrames) + 5);
    auto movie = mustParse(w.finish());
    QCOMPARE(qint64(movie->timeline().frameCount()), swf::limits::kMaxFrames);
    QVERIFY(movie->stats().overLimits);
    swf::Player player(movie);
    player.seek(1 << 30);
    QCOMPARE(qint64(player.frame()), swf::limits::kMaxFrames - 1);
}

void TestBadInput::frameCountDisagreesWithFrames_data()
{
    QTest::addColumn<int>("declared");
    QTest::newRow("zero") << 0;
    QTest::newRow("65535") << 65535;
}

void TestBadInput::frameCountDisagreesWithFrames()
{
    QFETCH(int, declared);
    swfwriter::SwfWriter w;
    const quint16 square = defineSquare(w, 10, {0, 0, 255});
    w.placeObject2(placeAt(1, square, 0, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 10, 0));
    w.showFrame();
    w.placeObject2(moveTo(1, 20, 0));
    w.showFrame();
    w.setFrameCountOverride(declared);
    auto movie = mustParse(w.finish());
    QCOMPARE(movie->frameCount(), declared);
    swf::Player player(movie);
    QCOMPARE(player.frameCount(), declared);
    QCOMPARE(player.lastFrame(), 2);
    player.seek(declared);
    QCOMPARE(player.frame(), declared == 0 ? 0 : 2);
    player.seek(2);
    player.step();
    QCOMPARE(player.frame(), 0); // loops after the last real frame
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
