// LINESTYLE2 strokes: a cap of its own at each open end and the no-close
// flag.
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

QTEST_MAIN(TestStrokes)
#include "tst_strokes.moc"
