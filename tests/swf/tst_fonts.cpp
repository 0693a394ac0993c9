// The font tags read back from written movies: glyphs, codes, layout,
// the tags that amend a font, and damaged fonts in one table.
#include "swf/io/tagcodes.h"
#include "swf/model/font.h"
#include "swf/model/text.h"
#include "textfixtures.h"

#include <QTest>

namespace {

const swf::Font &fontIn(const std::shared_ptr<const swf::Movie> &movie, quint16 id)
{
    const swf::Character *character = movie->character(id);
    if (!character || character->kind() != swf::CharacterKind::Font)
        qFatal("font %d missing", id);
    return static_cast<const swf::Font &>(*character);
}

} // namespace

class TestFonts : public QObject {
    Q_OBJECT
private slots:
    void font2KeepsGlyphsCodesAndLayout();
    void font3GlyphsAreTwentyTimesFiner();
    void wideOffsetsAndNarrowCodes();
    void font1TakesItsCodesFromFontInfo();
    void fontInfo2AndFontNameAmendOnce();
    void alignZonesAreKept();
    void deviceFontWithoutGlyphs();
    void damagedFontsAreReadSafely_data();
    void damagedFontsAreReadSafely();
};

void TestFonts::font2KeepsGlyphsCodesAndLayout()
{
    swfwriter::SwfWriter writer;
    swfwriter::FontSpec definition = blockFont(QStringLiteral("Blöck"));
    definition.bold = true;
    definition.language = 1;
    definition.leading = 40;
    definition.kerning = {{u'I', u'O', -30}, {u'L', u'I', 12}};
    const quint16 id = swfwriter::defineFont(writer, definition, 2);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    QCOMPARE(movie->stats().malformedTags, 0);
    const swf::Font &font = fontIn(movie, id);
    const swf::FontData &data = font.data();
    QCOMPARE(data.version, 2);
    QCOMPARE(font.name(), QStringLiteral("Blöck"));
    QVERIFY(data.bold);
    QVERIFY(!data.italic);
    QCOMPARE(data.language, quint8(1));
    QCOMPARE(font.glyphCount(), 4);
    QCOMPARE(font.emSquare(), 1024.0);
    QCOMPARE(font.glyphIndex(U'O'), 1);
    QCOMPARE(font.glyphIndex(U' '), 3);
    QCOMPARE(font.glyphIndex(U'x'), -1);
    QCOMPARE(font.glyphIndex(U'\U0001F600'), -1);
    QVERIFY(data.hasLayout);
    QCOMPARE(data.ascent, 800);
    QCOMPARE(data.descent, 224);
    QCOMPARE(data.leading, 40);
    QCOMPARE(*font.glyph(2)->advance, qint16(768));
    QCOMPARE(font.glyph(0)->bounds, (swf::Rect{0, 400, -800, 0}));
    QCOMPARE(data.kerning.size(), size_t(2));
    QCOMPARE(data.kerning[0].left, quint16(u'I'));
    QCOMPARE(data.kerning[0].adjustment, qint16(-30));
    QCOMPARE(data.kerning[1].adjustment, qint16(12));
    // The ring has eight edges and two moves; the space has none.
    const auto &ring = font.glyph(1)->shape->records;
    QCOMPARE(std::count_if(ring.begin(), ring.end(),
                           [](const swf::ShapeRecord &r) {
                               return std::holds_alternative<swf::StraightEdgeRecord>(r);
                           }),
             8);
    QVERIFY(font.glyph(3)->shape->records.empty());
    QVERIFY(!font.glyph(4));
    QVERIFY(!font.glyph(-1));
}

void TestFonts::font3GlyphsAreTwentyTimesFiner()
{
    swfwriter::SwfWriter writer;
    const quint16 id = swfwriter::defineFont(writer, blockFont(QStringLiteral("B3"), 20), 3);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    const swf::Font &font = fontIn(movie, id);
    QCOMPARE(font.data().version, 3);
    QCOMPARE(font.emSquare(), 20480.0);
    QCOMPARE(font.data().ascent, 16000);
    QCOMPARE(*font.glyph(0)->advance, qint16(10240));
}

void TestFonts::wideOffsetsAndNarrowCodes()
{
    swfwriter::SwfWriter writer;
    writer.setVersion(5);
    swfwriter::FontSpec definition = blockFont();
    definition.wideOffsets = true;
    definition.wideCodes = false;
    definition.kerning = {{u'I', u'L', 7}};
    const quint16 id = swfwriter::defineFont(writer, definition, 2);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    QCOMPARE(movie->stats().malformedTags, 0);
    const swf::Font &font = fontIn(movie, id);
    QVERIFY(!font.data().wideCodes);
    QCOMPARE(font.glyphIndex(U'L'), 2);
    QCOMPARE(font.data().kerning.front().right, quint16(u'L'));
    QCOMPARE(*font.glyph(1)->advance, qint16(1024));
}

void TestFonts::font1TakesItsCodesFromFontInfo()
{
    swfwriter::SwfWriter writer;
    writer.setVersion(4);
    swfwriter::FontSpec definition = blockFont(QStringLiteral("Old"));
    definition.wideCodes = false;
    const quint16 id = swfwriter::defineFont(writer, definition, 1);
    writer.showFrame();
    const auto bareMovie = mustParse(writer.finish());
    const swf::Font &bare = fontIn(bareMovie, id);
    QCOMPARE(bare.glyphCount(), 4);
    QVERIFY(!bare.data().hasCodeTable);
    QCOMPARE(bare.glyphIndex(U'I'), -1);
    QVERIFY(!bare.data().hasLayout);

    swfwriter::defineFontInfo(writer, id, definition, 1);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    const swf::Font &font = fontIn(movie, id);
    QCOMPARE(font.name(), QStringLiteral("Old"));
    QCOMPARE(font.glyphIndex(U'I'), 0);
    QCOMPARE(font.glyphIndex(U'L'), 2);
    QVERIFY(!font.data().wideCodes);
    // The outlines survive the amendment.
    QCOMPARE(font.glyph(1)->shape->records.size(), bare.glyph(1)->shape->records.size());
}

void TestFonts::fontInfo2AndFontNameAmendOnce()
{
    swfwriter::SwfWriter writer;
    swfwriter::FontSpec definition = blockFont(QStringLiteral("First"));
    definition.italic = true;
    definition.language = 4;
    const quint16 id = swfwriter::defineFont(writer, definition, 1);
    swfwriter::defineFontInfo(writer, id, definition, 2);
    swfwriter::FontSpec other = blockFont(QStringLiteral("Second"));
    swfwriter::defineFontInfo(writer, id, other, 2);
    swfwriter::defineFontName(writer, id, QStringLiteral("First Italic"),
                              QStringLiteral("(c) no one"));
    swfwriter::defineFontName(writer, id, QStringLiteral("Again"), QString());
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    const swf::Font &font = fontIn(movie, id);
    QCOMPARE(font.name(), QStringLiteral("First"));
    QVERIFY(font.data().italic);
    QVERIFY(font.data().wideCodes);
    QCOMPARE(font.data().language, quint8(4));
    QCOMPARE(font.data().fullName, QStringLiteral("First Italic"));
    QCOMPARE(font.data().copyright, QStringLiteral("(c) no one"));
    QCOMPARE(movie->stats().malformedTags, 2);
}

void TestFonts::alignZonesAreKept()
{
    swfwriter::SwfWriter writer;
    const quint16 id = swfwriter::defineFont(writer, blockFont(QStringLiteral("Z"), 20), 3);
    swf::AlignZone zone;
    zone.zones = {{0.5f, 100.0f}, {-2.0f, 0.25f}};
    zone.maskX = true;
    swfwriter::defineFontAlignZones(writer, id, {zone, zone}, 2);
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    const swf::Font &font = fontIn(movie, id);
    QCOMPARE(font.data().csmTableHint, quint8(2));
    QCOMPARE(font.data().alignZones.size(), size_t(2));
    const swf::AlignZone &read = font.data().alignZones[1];
    QCOMPARE(read.zones.size(), size_t(2));
    QCOMPARE(read.zones[0].first, 0.5f);
    QCOMPARE(read.zones[0].second, 100.0f);
    QCOMPARE(read.zones[1].first, -2.0f);
    QCOMPARE(read.zones[1].second, 0.25f);
    QVERIFY(read.maskX);
    QVERIFY(!read.maskY);
}

void TestFonts::deviceFontWithoutGlyphs()
{
    // Fonts that only name a device font carry no glyphs; some writers
    // leave the code table offset out, others write it.
    for (const bool withOffset : {true, false}) {
        swfwriter::BitWriter w;
        w.u16(7);
        w.u8(0x80); // layout
        w.u8(0);
        w.u8(5);
        w.bytes("_sans");
        w.u16(0); // glyphs
        if (withOffset)
            w.u16(2);
        w.u16(900);
        w.u16(100);
        w.u16(0);
        w.u16(0); // kerning
        swfwriter::SwfWriter writer;
        writer.rawTag(swf::TagCode::DefineFont2, w.data());
        writer.showFrame();
        const auto movie = mustParse(writer.finish());
        QCOMPARE(movie->stats().malformedTags, 0);
        const swf::Font &font = fontIn(movie, 7);
        QCOMPARE(font.name(), QStringLiteral("_sans"));
        QCOMPARE(font.glyphCount(), 0);
        QCOMPARE(font.data().ascent, 900);
        QCOMPARE(font.data().descent, 100);
    }
}

void TestFonts::damagedFontsAreReadSafely_data()
{
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("defined"); // font 9 ends up in the dictionary

    const auto font2 = [](quint16 glyphs, QByteArray rest) {
        swfwriter::BitWriter w;
        w.u16(9);
        w.u8(0x04); // wide codes
        w.u8(0);
        w.u8(1);
        w.bytes("F");
        w.u16(glyphs);
        w.bytes(rest);
        return w.data();
    };
    // Offsets: a table of two glyphs plus the code table offset.
    const QByteArray goodGlyph = QByteArray::fromHex("10") + QByteArray(1, '\0');
    QTest::newRow("font2 glyph count beyond the tag")
        << swf::TagCode::DefineFont2 << font2(0xffff, QByteArray(20, '\0')) << false;
    QTest::newRow("font2 glyph offset past the tag")
        << swf::TagCode::DefineFont2
        << font2(2, QByteArray::fromHex("0600f0000a00") + goodGlyph + goodGlyph + "AABB") << true;
    QTest::newRow("font2 offsets running backwards")
        << swf::TagCode::DefineFont2
        << font2(2, QByteArray::fromHex("080006000a00") + goodGlyph + goodGlyph + "AABB") << true;
    QTest::newRow("font2 code table offset past the tag")
        << swf::TagCode::DefineFont2
        << font2(2, QByteArray::fromHex("06000800ff00") + goodGlyph + goodGlyph) << true;
    QTest::newRow("font2 code table cut short")
        << swf::TagCode::DefineFont2
        << font2(2, QByteArray::fromHex("060008000a00") + goodGlyph + goodGlyph + "A") << true;
    // A glyph whose records announce new styles: glyphs have none.
    QTest::newRow("font2 glyph with new styles") << swf::TagCode::DefineFont2
                                                 << font2(1, QByteArray::fromHex("04000700") +
                                                                 QByteArray::fromHex("10"
                                                                                     "40"
                                                                                     "00") +
                                                                 "A")
                                                 << true;
    {
        swfwriter::BitWriter layout;
        layout.bytes(QByteArray::fromHex("060008000a00") + goodGlyph + goodGlyph + "AABB");
        layout.u16(800);
        layout.u16(200);
        layout.u16(0);
        layout.u16(500);
        layout.u16(500);
        layout.u8(0); // two empty RECTs
        layout.u8(0);
        layout.u16(0xffff); // kerning records that are not there
        swfwriter::BitWriter w;
        w.bytes(font2(2, layout.data()));
        QByteArray body = w.data();
        body[2] = char(0x84); // layout and wide codes
        QTest::newRow("font2 kerning count beyond the tag")
            << swf::TagCode::DefineFont2 << body << true;
    }
    QTest::newRow("font1 odd offset table")
        << swf::TagCode::DefineFont << QByteArray::fromHex("09000300") << false;
    QTest::newRow("font1 offset table longer than the tag")
        << swf::TagCode::DefineFont << QByteArray::fromHex("09004000") << false;
    QTest::newRow("font1 first offset zero")
        << swf::TagCode::DefineFont << QByteArray::fromHex("090000001000") << false;
    QTest::newRow("font1 glyph offset past the tag")
        << swf::TagCode::DefineFont << QByteArray::fromHex("09000400ff001000") << true;
    QTest::newRow("font info for a missing font")
        << swf::TagCode::DefineFontInfo << QByteArray::fromHex("63000141000041") << false;
    QTest::newRow("align zones cut short")
        << swf::TagCode::DefineFontAlignZones << QByteArray::fromHex("01004002003c") << false;
    QTest::newRow("font name unterminated")
        << swf::TagCode::DefineFontName << QByteArray::fromHex("010041") << false;
}

// Every damaged font leaves a movie that loads, plays and draws, text
// included: glyphs that could not be read are empty.
void TestFonts::damagedFontsAreReadSafely()
{
    QFETCH(quint16, code);
    QFETCH(QByteArray, body);
    QFETCH(bool, defined);
    swfwriter::SwfWriter writer;
    swfwriter::defineFont(writer, blockFont(), 2);
    writer.rawTag(code, body);
    swfwriter::TextSpec text;
    text.bounds = swf::Rect{0, px(100), 0, px(100)};
    for (const quint16 font : {quint16(1), quint16(9)}) {
        swfwriter::TextRun run;
        run.fontId = font;
        run.height = px(30);
        run.y = px(40);
        run.color = swf::Rgba{0, 0, 0, 255};
        run.glyphs = {{0, px(10)}, {1, px(10)}, {2, px(10)}, {70000, px(10)}};
        text.runs.push_back(run);
    }
    const quint16 textId = swfwriter::defineText(writer, text);
    writer.placeObject2(placeAt(1, textId, 0, 0));
    writer.showFrame();
    const auto movie = mustParse(writer.finish());
    QCOMPARE(movie->stats().malformedTags, 1);
    const swf::Character *font = movie->character(9);
    QCOMPARE(font != nullptr, defined);
    swf::Player player(movie);
    const QImage image = renderStage(player);
    QVERIFY(!image.isNull());
    // Font 1 stays whole whatever came after it.
    QCOMPARE(fontIn(movie, 1).glyphCount(), 4);
    QCOMPARE(fontIn(movie, 1).glyphIndex(U'O'), 1);
}

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
