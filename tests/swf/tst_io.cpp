// The bottom layer: bit reading, the container and the tag stream, on
// hand-built bytes.
#include "swf/io/container.h"
#include "swf/io/reader.h"
#include "swf/io/tagstream.h"
#include "swftest.h"

#include <QTest>

class TestIo : public QObject {
    Q_OBJECT
private slots:
    void bitFieldsReadMostSignificantFirst();
    void overrunIsStickyAndReadsZero();
    void handBuiltPlainMovie();
    void sameMovieInEveryCompression_data();
    void sameMovieInEveryCompression();
    void shortAndLongTagHeaders();
    void tagStreamStopsAtEnd();
    void movieTextUtf8_data();
    void movieTextUtf8();
};

void TestIo::bitFieldsReadMostSignificantFirst()
{
    // 1011 0010 1111 0000: ub(1)=1, ub(3)=011=3, sb(4)=0010=2, sb(4)=1111=-1;
    // then a byte read aligns to the next byte.
    const QByteArray bytes = QByteArray::fromHex("b2f0"
                                                 "7f"
                                                 "3412");
    swf::Reader r(bytes);
    QCOMPARE(r.ub(1), 1u);
    QCOMPARE(r.ub(3), 3u);
    QCOMPARE(r.sb(4), 2);
    QCOMPARE(r.sb(4), -1);
    QCOMPARE(r.u8(), quint8(0x7f)); // skips the last 4 bits of 0xf0
    QCOMPARE(r.u16(), quint16(0x1234));
    QVERIFY(r.ok());
    QVERIFY(r.atEnd());

    // A 17-bit signed field spanning three bytes: 1 0000 0000 0000 0000 = -65536.
    const QByteArray wideBytes = QByteArray::fromHex("800000");
    swf::Reader wide(wideBytes);
    QCOMPARE(wide.sb(17), -65536);
    // 16.16 fixed point 0x00018000 is 1.5; 8.8 0xff80 is -0.5.
    const QByteArray fixedBytes = QByteArray::fromHex("00800100"
                                                      "80ff");
    swf::Reader fixed(fixedBytes);
    QCOMPARE(fixed.fixed16(), 1.5);
    QCOMPARE(fixed.fixed8(), -0.5);
}

void TestIo::overrunIsStickyAndReadsZero()
{
    const QByteArray two = QByteArray::fromHex("0102");
    swf::Reader r(two);
    QCOMPARE(r.u32(), 0u);
    QVERIFY(!r.ok());
    QCOMPARE(r.u8(), quint8(0)); // at the end now
    QVERIFY(!r.ok());

    const QByteArray one = QByteArray::fromHex("ff");
    swf::Reader bits(one);
    QCOMPARE(bits.ub(8), 0xffu);
    QCOMPARE(bits.ub(1), 0u);
    QVERIFY(!bits.ok());

    const QByteArray unterminated("abc", 3);
    swf::Reader text(unterminated);
    text.cstring(); // no terminator
    QVERIFY(!text.ok());

    const QByteArray zero = QByteArray::fromHex("00");
    swf::Reader huge(zero);
    QCOMPARE(huge.ub(33), 0u); // wider than any SWF field
    QVERIFY(!huge.ok());
}

void TestIo::handBuiltPlainMovie()
{
    QByteArray file;
    file += "FWS";                           // signature: uncompressed
    file += char(6);                         // version 6
    file += QByteArray::fromHex("19000000"); // declared length 25
    // RECT, 5 + 4 × 15 bits padded to 9 bytes: 01111 (15-bit fields),
    // xMin 0, xMax 11000 = 010101011111000, yMin 0, yMax 8000 = 001111101000000.
    file += QByteArray::fromHex("7800055f00000fa000");
    file += QByteArray::fromHex("0018"); // frame rate 24.0 (8.8, little-endian)
    file += QByteArray::fromHex("0100"); // one frame
    file += QByteArray::fromHex("4000"); // ShowFrame: code 1, length 0
    file += QByteArray::fromHex("0000"); // End
    QCOMPARE(file.size(), 25);

    auto decoded = swf::decodeSwf(file);
    QVERIFY2(decoded, qPrintable(decoded ? QString() : decoded.error().toString()));
    const swf::SwfHeader &h = decoded->header;
    QCOMPARE(h.compression, swf::Compression::None);
    QCOMPARE(int(h.version), 6);
    QCOMPARE(h.declaredLength, 25u);
    QCOMPARE(h.frameSize, (swf::Rect{0, 11000, 0, 8000}));
    QCOMPARE(h.frameRateValue(), 24.0);
    QCOMPARE(int(h.frameCount), 1);
    QCOMPARE(h.tagsOffset, qint64(21));
    QVERIFY(!decoded->truncated);

    auto movie = mustParse(file);
    QCOMPARE(movie->timeline().frameCount(), 1);
    QCOMPARE(movie->stats().topLevelTags, 2);
}

void TestIo::sameMovieInEveryCompression_data()
{
    QTest::addColumn<int>("compression");
    QTest::newRow("FWS") << int(swf::Compression::None);
    QTest::newRow("CWS") << int(swf::Compression::Zlib);
    QTest::newRow("ZWS") << int(swf::Compression::Lzma);
}

void TestIo::sameMovieInEveryCompression()
{
    QFETCH(int, compression);
    swfwriter::SwfWriter writer;
    writer.setCompression(swf::Compression(compression));
    writer.setStageSize(320, 240);
    writer.setFrameRate(12.5);
    // Enough repetitive content that the compressors have work to do.
    for (int i = 0; i < 50; ++i) {
        const quint16 id = defineSquare(writer, 10 + i, {quint8(i), 0, 0, 255});
        writer.placeObject2(placeAt(quint16(i + 1), id, i, i));
        writer.showFrame();
    }
    const QByteArray bytes = writer.finish();
    QCOMPARE(bytes.left(3), QByteArray(compression == 0   ? "FWS"
                                       : compression == 1 ? "CWS"
                                                          : "ZWS"));

    auto decoded = swf::decodeSwf(bytes);
    QVERIFY(decoded);
    QVERIFY(!decoded->truncated);
    QCOMPARE(qint64(decoded->data.size()), qint64(decoded->header.declaredLength));
    QCOMPARE(decoded->header.frameRateValue(), 12.5);
    auto movie = mustParse(bytes);
    QCOMPARE(movie->timeline().frameCount(), 50);
    QCOMPARE(int(movie->dictionary().size()), 50);
}

void TestIo::shortAndLongTagHeaders()
{
    // Short header: code 9, length 3. Long header: code 9, length 63 marker
    // then 3 as a 32-bit length. Both carry the same body.
    const QByteArray tags = QByteArray::fromHex("4302"
                                                "102030") +
                            QByteArray::fromHex("7f02"
                                                "03000000"
                                                "405060");
    swf::TagStream stream(tags, 100);
    swf::Tag tag;
    QVERIFY(stream.next(tag));
    QCOMPARE(tag.code, quint16(9));
    QCOMPARE(tag.offset, qint64(100));
    QCOMPARE(tag.bodyOffset, qint64(102));
    QCOMPARE(tag.body.toByteArray(), QByteArray::fromHex("102030"));
    QVERIFY(stream.next(tag));
    QCOMPARE(tag.code, quint16(9));
    QCOMPARE(tag.bodyOffset, qint64(111));
    QCOMPARE(tag.body.toByteArray(), QByteArray::fromHex("405060"));
    QVERIFY(!stream.next(tag));
    QVERIFY(!stream.cutShort());
}

void TestIo::tagStreamStopsAtEnd()
{
    // ShowFrame, End, then bytes that must not be read as tags.
    const QByteArray tags = QByteArray::fromHex("4000"
                                                "0000"
                                                "ffffffff");
    swf::TagStream stream(tags);
    swf::Tag tag;
    QVERIFY(stream.next(tag));
    QVERIFY(stream.next(tag));
    QCOMPARE(tag.code, quint16(0));
    QVERIFY(stream.sawEnd());
    QVERIFY(!stream.next(tag));
    QVERIFY(!stream.cutShort());
}

void TestIo::movieTextUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QByteArray("start\xc3\x81"
                                         "end")
                           << QStringLiteral(u"start\u00c1end");
    QTest::newRow("four bytes") << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral(u"\U0001F600");
    QTest::newRow("stray continuation")
        << QByteArray("a\x80\xbf") << QStringLiteral(u"a\u0080\u00bf");
    QTest::newRow("bad continuation") << QByteArray("start\xc1"
                                                    "end")
                                      << QStringLiteral(u"start\ufffdnd");
    QTest::newRow("cut by the end") << QByteArray("start\xe3\x81") << QStringLiteral("start");
    QTest::newRow("no sequence") << QByteArray("start\xff"
                                               "end")
                                 << QStringLiteral("start");
    QTest::newRow("zero byte") << QByteArray("start\0end", 9) << QStringLiteral("start");
}

void TestIo::movieTextUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(swf::decodeUtf8(bytes), text);
    QCOMPARE(swf::decodeText(bytes, 6), text);
}

QTEST_GUILESS_MAIN(TestIo)
#include "tst_io.moc"
