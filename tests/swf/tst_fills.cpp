// Gradient fills (linear, radial, focal; pad, reflect, repeat; sRGB and
// linear RGB; the Flash Player's ramp for odd records), lines (hairlines,
// caps, joins) and colour transforms on every fill kind down nested sprites.
#include "swf/render/gradientramp.h"
#include "swftest.h"
#include "tools/swfwriter/bitmapwriter.h"
#include "tools/swfwriter/fillwriter.h"
#include "tools/swfwriter/morphwriter.h"

#include <QTest>

#include <cmath>

namespace {

using swf::FillKind;
using swf::GradientRecord;

const swf::Rgba kRed{255, 0, 0, 255};
const swf::Rgba kBlue{0, 0, 255, 255};

swfwriter::GradientSpec redToBlue(FillKind kind, const QRect &box)
{
    swfwriter::GradientSpec g;
    g.kind = kind;
    g.matrix = swfwriter::gradientBox(box);
    g.records = {{0, kRed}, {255, kBlue}};
    return g;
}

// A movie of `w` × 20 pixels (or `h`) filled with one gradient.
std::shared_ptr<const swf::Movie> gradientMovie(const swfwriter::GradientSpec &g, int w = 256,
                                                int h = 20,
                                                std::optional<swf::ColorTransform> cx = {})
{
    swfwriter::SwfWriter writer;
    writer.setStageSize(w, h);
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(w), px(h)), b.addRawFill(swfwriter::gradientFill(g, 3)));
    const quint16 id = writer.defineShape(b, 3);
    swfwriter::Place p = placeAt(1, id, 0, 0);
    p.colorTransform = cx;
    writer.placeObject2(p);
    writer.showFrame();
    return mustParse(writer.finish());
}

QImage drawn(const std::shared_ptr<const swf::Movie> &movie)
{
    swf::Player player(movie);
    return renderStage(player);
}

// The share of blue in a red-to-blue gradient's pixel, 0 … 1.
double blueShare(const QImage &image, int x, int y)
{
    return pixelAt(image, x, y).blue() / 255.0;
}

swf::Gradient gradientOf(std::vector<GradientRecord> records)
{
    swf::Gradient g;
    g.records = std::move(records);
    return g;
}

} // namespace

class TestFills : public QObject {
    Q_OBJECT
private slots:
    void linearGradientSpansItsSquare();
    void spreadModes();
    void radialAndFocalGradients();
    void linearRgbInterpolation();
    void rampOfOddRecords();
    void gradientsWithoutRecordsAreBlack();
    void colourTransformsReachEveryFillKind();
    void hairlinesAndThickLines();
    void capsAndJoins();
    void filledAndUnscaledStrokes();
};

void TestFills::linearGradientSpansItsSquare()
{
    const QImage image =
        drawn(gradientMovie(redToBlue(FillKind::LinearGradient, QRect(0, 0, px(256), px(20)))));
    COMPARE_COLOR(pixelAt(image, 0, 10), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 255, 10), QColor(0, 0, 255));
    QVERIFY(qAbs(blueShare(image, 64, 10) - 0.25) < 0.02);
    QVERIFY(qAbs(blueShare(image, 128, 10) - 0.5) < 0.02);
    // Turned by 90 degrees it runs downwards.
    swfwriter::GradientSpec turned =
        redToBlue(FillKind::LinearGradient, QRect(0, 0, px(20), px(20)));
    turned.matrix = swfwriter::gradientBox(QRect(0, 0, px(20), px(20)), 90);
    const QImage down = drawn(gradientMovie(turned, 20, 20));
    QVERIFY(blueShare(down, 10, 1) < 0.1);
    QVERIFY(blueShare(down, 10, 18) > 0.9);
}

void TestFills::spreadModes()
{
    // The square covers x = 0 … 100 of a 300-pixel stage; at x = 125 the
    // gradient position is 1.25.
    const QRect box(0, 0, px(100), px(20));
    struct Case {
        swf::SpreadMode spread;
        double blueAt125;
    };
    for (const Case &c : {Case{swf::SpreadMode::Pad, 1.0}, Case{swf::SpreadMode::Reflect, 0.75},
                          Case{swf::SpreadMode::Repeat, 0.25}}) {
        swfwriter::GradientSpec g = redToBlue(FillKind::LinearGradient, box);
        g.spread = c.spread;
        const QImage image = drawn(gradientMovie(g, 300));
        QVERIFY2(
            qAbs(blueShare(image, 125, 10) - c.blueAt125) < 0.03,
            qPrintable(
                QStringLiteral("spread %1: %2").arg(int(c.spread)).arg(blueShare(image, 125, 10))));
    }
}

void TestFills::radialAndFocalGradients()
{
    // A circle of radius 100 around (100, 100): red in the centre, blue at
    // the rim and beyond.
    const QRect box(0, 0, px(200), px(200));
    const QImage radial = drawn(gradientMovie(redToBlue(FillKind::RadialGradient, box), 200, 200));
    QVERIFY(blueShare(radial, 100, 100) < 0.03);
    QVERIFY(qAbs(blueShare(radial, 150, 100) - 0.5) < 0.03);
    QVERIFY(qAbs(blueShare(radial, 100, 50) - 0.5) < 0.03);
    QVERIFY(blueShare(radial, 2, 2) > 0.97);
    // The focal point moved to x = 175: red there, and the ramp squeezed
    // between it and the rim on that side.
    swfwriter::GradientSpec focal = redToBlue(FillKind::FocalGradient, box);
    focal.focalPoint = 0.75;
    const QImage image = drawn(gradientMovie(focal, 200, 200));
    QVERIFY(blueShare(image, 175, 100) < 0.05);
    QVERIFY(qAbs(blueShare(image, 187, 100) - 0.5) < 0.1);
    // The centre lies 75 of the 175 pixels from the focus to the left rim.
    QVERIFY(qAbs(blueShare(image, 100, 100) - 75.0 / 175.0) < 0.05);
}

void TestFills::linearRgbInterpolation()
{
    const QRect box(0, 0, px(256), px(20));
    swfwriter::GradientSpec g;
    g.matrix = swfwriter::gradientBox(box);
    g.records = {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}};
    const QImage normal = drawn(gradientMovie(g));
    QVERIFY(qAbs(pixelAt(normal, 128, 10).green() - 128) <= 3);
    // Halfway in linear light is 0.5, which is 188 in sRGB.
    g.interpolation = swf::InterpolationMode::Linear;
    const QImage linear = drawn(gradientMovie(g));
    QVERIFY2(qAbs(pixelAt(linear, 128, 10).green() - 188) <= 4,
             qPrintable(QString::number(pixelAt(linear, 128, 10).green())));
}

void TestFills::rampOfOddRecords()
{
    const swf::ColorTransform none;
    // Ratios that run backwards: the first colour up to its ratio, then the
    // colour of the record that goes back (the corpus's two pictures).
    const swf::Rgba green{0, 255, 0, 255};
    swf::GradientRamp ramp = swf::gradientRamp(gradientOf({{127, kRed}, {0, green}}), none);
    QCOMPARE(ramp[0], kRed);
    QCOMPARE(ramp[127], kRed);
    QCOMPARE(ramp[128], green);
    QCOMPARE(ramp[255], green);
    ramp = swf::gradientRamp(gradientOf({{254, kRed}, {0, kBlue}, {0, green}}), none);
    QCOMPARE(ramp[254], kRed);
    QCOMPARE(ramp[255], kBlue);
    // A record that goes back shows for one entry and starts the next
    // stretch; those after it are still drawn.
    ramp =
        swf::gradientRamp(gradientOf({{0, kRed}, {200, kBlue}, {100, green}, {255, kRed}}), none);
    QCOMPARE(ramp[200], kBlue);
    QCOMPARE(ramp[201], green);
    QCOMPARE(ramp[255], kRed);
    QCOMPARE(ramp[230], (swf::Rgba{214, 41, 0, 255})); // green to red from ratio 100
    // Every record at one ratio: each takes one entry past it.
    ramp = swf::gradientRamp(gradientOf({{128, kRed}, {128, green}, {128, kBlue}}), none);
    QCOMPARE(ramp[128], kRed);
    QCOMPARE(ramp[129], green);
    QCOMPARE(ramp[130], kBlue);
    QCOMPARE(ramp[255], kBlue);
    // Before the first and past the last record: their colours.
    ramp = swf::gradientRamp(gradientOf({{64, kRed}, {192, kBlue}}), none);
    QCOMPARE(ramp[10], kRed);
    QCOMPARE(ramp[128], (swf::Rgba{128, 0, 128, 255}));
    QCOMPARE(ramp[250], kBlue);
    // Sixteen records (one more than a file can hold) and equal ratios.
    std::vector<GradientRecord> many;
    for (int i = 0; i < 16; ++i)
        many.push_back({quint8(i * 17), i % 2 ? kBlue : kRed});
    ramp = swf::gradientRamp(gradientOf(many), none);
    QCOMPARE(ramp[0], kRed);
    QCOMPARE(ramp[255], kBlue);
    QCOMPARE(ramp[17], kBlue);
    ramp = swf::gradientRamp(gradientOf({{100, kRed}, {100, kBlue}}), none);
    QCOMPARE(ramp[100], kRed);
    QCOMPARE(ramp[101], kBlue);
    // The colour transform applies to every entry.
    swf::ColorTransform noRed;
    noRed.multR = 0;
    ramp = swf::gradientRamp(gradientOf({{0, kRed}, {255, kBlue}}), noRed);
    QCOMPARE(ramp[0], (swf::Rgba{0, 0, 0, 255}));
}

void TestFills::gradientsWithoutRecordsAreBlack()
{
    // A record count of zero is drawn opaque black; one record is a solid.
    swfwriter::GradientSpec g = redToBlue(FillKind::LinearGradient, QRect(0, 0, px(40), px(20)));
    g.records.clear();
    QImage image = drawn(gradientMovie(g, 40));
    COMPARE_COLOR(pixelAt(image, 20, 10), QColor(0, 0, 0));
    g.records = {{200, {0, 128, 0, 255}}};
    image = drawn(gradientMovie(g, 40));
    COMPARE_COLOR(pixelAt(image, 5, 10), QColor(0, 128, 0));
    COMPARE_COLOR(pixelAt(image, 35, 10), QColor(0, 128, 0));
}

void TestFills::colourTransformsReachEveryFillKind()
{
    // Three shapes (a solid, a gradient of one colour, a bitmap of one
    // colour), all mid grey, inside two nested sprites: the outer halves
    // red, the inner adds 40 green. Each shape ends up (64, 168, 128).
    swfwriter::SwfWriter w;
    w.setStageSize(60, 20);
    const swf::Rgba grey{128, 128, 128, 255};
    QImage greyImage(4, 4, QImage::Format_ARGB32);
    greyImage.fill(qRgb(128, 128, 128));
    const quint16 bitmap =
        swfwriter::defineBitsLossless(w, greyImage, swf::LosslessFormat::Rgb24, false);
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(20), px(20)), b.addFill(grey));
    swfwriter::GradientSpec g;
    g.records = {{0, grey}, {255, grey}};
    b.rect(QRect(px(20), 0, px(20), px(20)), b.addRawFill(swfwriter::gradientFill(g, 3)));
    b.rect(QRect(px(40), 0, px(20), px(20)),
           b.addRawFill(swfwriter::bitmapFill(FillKind::RepeatingBitmap, bitmap,
                                              swfwriter::scaleRotateTranslate(20, 20, 0, 0, 0))));
    const quint16 shape = w.defineShape(b, 3);
    swfwriter::TimelineWriter inner;
    swfwriter::Place addGreen = placeAt(1, shape, 0, 0);
    addGreen.colorTransform = swf::ColorTransform{256, 256, 256, 256, 0, 40, 0, 0};
    inner.placeObject2(addGreen);
    inner.showFrame();
    const quint16 innerId = w.defineSprite(inner);
    swfwriter::TimelineWriter outer;
    outer.placeObject2(placeAt(1, innerId, 0, 0));
    outer.showFrame();
    const quint16 outerId = w.defineSprite(outer);
    swfwriter::Place halfRed = placeAt(1, outerId, 0, 0);
    halfRed.colorTransform = swf::ColorTransform{128, 256, 256, 256, 0, 0, 0, 0};
    w.placeObject2(halfRed);
    w.showFrame();
    const QImage image = drawn(mustParse(w.finish()));
    for (int x : {10, 30, 50})
        COMPARE_COLOR(pixelAt(image, x, 10), QColor(64, 168, 128));
}

void TestFills::hairlinesAndThickLines()
{
    // A zero-width line and a line of 0.2 pixels both show one pixel wide;
    // a line of 6 pixels covers 3 pixels each side of its path.
    swfwriter::ShapeBuilder b;
    const int hair = b.addLine(0, {0, 0, 0, 255});
    const int thin = b.addLine(4, {0, 0, 0, 255});
    const int thick = b.addLine(px(6), {0, 0, 255, 255});
    b.setLine(hair).moveTo(px(10), px(10)).lineTo(px(90), px(10));
    b.setLine(thin).moveTo(px(10), px(30)).lineTo(px(90), px(30));
    b.setLine(thick).moveTo(px(10), px(60)).lineTo(px(90), px(60));
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    w.placeObject2(placeAt(1, w.defineShape(b, 3), 0, 0));
    w.showFrame();
    const QImage image = drawn(mustParse(w.finish()));
    for (int y : {10, 30}) {
        const int darkest = std::min(pixelAt(image, 50, y - 1).red(), pixelAt(image, 50, y).red());
        QVERIFY2(darkest < 140, qPrintable(QStringLiteral("hairline at %1").arg(y)));
    }
    COMPARE_COLOR(pixelAt(image, 50, 58), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 50, 61), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 50, 64), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 50, 55), QColor(Qt::white));
}

void TestFills::capsAndJoins()
{
    // DefineShape4 lines 10 pixels wide: a flat cap stops at the end point,
    // a square cap runs half the width past it; a miter join fills the
    // corner that a bevel cuts off.
    auto drawLine = [](swfwriter::LineOptions options, bool corner) {
        swfwriter::ShapeBuilder b;
        b.setLine(b.addLine(px(10), {0, 0, 0, 255}, options));
        b.moveTo(px(20), px(50)).lineTo(px(60), px(50));
        if (corner)
            b.lineTo(px(60), px(90));
        swfwriter::SwfWriter w;
        w.setStageSize(100, 100);
        w.placeObject2(placeAt(1, w.defineShape(b, 4), 0, 0));
        w.showFrame();
        return drawn(mustParse(w.finish()));
    };
    swfwriter::LineOptions flat;
    flat.startCap = flat.endCap = swf::CapStyle::None;
    swfwriter::LineOptions square = flat;
    square.startCap = square.endCap = swf::CapStyle::Square;
    COMPARE_COLOR(pixelAt(drawLine(flat, false), 17, 50), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(drawLine(square, false), 17, 50), QColor(0, 0, 0));
    swfwriter::LineOptions miter = flat;
    miter.join = swf::JoinStyle::Miter;
    swfwriter::LineOptions bevel = flat;
    bevel.join = swf::JoinStyle::Bevel;
    COMPARE_COLOR(pixelAt(drawLine(miter, true), 64, 46), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(drawLine(bevel, true), 64, 46), QColor(Qt::white));
}

void TestFills::filledAndUnscaledStrokes()
{
    // LINESTYLE2 strokes (written through DefineMorphShape2, shown at its
    // start): one 10 pixels wide filled with a red-to-blue gradient, one 4
    // pixels wide that keeps its width when the shape is scaled 4 times.
    swf::MorphLineStyle filled;
    filled.startWidth = filled.endWidth = quint16(px(10));
    filled.startCap = filled.endCap = swf::CapStyle::None;
    swf::MorphFillStyle gradient;
    gradient.kind = FillKind::LinearGradient;
    gradient.startMatrix = gradient.endMatrix =
        swfwriter::gradientBox(QRect(0, 0, px(100), px(20)));
    gradient.records = {{0, kRed, 0, kRed}, {255, kBlue, 255, kBlue}};
    filled.fill = gradient;
    swf::MorphLineStyle unscaled;
    unscaled.startWidth = unscaled.endWidth = quint16(px(4));
    unscaled.startColor = unscaled.endColor = {0, 0, 0, 255};
    unscaled.noHScale = unscaled.noVScale = true;
    swfwriter::ShapeBuilder start, end;
    for (swfwriter::ShapeBuilder *b : {&start, &end}) {
        b->setLine(1).moveTo(0, px(10)).lineTo(px(100), px(10));
        b->setLine(2).moveTo(0, px(40)).lineTo(px(25), px(40));
    }
    swfwriter::SwfWriter w;
    w.setStageSize(100, 200);
    const quint16 id = swfwriter::defineMorphShape(w, {}, {filled, unscaled}, start, end, 2);
    w.placeObject2(placeAt(1, id, 0, 0));
    swfwriter::Place scaled = placeAt(2, id, 0, 0);
    scaled.matrix = swfwriter::scaleRotateTranslate(4, 4, 0, 0, 0);
    scaled.ratio = 0;
    w.placeObject2(scaled);
    w.showFrame();
    const QImage image = drawn(mustParse(w.finish()));
    QVERIFY(blueShare(image, 10, 10) < 0.15);
    QVERIFY(blueShare(image, 90, 10) > 0.85);
    QVERIFY(qAbs(blueShare(image, 50, 10) - 0.5) < 0.05);
    // Scaled 4 times the line lies at y = 160 and is still 4 pixels wide.
    COMPARE_COLOR(pixelAt(image, 50, 161), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 164), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 50, 156), QColor(Qt::white));
}

QTEST_GUILESS_MAIN(TestFills)
#include "tst_fills.moc"
