// LINESTYLE2 strokes: a cap of its own at each open end, the no-close
// flag, and pixel hinting onto whole device pixels.
#include "swf/render/strokeoutline.h"
#include "swftest.h"

#include <QTest>

namespace {

using swf::CapStyle;

const QColor kBlack(0, 0, 0);
const QColor kWhite(Qt::white);

QImage drawn(const swfwriter::ShapeBuilder &shape, const std::optional<swf::Matrix> &matrix = {},
             int shapeVersion = 4)
{
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    swfwriter::Place p = placeAt(1, w.defineShape(shape, shapeVersion), 0, 0);
    if (matrix)
        p.matrix = *matrix;
    w.placeObject2(p);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    return renderStage(player);
}

swfwriter::LineOptions caps(CapStyle start, CapStyle end)
{
    swfwriter::LineOptions options;
    options.startCap = start;
    options.endCap = end;
    return options;
}

} // namespace

class TestStrokes : public QObject {
    Q_OBJECT
private slots:
    void eachEndHasItsOwnCap_data();
    void eachEndHasItsOwnCap();
    void unscaledLinesKeepBothCaps();
    void noCloseKeepsCapsWhereAContourMeetsItsStart();
    void pixelHintedLinesLandOnWholePixels_data();
    void pixelHintedLinesLandOnWholePixels();
    void hintingMovesControlPointsWithTheirAnchors();
};

void TestStrokes::eachEndHasItsOwnCap_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("round, none") << int(CapStyle::Round) << int(CapStyle::None);
    QTest::newRow("none, square") << int(CapStyle::None) << int(CapStyle::Square);
    QTest::newRow("square, round") << int(CapStyle::Square) << int(CapStyle::Round);
    QTest::newRow("square, none") << int(CapStyle::Square) << int(CapStyle::None);
}

void TestStrokes::eachEndHasItsOwnCap()
{
    // Lines 10 pixels wide: one from x = 20 to 60 at y = 30, one drawn
    // the other way at y = 70 (its start on the right), and a bent one
    // whose end runs downwards to y = 90 at x = 85.
    QFETCH(int, start);
    QFETCH(int, end);
    swfwriter::ShapeBuilder b;
    b.setLine(b.addLine(px(10), {0, 0, 0, 255}, caps(CapStyle(start), CapStyle(end))));
    b.moveTo(px(20), px(30)).lineTo(px(60), px(30));
    b.moveTo(px(60), px(70)).lineTo(px(20), px(70));
    b.moveTo(px(85), px(20)).lineTo(px(85), px(60)).curveTo(px(85), px(75), px(85), px(90));
    const QImage image = drawn(b);

    // Past an end, on the line's axis: covered unless the cap is flat.
    // Off the axis near the corner: covered by a square cap only.
    auto checkEnd = [&](int cap, QPoint onAxis, QPoint corner) {
        const auto kind = CapStyle(cap);
        COMPARE_COLOR(pixelAt(image, onAxis.x(), onAxis.y()),
                      kind == CapStyle::None ? kWhite : kBlack);
        COMPARE_COLOR(pixelAt(image, corner.x(), corner.y()),
                      kind == CapStyle::Square ? kBlack : kWhite);
    };
    checkEnd(start, QPoint(17, 30), QPoint(15, 25));
    checkEnd(end, QPoint(63, 30), QPoint(64, 25));
    checkEnd(start, QPoint(63, 70), QPoint(64, 74));
    checkEnd(end, QPoint(17, 70), QPoint(15, 74));
    checkEnd(start, QPoint(85, 17), QPoint(80, 15));
    checkEnd(end, QPoint(85, 93), QPoint(89, 94));
    // The middles are whole.
    COMPARE_COLOR(pixelAt(image, 40, 26), kBlack);
    COMPARE_COLOR(pixelAt(image, 40, 74), kBlack);
    COMPARE_COLOR(pixelAt(image, 88, 75), kBlack);
}

void TestStrokes::unscaledLinesKeepBothCaps()
{
    // A line 10 stage pixels wide that does not scale, in a shape scaled
    // four times: from x = 20 to 60 at y = 40 on the stage.
    auto options = caps(CapStyle::None, CapStyle::Square);
    options.noHScale = options.noVScale = true;
    swfwriter::ShapeBuilder b;
    b.setLine(b.addLine(px(10), {0, 0, 0, 255}, options));
    b.moveTo(px(5), px(10)).lineTo(px(15), px(10));
    const QImage image = drawn(b, swfwriter::scaleRotateTranslate(4, 4, 0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 40, 43), kBlack);
    COMPARE_COLOR(pixelAt(image, 40, 47), kWhite);
    COMPARE_COLOR(pixelAt(image, 17, 40), kWhite);
    COMPARE_COLOR(pixelAt(image, 63, 40), kBlack);
}

void TestStrokes::noCloseKeepsCapsWhereAContourMeetsItsStart()
{
    // A square contour 10 pixels wide with flat caps and miter joins that
    // starts and ends at its top-left corner. Closed, that corner is
    // mitered like the others; under the no-close flag the two flat ends
    // leave the outer quarter of it empty.
    auto square = [](bool noClose) {
        auto options = caps(CapStyle::None, CapStyle::None);
        options.join = swf::JoinStyle::Miter;
        options.noClose = noClose;
        swfwriter::ShapeBuilder b;
        b.setLine(b.addLine(px(10), {0, 0, 0, 255}, options));
        b.moveTo(px(20), px(20)).lineTo(px(80), px(20)).lineTo(px(80), px(80));
        b.lineTo(px(20), px(80)).lineTo(px(20), px(20));
        return drawn(b);
    };
    const QImage closed = square(false);
    const QImage open = square(true);
    COMPARE_COLOR(pixelAt(closed, 17, 17), kBlack);
    COMPARE_COLOR(pixelAt(open, 17, 17), kWhite);
    for (const QImage &image : {closed, open}) {
        COMPARE_COLOR(pixelAt(image, 83, 17), kBlack);
        COMPARE_COLOR(pixelAt(image, 17, 23), kBlack); // the last edge reaches the corner
        COMPARE_COLOR(pixelAt(image, 23, 17), kBlack); // the first edge starts there
    }
}

void TestStrokes::pixelHintedLinesLandOnWholePixels_data()
{
    // Horizontal lines at y = 50.3 stage pixels, with the rows expected
    // solid and the rows just outside them, which stay white.
    QTest::addColumn<int>("widthTwips");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::newRow("1 px: a pixel centre") << 20 << 1.0 << 50 << 50;
    QTest::newRow("hairline") << 1 << 1.0 << 50 << 50;
    QTest::newRow("1.4 px rounds to 1") << 28 << 1.0 << 50 << 50;
    QTest::newRow("2 px: a pixel edge") << 40 << 1.0 << 49 << 50;
    QTest::newRow("3 px") << 60 << 1.0 << 49 << 51;
    QTest::newRow("1 px scaled twice") << 20 << 2.0 << 49 << 50;
}

void TestStrokes::pixelHintedLinesLandOnWholePixels()
{
    QFETCH(int, widthTwips);
    QFETCH(double, scale);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    auto options = caps(CapStyle::None, CapStyle::None);
    options.pixelHinting = true;
    swfwriter::ShapeBuilder b;
    b.setLine(b.addLine(widthTwips, {0, 0, 0, 255}, options));
    const int y = qRound(1006 / scale);
    b.moveTo(qRound(px(10) / scale), y).lineTo(qRound(px(90) / scale), y);
    const QImage image = drawn(b, swfwriter::scaleRotateTranslate(scale, scale, 0, 0, 0));
    for (int row = firstRow; row <= lastRow; ++row)
        COMPARE_COLOR(pixelAt(image, 50, row), kBlack);
    COMPARE_COLOR(pixelAt(image, 50, firstRow - 1), kWhite);
    COMPARE_COLOR(pixelAt(image, 50, lastRow + 1), kWhite);

    // Without the flag the same line is smoothed across the rows it
    // straddles, so some row is neither solid nor white.
    options.pixelHinting = false;
    swfwriter::ShapeBuilder plain;
    plain.setLine(plain.addLine(widthTwips, {0, 0, 0, 255}, options));
    plain.moveTo(qRound(px(10) / scale), y).lineTo(qRound(px(90) / scale), y);
    const QImage smooth = drawn(plain, swfwriter::scaleRotateTranslate(scale, scale, 0, 0, 0));
    bool grey = false;
    for (int row = firstRow - 1; row <= lastRow + 1; ++row) {
        const int red = pixelAt(smooth, 50, row).red();
        grey = grey || (red > 20 && red < 235);
    }
    QVERIFY(grey);
}

void TestStrokes::hintingMovesControlPointsWithTheirAnchors()
{
    // A quadratic curve from (10.3, 10.3) through the control (20, 0) to
    // (30.6, 10.2), hinted for a 1-pixel line under a scale of 2: the
    // anchors land on pixel centres and each control point of the cubic
    // moves as far as its own anchor.
    QPainterPath path;
    path.moveTo(5.15, 5.15);
    path.quadTo(10, 0, 15.3, 5.1);
    const QTransform scale = QTransform::fromScale(2, 2);
    const QPainterPath hinted = swf::hintedDevicePath(path, scale, 1);
    QCOMPARE(hinted.elementCount(), 4);
    const QPointF start(hinted.elementAt(0));
    const QPointF end(hinted.elementAt(3));
    QCOMPARE(start, QPointF(10.5, 10.5));
    QCOMPARE(end, QPointF(30.5, 10.5));
    const QPointF c1 = scale.map(QPointF(path.elementAt(1)));
    const QPointF c2 = scale.map(QPointF(path.elementAt(2)));
    const QPointF movedStart = QPointF(10.5, 10.5) - QPointF(10.3, 10.3);
    const QPointF movedEnd = QPointF(30.5, 10.5) - QPointF(30.6, 10.2);
    const QPointF h1(hinted.elementAt(1));
    const QPointF h2(hinted.elementAt(2));
    QVERIFY(qAbs(h1.x() - (c1 + movedStart).x()) < 1e-9 &&
            qAbs(h1.y() - (c1 + movedStart).y()) < 1e-9);
    QVERIFY(qAbs(h2.x() - (c2 + movedEnd).x()) < 1e-9 && qAbs(h2.y() - (c2 + movedEnd).y()) < 1e-9);

    // Even widths put anchors on pixel edges.
    const QPainterPath even = swf::hintedDevicePath(path, scale, 2);
    QCOMPARE(QPointF(even.elementAt(0)), QPointF(10, 10));
    QCOMPARE(QPointF(even.elementAt(3)), QPointF(31, 10));
}

QTEST_MAIN(TestStrokes)
#include "tst_strokes.moc"
