// Morph shapes at the ratio of their placement: edges, colours, gradients
// and line widths interpolated; straight edges paired with curves; the
// ratio following PlaceObject2 moves; one geometry per ratio.
#include "swf/geometry/morphinterpolation.h"
#include "swf/model/morphshape.h"
#include "swftest.h"
#include "tools/swfwriter/fillwriter.h"
#include "tools/swfwriter/morphwriter.h"

#include <QTest>

namespace {

// A red square of 20 pixels that grows into a blue one of 60 pixels.
quint16 growingSquare(swfwriter::SwfWriter &w, int version = 1)
{
    swfwriter::ShapeBuilder start, end;
    start.setFill0(1)
        .moveTo(0, 0)
        .lineTo(px(20), 0)
        .lineTo(px(20), px(20))
        .lineTo(0, px(20))
        .lineTo(0, 0);
    end.moveTo(0, 0).lineTo(px(60), 0).lineTo(px(60), px(60)).lineTo(0, px(60)).lineTo(0, 0);
    return swfwriter::defineMorphShape(
        w, {swfwriter::morphSolid({255, 0, 0, 255}, {0, 0, 255, 255})}, {}, start, end, version);
}

QImage drawAt(quint16 ratio, int version = 1)
{
    swfwriter::SwfWriter w;
    w.setStageSize(80, 80);
    swfwriter::Place p = placeAt(1, growingSquare(w, version), 0, 0);
    p.ratio = ratio;
    w.placeObject2(p);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    return renderStage(player);
}

} // namespace

class TestMorph : public QObject {
    Q_OBJECT
private slots:
    void drawnAtTheRatio();
    void ratioFollowsThePlacement();
    void straightEdgesPairWithCurves();
    void stylesInterpolate();
    void onceBuiltPerRatio();
};

void TestMorph::drawnAtTheRatio()
{
    for (int version : {1, 2}) {
        const QImage start = drawAt(0, version);
        COMPARE_COLOR(pixelAt(start, 10, 10), QColor(255, 0, 0));
        COMPARE_COLOR(pixelAt(start, 30, 30), QColor(Qt::white));
        const QImage end = drawAt(65535, version);
        COMPARE_COLOR(pixelAt(end, 50, 50), QColor(0, 0, 255));
        COMPARE_COLOR(pixelAt(end, 70, 70), QColor(Qt::white));
        // Halfway: 40 pixels, purple.
        const QImage half = drawAt(32768, version);
        COMPARE_COLOR(pixelAt(half, 38, 38), QColor(128, 0, 127));
        COMPARE_COLOR(pixelAt(half, 42, 20), QColor(Qt::white));
    }
}

void TestMorph::ratioFollowsThePlacement()
{
    // Frame 1 at ratio 0, frame 2 moves it to the end, frame 3 keeps it.
    swfwriter::SwfWriter w;
    w.setStageSize(80, 80);
    swfwriter::Place p = placeAt(1, growingSquare(w), 0, 0);
    p.ratio = 0;
    w.placeObject2(p);
    w.showFrame();
    swfwriter::Place move;
    move.depth = 1;
    move.move = true;
    move.ratio = 65535;
    w.placeObject2(move);
    w.showFrame();
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(Qt::white));
    player.step();
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(0, 0, 255));
    player.step();
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(0, 0, 255));
    player.seek(0);
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(Qt::white));
}

void TestMorph::straightEdgesPairWithCurves()
{
    // The top edge is straight at the start and bulges up 40 pixels (its
    // control point) at the end: halfway the control is 20 up, the curve
    // 10 up at its middle.
    swf::MorphShape morph(1);
    morph.fills.push_back(swfwriter::morphSolid({0, 0, 0, 255}, {0, 0, 0, 255}));
    swf::StyleChangeRecord move;
    move.moveTo = QPoint(0, px(50));
    move.fillStyle1 = 1;
    morph.startRecords = {move, swf::StraightEdgeRecord{QPoint(px(40), 0)},
                          swf::StraightEdgeRecord{QPoint(-px(40), 0)}};
    swf::StyleChangeRecord endMove;
    endMove.moveTo = QPoint(0, px(50));
    morph.endRecords = {endMove,
                        swf::CurvedEdgeRecord{QPoint(px(20), -px(40)), QPoint(px(20), px(40))},
                        swf::StraightEdgeRecord{QPoint(-px(40), 0)}};
    const auto shape = swf::shapeAtRatio(morph, 32768);
    QVERIFY(shape);
    QCOMPARE(shape->records.size(), size_t(3));
    const auto *curve = std::get_if<swf::CurvedEdgeRecord>(&shape->records[1]);
    QVERIFY(curve);
    QCOMPARE(curve->control, QPoint(px(20), -px(20)));
    QCOMPARE(curve->control + curve->anchor, QPoint(px(40), 0));
    const auto *back = std::get_if<swf::StraightEdgeRecord>(&shape->records[2]);
    QVERIFY(back);
    QCOMPARE(back->delta, QPoint(-px(40), 0));
    // Edge lists that do not pair up give no shape.
    morph.endRecords.pop_back();
    QVERIFY(!swf::shapeAtRatio(morph, 100));
}

void TestMorph::stylesInterpolate()
{
    swf::MorphShape morph(1);
    swf::MorphFillStyle gradient;
    gradient.kind = swf::FillKind::LinearGradient;
    gradient.startMatrix = swfwriter::gradientBox(QRect(0, 0, px(100), px(100)));
    gradient.endMatrix = swfwriter::gradientBox(QRect(0, 0, px(300), px(100)));
    gradient.records = {{0, {255, 0, 0, 255}, 100, {0, 0, 0, 255}},
                        {255, {0, 0, 255, 255}, 255, {0, 255, 0, 255}}};
    morph.fills.push_back(gradient);
    swf::MorphLineStyle line;
    line.startWidth = 20;
    line.endWidth = 220;
    line.startColor = {0, 0, 0, 0};
    line.endColor = {200, 100, 0, 255};
    morph.lines.push_back(line);
    const auto shape = swf::shapeAtRatio(morph, 32768);
    QVERIFY(shape);
    const swf::StyleTable &styles = shape->styleTables.front();
    const swf::FillStyle &fill = styles.fills.front();
    QCOMPARE(fill.kind, swf::FillKind::LinearGradient);
    QVERIFY(qAbs(fill.matrix.scaleX - 200.0 / 32768.0 * 20) < 1e-3);
    QCOMPARE(fill.matrix.translateX, px(100));
    QCOMPARE(fill.gradient.records[0].ratio, quint8(50));
    // 32768 of 65535 lies just past the middle.
    QCOMPARE(fill.gradient.records[0].color, (swf::Rgba{127, 0, 0, 255}));
    QCOMPARE(fill.gradient.records[1].color, (swf::Rgba{0, 128, 127, 255}));
    QCOMPARE(styles.lines.front().width, quint16(120));
    QCOMPARE(styles.lines.front().color, (swf::Rgba{100, 50, 0, 128}));
}

void TestMorph::onceBuiltPerRatio()
{
    swfwriter::SwfWriter w;
    w.setStageSize(80, 80);
    const quint16 id = growingSquare(w);
    for (quint16 depth = 1; depth <= 3; ++depth) {
        swfwriter::Place p = placeAt(depth, id, 0, 0);
        p.ratio = quint16(depth == 3 ? 65535 : 0);
        w.placeObject2(p);
    }
    w.showFrame();
    const auto movie = mustParse(w.finish());
    const auto &morph = static_cast<const swf::MorphShape &>(*movie->character(id));
    swf::MorphCache cache;
    swf::MorphCache::Entry &first = cache.at(morph, 0);
    QCOMPARE(&cache.at(morph, 0), &first);
    QVERIFY(&cache.at(morph, 65535) != &first);
    QVERIFY(first.shape);
    QCOMPARE(first.geometry.layers.size(), size_t(1));
}

QTEST_GUILESS_MAIN(TestMorph)
#include "tst_morph.moc"
