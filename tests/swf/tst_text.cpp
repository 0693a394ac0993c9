// Static text and text fields drawn: where glyphs land, colours and
// colour transforms, alignment, wrapping, borders, HTML formats, device
// fonts, and text that asks for too much.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/edittext.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/textformat.h"
#include "textfixtures.h"

#include <QTest>

namespace {

using swfwriter::EditTextSpec;
using swfwriter::TextRun;
using swfwriter::TextSpec;

TextRun run(quint16 font, double heightPx, std::vector<swf::GlyphEntry> glyphs)
{
    TextRun r;
    r.fontId = font;
    r.height = quint16(px(heightPx));
    r.color = swf::Rgba{0, 0, 255, 255};
    r.glyphs = std::move(glyphs);
    return r;
}

// A 200 × 100 stage on white holding `text` placed at the origin.
std::shared_ptr<const swf::Movie> staticText(TextSpec text, int fontVersion = 2,
                                             std::optional<swf::ColorTransform> cx = {})
{
    swfwriter::SwfWriter writer;
    writer.setStageSize(200, 100);
    swfwriter::defineFont(writer, blockFont(QStringLiteral("Block"), fontVersion >= 3 ? 20 : 1),
                          fontVersion, 1);
    text.bounds = swf::Rect{0, px(200), 0, px(100)};
    const quint16 id = swfwriter::defineText(writer, text, 2, 2);
    swfwriter::Place place = placeAt(1, id, 0, 0);
    place.colorTransform = cx;
    writer.placeObject2(place);
    writer.showFrame();
    return mustParse(writer.finish());
}

// The stage on the movie's own background colour.
QImage drawn(const std::shared_ptr<const swf::Movie> &movie, QSize size = {})
{
    swf::Player player(movie);
    return renderStage(player, size, swf::Renderer::backgroundOf(*movie));
}

// A 200 × 100 stage holding one field at (x, y), with the block font as
// font 1 (embedded when `field.useOutlines`).
std::shared_ptr<const swf::Movie> fieldMovie(EditTextSpec field, double x = 0, double y = 0,
                                             swf::Rgba background = {255, 255, 255, 255})
{
    swfwriter::SwfWriter writer;
    writer.setStageSize(200, 100);
    writer.setBackgroundColor(background);
    swfwriter::defineFont(writer, blockFont(), 2, 1);
    const quint16 id = swfwriter::defineEditText(writer, field, 2);
    writer.placeObject2(placeAt(1, id, x, y));
    writer.showFrame();
    return mustParse(writer.finish());
}

EditTextSpec blockField(const QString &text, double heightPx, double widthPx = 200,
                        double fieldHeightPx = 60)
{
    EditTextSpec field;
    field.bounds = swf::Rect{0, px(widthPx), 0, px(fieldHeightPx)};
    field.fontId = 1;
    field.fontHeight = quint16(px(heightPx));
    field.useOutlines = true;
    field.color = swf::Rgba{0, 0, 0, 255};
    field.text = text;
    return field;
}

EditTextSpec deviceField(const QString &text, double heightPx = 20)
{
    EditTextSpec field;
    field.bounds = swf::Rect{0, px(180), 0, px(80)};
    field.fontClass = QStringLiteral("_sans");
    field.fontHeight = quint16(px(heightPx));
    field.color = swf::Rgba{0, 0, 0, 255};
    field.text = text;
    return field;
}

swf::EditTextLayout aligned(swf::TextAlign align)
{
    swf::EditTextLayout layout;
    layout.align = align;
    return layout;
}

const swf::TextLayout &layoutOf(const swf::Player &player)
{
    return static_cast<const swf::EditTextInstance &>(*player.displayList().at(1)).layout();
}

} // namespace

class TestText : public QObject {
    Q_OBJECT
private slots:
    void glyphsLandWhereTheirRecordsSay();
    void font3GlyphsScaleTheSame();
    void recordsCarryPenFontAndColour();
    void colourTransformAndAlpha();
    void textMatrixScalesTheRun();
    void glyphsPastTheTableAreSkipped();
    void fieldAlignsEmbeddedText_data();
    void fieldAlignsEmbeddedText();
    void justifiedLinesReachTheRightEdge();
    void wrappedLinesStackWithLeading();
    void marginsAndIndent();
    void textStaysInsideTheField();
    void scrolledTextInACachedField();
    void borderAndBackground();
    void autoSizeFitsTheText();
    void passwordShowsStars();
    void deviceTextIsDrawn();
    void deviceTextAlignsAndWraps();
    void htmlFormatsTheText();
    void htmlPicksEmbeddedFontsByNameAndStyle();
    void htmlRunsWithinALine();
    void htmlParagraphsAndEntities();
    void htmlThatNeverCloses();
    void enormousAndEmptyText();
    void olderMoviesReadTheirCodePage();
};

void TestText::glyphsLandWhereTheirRecordsSay()
{
    // Height 32 px: 1024 glyph units are 32 px. The bar spans 12.5 px and
    // stands 25 px above the baseline; the ring's hole is 12.5 px wide.
    TextSpec text;
    TextRun r = run(1, 32, {{GlyphI, px(20)}, {GlyphO, px(30)}});
    r.x = qint16(px(10));
    r.y = qint16(px(50));
    text.runs.push_back(r);
    const QImage image = drawn(staticText(text));
    COMPARE_COLOR(pixelAt(image, 15, 40), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 21, 26), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 24, 40), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 15, 23), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 15, 51), QColor(Qt::white));
    // The ring from x 30 to 55 with its hole from 36.25 to 48.75.
    COMPARE_COLOR(pixelAt(image, 32, 37), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 42, 37), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 53, 37), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 57, 37), QColor(Qt::white));
    QCOMPARE(inkBounds(image), QRect(10, 25, 45, 25));
}

void TestText::font3GlyphsScaleTheSame()
{
    TextSpec text;
    TextRun r = run(1, 32, {{GlyphI, px(20)}, {GlyphO, px(30)}});
    r.x = qint16(px(10));
    r.y = qint16(px(50));
    text.runs.push_back(r);
    const QImage image = drawn(staticText(text, 3));
    QCOMPARE(inkBounds(image), QRect(10, 25, 45, 25));
    COMPARE_COLOR(pixelAt(image, 42, 37), QColor(Qt::white));
}

void TestText::recordsCarryPenFontAndColour()
{
    // The second record keeps the font and height, moves down, changes the
    // colour, and continues from the first record's pen position.
    TextSpec text;
    TextRun first = run(1, 16, {{GlyphI, px(40)}});
    first.x = qint16(px(10));
    first.y = qint16(px(20));
    TextRun second;
    second.y = qint16(px(60));
    second.color = swf::Rgba{255, 0, 0, 255};
    second.glyphs = {{GlyphI, px(10)}};
    text.runs = {first, second};
    const QImage image = drawn(staticText(text));
    COMPARE_COLOR(pixelAt(image, 12, 15), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 52, 55), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 12, 55), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 52, 15), QColor(Qt::white));
}

void TestText::colourTransformAndAlpha()
{
    TextSpec text;
    TextRun r = run(1, 32, {{GlyphI, px(20)}});
    r.x = qint16(px(10));
    r.y = qint16(px(50));
    r.color = swf::Rgba{0, 0, 255, 128};
    text.runs.push_back(r);
    swf::ColorTransform cx;
    cx.multR = 0;
    cx.addR = 255;
    const QImage image = drawn(staticText(text, 2, cx));
    // Half-transparent magenta over white.
    COMPARE_COLOR(pixelAt(image, 15, 40), QColor(255, 127, 255));
}

void TestText::textMatrixScalesTheRun()
{
    TextSpec text;
    text.matrix = swfwriter::scaleRotateTranslate(2, 2, 0, 20, 0);
    TextRun r = run(1, 16, {{GlyphI, px(20)}});
    r.y = qint16(px(40));
    text.runs.push_back(r);
    const QImage image = drawn(staticText(text));
    // A 6.25 × 12.5 bar at (0, 27.5) in text space, doubled and moved.
    QCOMPARE(inkBounds(image), QRect(20, 55, 13, 25));
}

void TestText::glyphsPastTheTableAreSkipped()
{
    TextSpec text;
    TextRun r = run(1, 32, {{70000, px(20)}, {4, px(20)}, {GlyphI, px(20)}});
    r.x = qint16(px(10));
    r.y = qint16(px(50));
    TextRun missing = run(99, 32, {{GlyphI, px(20)}});
    text.runs = {r, missing};
    const QImage image = drawn(staticText(text));
    // Only the bar after the two missing glyphs is drawn, 40 px along.
    QCOMPARE(inkBounds(image), QRect(50, 25, 13, 25));
}

void TestText::fieldAlignsEmbeddedText_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    // "IOL" at 40 px: advances 20 + 40 + 30 = 90 px; the L's ink ends
    // 23.4 px into its advance. Two pixels of gutter on each side.
    QTest::newRow("left") << int(swf::TextAlign::Left) << 2 << 85;
    QTest::newRow("right") << int(swf::TextAlign::Right) << 108 << 191;
    QTest::newRow("center") << int(swf::TextAlign::Center) << 55 << 138;
}

void TestText::fieldAlignsEmbeddedText()
{
    QFETCH(int, align);
    QFETCH(int, left);
    QFETCH(int, right);
    EditTextSpec field = blockField(QStringLiteral("IOL"), 40);
    field.layout = aligned(swf::TextAlign(align));
    const QImage image = drawn(fieldMovie(field));
    const QRect ink = inkBounds(image);
    QVERIFY2(qAbs(ink.left() - left) <= 1, qPrintable(QString::number(ink.left())));
    QVERIFY2(qAbs(ink.right() - right) <= 1, qPrintable(QString::number(ink.right())));
    // The baseline sits the gutter plus the ascent (31.25 px) down.
    QCOMPARE(ink.top(), 2);
    QCOMPARE(ink.bottom(), 33);
}

void TestText::justifiedLinesReachTheRightEdge()
{
    // At 20 px a word "IIII" is 40 px and a space 5 px; the second line
    // starts at the third word. Justified, the first line's last bar ends
    // at the right edge (2 + 100 px); the last line keeps to the left.
    EditTextSpec field = blockField(QStringLiteral("IIII IIII IIII"), 20, 104, 80);
    field.wordWrap = true;
    field.multiline = true;
    for (const auto align : {swf::TextAlign::Left, swf::TextAlign::Justify}) {
        field.layout = aligned(align);
        const QImage image = drawn(fieldMovie(field));
        const QRect firstLine = inkBounds(image.copy(0, 0, 200, 20));
        const QRect secondLine = inkBounds(image.copy(0, 22, 200, 20));
        QCOMPARE(firstLine.left(), 2);
        QCOMPARE(firstLine.right(), align == swf::TextAlign::Justify ? 99 : 84);
        QCOMPARE(secondLine.left(), 2);
        QCOMPARE(secondLine.right(), 39);
    }
}

void TestText::wrappedLinesStackWithLeading()
{
    // Lines are ascent + descent (32 px at 32 px) plus the leading apart.
    EditTextSpec field = blockField(QStringLiteral("II II"), 32, 60, 100);
    field.wordWrap = true;
    field.multiline = true;
    field.layout = aligned(swf::TextAlign::Left);
    field.layout->leading = qint16(px(6));
    const QImage image = drawn(fieldMovie(field));
    // First line: bars from y 2 to 27; the second 38 px lower.
    COMPARE_COLOR(pixelAt(image, 4, 3), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 4, 26), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 4, 30), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 4, 41), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 4, 64), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 4, 67), QColor(Qt::white));
    // Without wrapping the field keeps one line.
    field.wordWrap = false;
    const QImage single = drawn(fieldMovie(field));
    COMPARE_COLOR(pixelAt(single, 4, 41), QColor(Qt::white));
}

void TestText::marginsAndIndent()
{
    // Two paragraphs: the first line of each is indented, every line has
    // the left margin.
    EditTextSpec field = blockField(QStringLiteral("I\rI"), 20, 200, 80);
    field.multiline = true;
    field.layout = aligned(swf::TextAlign::Left);
    field.layout->leftMargin = quint16(px(10));
    field.layout->indent = quint16(px(20));
    const QImage image = drawn(fieldMovie(field));
    QCOMPARE(inkBounds(image.copy(0, 0, 200, 20)).left(), 32);
    QCOMPARE(inkBounds(image.copy(0, 22, 200, 20)).left(), 32);
    // The right margin narrows the room a right-aligned line has.
    field.layout->align = swf::TextAlign::Right;
    field.layout->rightMargin = quint16(px(30));
    field.text = QStringLiteral("I");
    const QImage right = drawn(fieldMovie(field));
    // The bar's advance is 10 px, its ink 7.8: it ends 2 + 30 + 2.2 px in.
    QCOMPARE(inkBounds(right).right(), 200 - 2 - 30 - 3);
}

void TestText::textStaysInsideTheField()
{
    // A field 50 × 20 at (10, 10) with text far wider and taller.
    EditTextSpec field = blockField(QStringLiteral("OOOOOOOO"), 40, 50, 20);
    const QImage image = drawn(fieldMovie(field, 10, 10));
    QCOMPARE(inkBounds(image), QRect(12, 12, 48, 18));
}

void TestText::scrolledTextInACachedField()
{
    // Lines I, O and L, 20 px each, in a field one line high, cached as a
    // bitmap at x = 10.2: each scroll shows the next line at the top, on
    // whole pixels (the bar 8, the ring 16, the L 12 pixels wide).
    EditTextSpec field = blockField(QStringLiteral("I\nO\nL"), 20, 100, 24);
    field.multiline = true;
    swfwriter::SwfWriter writer;
    writer.setStageSize(200, 100);
    swfwriter::defineFont(writer, blockFont(), 2, 1);
    swfwriter::Place place = placeAt(1, swfwriter::defineEditText(writer, field, 2), 10.2, 10);
    place.bitmapCache = 1;
    writer.placeObject3(place);
    writer.showFrame();
    swf::Player player(mustParse(writer.finish()));
    auto &instance = static_cast<swf::EditTextInstance &>(*player.displayList().at(1));
    QCOMPARE(instance.layout().lineTops.size(), size_t(3));
    const int widths[] = {8, 16, 12};
    for (int line = 1; line <= 4; ++line) {
        instance.setScroll(line);
        QCOMPARE(instance.scroll(), std::min(line, 3));
        const QRect ink = inkBounds(renderStage(player).copy(0, 0, 200, 30));
        QCOMPARE(ink.left(), 12);
        QCOMPARE(ink.top(), 12);
        QCOMPARE(ink.width(), widths[std::min(line, 3) - 1]);
    }
}

void TestText::borderAndBackground()
{
    EditTextSpec field = blockField(QStringLiteral(""), 20, 100, 40);
    field.border = true;
    const QImage image = drawn(fieldMovie(field, 20, 20, {0, 128, 0, 255}));
    COMPARE_COLOR(pixelAt(image, 50, 40), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 50, 20), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 20, 40), QColor(Qt::black));
    // The right and bottom edges lie on the pixels past the box.
    COMPARE_COLOR(pixelAt(image, 120, 40), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 50, 60), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 119, 59), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 121, 40), QColor(0, 128, 0));
    COMPARE_COLOR(pixelAt(image, 50, 10), QColor(0, 128, 0));
    COMPARE_COLOR(pixelAt(image, 130, 40), QColor(0, 128, 0));
    // Without the flag neither is drawn.
    field.border = false;
    const QImage plain = drawn(fieldMovie(field, 20, 20, {0, 128, 0, 255}));
    COMPARE_COLOR(pixelAt(plain, 50, 40), QColor(0, 128, 0));
}

void TestText::autoSizeFitsTheText()
{
    EditTextSpec field = blockField(QStringLiteral("IO"), 40, 20, 10);
    field.autoSize = true;
    field.border = true;
    swf::Player player(fieldMovie(field, 10, 10));
    const swf::TextLayout &layout = layoutOf(player);
    // 60 px of advances and 40 px of ascent and descent, with the gutters.
    QCOMPARE(layout.box, QRectF(0, 0, px(64), px(44)));
    const QImage image = renderStage(player);
    COMPARE_COLOR(pixelAt(image, 74, 30), QColor(Qt::black));
    COMPARE_COLOR(pixelAt(image, 40, 54), QColor(Qt::black));
    // Right-aligned fields grow to the left.
    field.layout = aligned(swf::TextAlign::Right);
    swf::Player right(fieldMovie(field, 100, 10));
    QCOMPARE(layoutOf(right).box, QRectF(px(20 - 64), 0, px(64), px(44)));
}

void TestText::passwordShowsStars()
{
    EditTextSpec field = deviceField(QStringLiteral("IIIIII"));
    field.password = true;
    swf::Player player(fieldMovie(field));
    const swf::TextLayout &layout = layoutOf(player);
    QCOMPARE(layout.runs.size(), size_t(1));
    // Stars sit high on the line: nothing near the baseline.
    const QRectF ink = layout.runs.front().outline.boundingRect();
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.bottom() < px(2 + 14), qPrintable(QString::number(ink.bottom())));
}

void TestText::deviceTextIsDrawn()
{
    for (const QString &face :
         {QStringLiteral("_sans"), QStringLiteral("_serif"), QStringLiteral("_typewriter"),
          QStringLiteral("Arial"), QStringLiteral("No Such Font 123"), QStringLiteral("宋体")}) {
        EditTextSpec field = deviceField(QStringLiteral("Hello 中文"));
        field.fontClass = face;
        field.color = swf::Rgba{200, 0, 0, 255};
        const QImage image = drawn(fieldMovie(field, 10, 10));
        const QRect ink = inkBounds(image);
        QVERIFY2(!ink.isEmpty(), qPrintable(face));
        QVERIFY2(QRect(10, 10, 180, 80).contains(ink), qPrintable(face));
        QVERIFY2(countColor(image, QColor(200, 0, 0), {}, 30) > 40, qPrintable(face));
        // A 20-pixel line: ink within the first line's height.
        QVERIFY2(ink.top() >= 12 && ink.bottom() <= 10 + 2 + 24, qPrintable(face));
    }
}

void TestText::deviceTextAlignsAndWraps()
{
    EditTextSpec field = deviceField(QStringLiteral("Wide words wrap here"));
    field.layout = aligned(swf::TextAlign::Right);
    const QImage right = drawn(fieldMovie(field));
    field.layout = aligned(swf::TextAlign::Left);
    const QImage left = drawn(fieldMovie(field));
    QVERIFY(qAbs(inkBounds(left).left() - 2) <= 2);
    QVERIFY(qAbs(inkBounds(right).right() - 177) <= 2);
    // Too wide for one line of 176 px: clipped unless wrapped.
    field.text = QStringLiteral("Wide words wrap here, and more words wrap there");
    const QImage clipped = drawn(fieldMovie(field));
    QVERIFY(inkBounds(clipped).height() < 26);
    QVERIFY(inkBounds(clipped).right() >= 170);
    field.wordWrap = true;
    field.multiline = true;
    const QImage wrapped = drawn(fieldMovie(field));
    QVERIFY(inkBounds(wrapped).height() > 30);
    QVERIFY(inkBounds(wrapped).right() <= 178);
}

void TestText::htmlFormatsTheText()
{
    const auto ink = [](const QString &html, const QColor &color) {
        EditTextSpec field = deviceField(html);
        field.html = true;
        field.multiline = true;
        return countColor(drawn(fieldMovie(field)), color, {}, 60);
    };
    const int plain = ink(QStringLiteral("Heavy"), Qt::black);
    const int bold = ink(QStringLiteral("<b>Heavy</b>"), Qt::black);
    QVERIFY2(bold > plain * 5 / 4, qPrintable(QStringLiteral("%1 %2").arg(plain).arg(bold)));
    QVERIFY(ink(QStringLiteral("<font color=\"#00FF00\">Green</font>"), QColor(0, 255, 0)) > 30);
    QCOMPARE(ink(QStringLiteral("<font color=\"#00FF00\">Green</font>"), Qt::black), 0);
    const int small = ink(QStringLiteral("<font size=\"10\">Size</font>"), Qt::black);
    const int large = ink(QStringLiteral("<font size=\"30\">Size</font>"), Qt::black);
    QVERIFY(large > small * 3);
    // Underlines run under the text.
    EditTextSpec field = deviceField(QStringLiteral("<u>under</u>"));
    field.html = true;
    swf::Player player(fieldMovie(field));
    QCOMPARE(layoutOf(player).runs.front().underlines.size(), size_t(1));
    // Paragraph alignment from <p align>.
    field.text = QStringLiteral("<p align=\"center\">mid</p>");
    const QRect centred = inkBounds(drawn(fieldMovie(field)));
    QVERIFY(qAbs(centred.center().x() - 90) <= 3);
}

void TestText::htmlPicksEmbeddedFontsByNameAndStyle()
{
    // Font 1 is "Block"; font 3 "Block" in bold, with a bar twice as wide;
    // font 4 "Other" has no bar at all. Bold text draws with font 3, a
    // name the movie does not hold draws nothing.
    swfwriter::SwfWriter writer;
    writer.setStageSize(200, 100);
    swfwriter::defineFont(writer, blockFont(), 2, 1);
    swfwriter::FontSpec bold = blockFont();
    bold.bold = true;
    bold.glyphs[GlyphI].outline = swfwriter::ShapeBuilder();
    bold.glyphs[GlyphI].outline.rect(QRect(0, -800, 800, 800),
                                     bold.glyphs[GlyphI].outline.addFill({0, 0, 0}));
    bold.glyphs[GlyphI].advance = 1024;
    swfwriter::defineFont(writer, bold, 2, 3);
    swfwriter::FontSpec other = blockFont(QStringLiteral("Other"));
    other.glyphs.erase(other.glyphs.begin());
    swfwriter::defineFont(writer, other, 2, 4);
    EditTextSpec field = blockField(QString(), 32, 200, 100);
    field.html = true;
    field.multiline = true;
    field.text = QStringLiteral("<p>I</p><p><b>I</b></p><p><font face=\"Other\">IO</font></p>");
    const quint16 id = swfwriter::defineEditText(writer, field, 2);
    writer.placeObject2(placeAt(1, id, 0, 0));
    writer.showFrame();
    const QImage image = drawn(mustParse(writer.finish()));
    // Lines are 32 px apart; the bars 12.5 and 25 px wide.
    QCOMPARE(inkBounds(image.copy(0, 0, 200, 32)).width(), 13);
    QCOMPARE(inkBounds(image.copy(0, 32, 200, 32)).width(), 25);
    // "Other" has no I: the O follows at once.
    QCOMPARE(inkBounds(image.copy(0, 64, 200, 32)).left(), 2);
    QCOMPARE(inkBounds(image.copy(0, 64, 200, 32)).width(), 25);
}

void TestText::htmlRunsWithinALine()
{
    // Three runs on one line: 32 px, 64 px red with 4 px letter spacing,
    // 32 px. They share the baseline the tallest sets (the gutter of two
    // pixels, then an ascent of 50 px); each starts where the last one's
    // advances, spacing included, end.
    EditTextSpec field = blockField(QString(), 32, 200, 100);
    field.html = true;
    field.text =
        QStringLiteral("I<font size=\"64\" color=\"#FF0000\" letterSpacing=\"4\">II</font>I");
    swf::Player player(fieldMovie(field));
    const swf::TextLayout &layout = layoutOf(player);
    QCOMPARE(layout.runs.size(), size_t(3));
    std::vector<QPointF> origins;
    for (const swf::LaidRun &run : layout.runs) {
        for (const swf::PlacedGlyph &glyph : run.glyphs)
            origins.push_back(glyph.origin / 20.0);
    }
    const std::vector<QPointF> expected{{2, 52}, {18, 52}, {54, 52}, {90, 52}};
    QCOMPARE(origins, expected);
    QCOMPARE(layout.runs[1].color, (swf::Rgba{255, 0, 0, 255}));
}

void TestText::htmlParagraphsAndEntities()
{
    swf::CharFormat base;
    base.face = QStringLiteral("Base");
    const swf::ParagraphFormat paragraph;
    const auto p = swf::htmlTextParagraphs(
        QStringLiteral(
            "<P ALIGN=\"RIGHT\"><FONT FACE=\"Serif, Sans\" SIZE=\"+2\" COLOR=\"#102030\">"
            "a &lt;b&gt; &amp;&#65;&#x42;&nbsp;&bogus; &</FONT></P><p>two<br>three</p>x"),
        base, paragraph);
    QCOMPARE(p.size(), size_t(4));
    QCOMPARE(p[0].format.align, swf::TextAlign::Right);
    QCOMPARE(p[0].spans.size(), size_t(1));
    QCOMPARE(p[0].spans[0].text, QStringLiteral("a <b> &AB\u00a0&bogus; &"));
    QCOMPARE(p[0].spans[0].format.face, QStringLiteral("Serif"));
    QCOMPARE(p[0].spans[0].format.size, 240.0 + 40.0);
    QCOMPARE(p[0].spans[0].format.color, (swf::Rgba{0x10, 0x20, 0x30, 255}));
    QCOMPARE(p[1].format.align, swf::TextAlign::Left);
    QCOMPARE(p[1].spans[0].text, QStringLiteral("two"));
    QCOMPARE(p[2].spans[0].text, QStringLiteral("three"));
    QCOMPARE(p[3].spans[0].text, QStringLiteral("x"));
    QCOMPARE(p[3].spans[0].format, base);
    // Plain text: a paragraph per line, CR LF counting once.
    const auto plain = swf::plainTextParagraphs(QStringLiteral("a\r\nb\rc\n\nd"), base, paragraph);
    QCOMPARE(plain.size(), size_t(5));
    QVERIFY(plain[3].spans.empty());
}

void TestText::htmlThatNeverCloses()
{
    swf::CharFormat base;
    const swf::ParagraphFormat paragraph;
    // Unclosed elements last to the end; a stray closing tag is ignored;
    // an element cut off by the end of the text is left out.
    auto p = swf::htmlTextParagraphs(QStringLiteral("<b><i>on</u> and on <font size='12"), base,
                                     paragraph);
    QCOMPARE(p.size(), size_t(1));
    QCOMPARE(p[0].spans[0].text, QStringLiteral("on and on "));
    QVERIFY(p[0].spans[0].format.bold && p[0].spans[0].format.italic);
    // Nesting deeper than the limit is read as content.
    QString deep;
    for (int i = 0; i < 5000; ++i)
        deep += QStringLiteral("<font size=\"+1\">");
    deep += QStringLiteral("deep");
    for (int i = 0; i < 5000; ++i)
        deep += QStringLiteral("</font>");
    deep += QStringLiteral("after");
    p = swf::htmlTextParagraphs(deep, base, paragraph);
    QCOMPARE(p[0].spans.size(), size_t(2));
    QCOMPARE(p[0].spans[0].text, QStringLiteral("deep"));
    QCOMPARE(p[0].spans[1].text, QStringLiteral("after"));
    QCOMPARE(p[0].spans[1].format, base);
}

void TestText::enormousAndEmptyText()
{
    // The largest height a field can ask for, an absurd HTML size, a text
    // longer than what is laid out, and a field without any text.
    EditTextSpec huge = deviceField(QStringLiteral("W"), 0);
    huge.fontHeight = 65535;
    QVERIFY(!drawn(fieldMovie(huge)).isNull());
    EditTextSpec html = deviceField(QStringLiteral("<font size=\"99999999\">W</font>"));
    html.html = true;
    swf::Player player(fieldMovie(html));
    QVERIFY(layoutOf(player).runs.front().height <= 65535);
    EditTextSpec longText = blockField(QString(200000, u'I'), 10);
    longText.wordWrap = true;
    longText.multiline = true;
    swf::Player longPlayer(fieldMovie(longText));
    const auto &longField =
        static_cast<const swf::EditTextInstance &>(*longPlayer.displayList().at(1));
    QCOMPARE(longField.text().size(), qsizetype(swf::limits::kMaxTextFieldChars));
    QVERIFY(!longField.layout().lineTops.empty());
    // Fonts past the limit one field may use draw in the field's own.
    QString faces;
    for (int i = 0; i < 200; ++i)
        faces += QStringLiteral("<font face=\"Face %1\">x</font>").arg(i);
    EditTextSpec many = deviceField(faces);
    many.html = true;
    swf::Player manyPlayer(fieldMovie(many));
    QCOMPARE(layoutOf(manyPlayer).runs.size(), size_t(200));
    EditTextSpec empty = blockField(QString(), 10);
    empty.text.reset();
    QCOMPARE(inkBounds(drawn(fieldMovie(empty))), QRect());
}

void TestText::olderMoviesReadTheirCodePage()
{
    // Before version 6, text is in the author's code page: GBK when it
    // reads as GBK, every byte kept otherwise, and byte values for fields
    // drawn with embedded glyphs.
    const auto initialText = [](const QByteArray &bytes, bool embedded) {
        swfwriter::BitWriter w;
        w.u16(5);
        w.u8(0x00); // a RECT of zero-bit fields
        w.u8(0x80); // has text
        w.u8(embedded ? 0x01 : 0x00);
        w.cstring("v");
        w.cstring(bytes);
        swfwriter::SwfWriter writer;
        writer.setVersion(5);
        writer.rawTag(swf::TagCode::DefineEditText, w.data());
        writer.showFrame();
        const auto movie = mustParse(writer.finish());
        const swf::Character *field = movie ? movie->character(5) : nullptr;
        if (!field || field->kind() != swf::CharacterKind::EditText)
            return QStringLiteral("(no field)");
        return static_cast<const swf::EditText &>(*field).initialText.value_or(QString());
    };
    QCOMPARE(initialText("\xb0\xb4\xc5\xa5 OK", false), QStringLiteral("按钮 OK"));
    QCOMPARE(initialText("caf\xe9 au lait", false), QStringLiteral("café au lait"));
    QCOMPARE(initialText("\xb0\xb4", true), QStringLiteral("\u00b0\u00b4"));
}

QTEST_MAIN(TestText)
#include "tst_text.moc"
