// The renderer on written movies: where colours land, show-all scaling,
// fill-style semantics, lines, colour transforms and masks.
#include "swf/geometry/shapegeometry.h"
#include "swf/io/container.h"
#include "swf/io/tagcodes.h"
#include "swf/io/tagstream.h"
#include "swf/parse/records.h"
#include "swftest.h"
#include "tools/swfwriter/fillwriter.h"

#include <QTest>

namespace {

// A movie of `w` × `h` pixels with one shape placed at the origin.
std::shared_ptr<const swf::Movie> oneShape(const swfwriter::ShapeBuilder &shape, int version = 3,
                                           double w = 100, double h = 100,
                                           std::optional<swf::ColorTransform> cx = std::nullopt)
{
    swfwriter::SwfWriter writer;
    writer.setStageSize(w, h);
    const quint16 id = writer.defineShape(shape, version);
    swfwriter::Place p = placeAt(1, id, 0, 0);
    p.colorTransform = cx;
    writer.placeObject2(p);
    writer.showFrame();
    return mustParse(writer.finish());
}

QImage drawn(const std::shared_ptr<const swf::Movie> &movie, QSize size = {})
{
    swf::Player player(movie);
    return renderStage(player, size);
}

} // namespace

class TestRender : public QObject {
    Q_OBJECT
private slots:
    void solidRectangleLandsOnItsPixels();
    void showAllKeepsAspectAndCentres();
    void contentOutsideTheStageStaysHidden();
    void movieBackgroundAndItsAbsence();
    void fillStyleZeroAndOneShareAnEdge();
    void evenOddUnlessShape4AsksForWinding();
    void newStylesDrawAboveEarlierLayers();
    void curvesBulge();
    void hairlinesStayVisible();
    void thickLinesAndShape1Colours();
    void colourTransformsApplyToSolids();
    void nestedSpritesCombineTransforms();
    void clipDepthMasksTheDepthsAbove();
    void opaqueBackgroundsFillTheBoundsBehind();
    void invisibleObjectsAreNotDrawn();
    void cachedBitmapsLandOnWholePixels();
    void gradientMidpointMixesItsStops();
    void geometryIsCachedPerCharacter();
    void picturesOfCostlyShapesMatchTheirDrawing();
};

void TestRender::solidRectangleLandsOnItsPixels()
{
    swfwriter::ShapeBuilder b;
    b.rect(QRect(px(20), px(30), px(40), px(10)), b.addFill({200, 10, 20}));
    const QImage image = drawn(oneShape(b));
    QCOMPARE(image.size(), QSize(100, 100));
    COMPARE_COLOR(pixelAt(image, 20, 30), QColor(200, 10, 20));
    COMPARE_COLOR(pixelAt(image, 59, 39), QColor(200, 10, 20));
    COMPARE_COLOR(pixelAt(image, 60, 39), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 19, 35), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 30, 40), QColor(Qt::white));
}

void TestRender::showAllKeepsAspectAndCentres()
{
    // A 100 × 50 stage fully covered in blue, shown in 200 × 200: scaled
    // by two, 50-pixel margins above and below in the background colour.
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(100), px(50)), b.addFill({0, 0, 255}));
    swf::Player player(oneShape(b, 3, 100, 50));
    const QImage image = renderStage(player, QSize(200, 200), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 100, 10), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 100, 49), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(image, 0, 50), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 199, 149), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 100, 150), QColor(0, 255, 0));
    // The same stage in a wide picture: margins left and right.
    const QImage wide = renderStage(player, QSize(300, 50), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(wide, 99, 25), QColor(0, 255, 0));
    COMPARE_COLOR(pixelAt(wide, 100, 25), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(wide, 199, 25), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(wide, 200, 25), QColor(0, 255, 0));

    const QTransform t =
        swf::Renderer::showAll(swf::Rect{200, 2200, 400, 1400}, QRectF(0, 0, 100, 100));
    QCOMPARE(t.map(QPointF(200, 400)), QPointF(0, 25));
    QCOMPARE(t.map(QPointF(2200, 1400)), QPointF(100, 75));
}

void TestRender::contentOutsideTheStageStaysHidden()
{
    swfwriter::ShapeBuilder b;
    b.rect(QRect(px(-50), px(-50), px(300), px(300)), b.addFill({255, 0, 0}));
    swf::Player player(oneShape(b, 3, 100, 50));
    const QImage image = renderStage(player, QSize(100, 100), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 10), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 50), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 90), QColor(0, 0, 0));
}

void TestRender::movieBackgroundAndItsAbsence()
{
    swfwriter::SwfWriter w;
    w.showFrame();
    QCOMPARE(swf::Renderer::backgroundOf(*mustParse(w.finish())), QColor(Qt::white));
    swfwriter::SwfWriter coloured;
    coloured.setBackgroundColor({1, 2, 3});
    coloured.showFrame();
    QCOMPARE(swf::Renderer::backgroundOf(*mustParse(coloured.finish())), QColor(1, 2, 3));
}

// Two squares side by side written the way authoring tools write them:
// the shared edge once, with the left square as fill 0 and the right as
// fill 1 (the edge runs downwards, so its right side is the left square).
void TestRender::fillStyleZeroAndOneShareAnEdge()
{
    swfwriter::ShapeBuilder b;
    const int left = b.addFill({255, 0, 0});
    const int right = b.addFill({0, 0, 255});
    // Outline of the left square, left square on fill 1 (clockwise).
    b.moveTo(px(50), px(80)).setFill0(0).setFill1(left);
    b.lineTo(px(10), px(80)).lineTo(px(10), px(20)).lineTo(px(50), px(20));
    // Shared edge downwards: left square on its right side in y-down space.
    b.setFill0(right).setFill1(left).lineTo(px(50), px(80));
    // Outline of the right square.
    b.moveTo(px(50), px(20)).setFill0(0).setFill1(right);
    b.lineTo(px(90), px(20)).lineTo(px(90), px(80)).lineTo(px(50), px(80));
    const QImage image = drawn(oneShape(b));
    COMPARE_COLOR(pixelAt(image, 30, 50), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 70, 50), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 5, 50), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 95, 50), QColor(Qt::white));
}

void TestRender::evenOddUnlessShape4AsksForWinding()
{
    // Two nested squares in the same direction and the same fill: a hole
    // under even-odd, solid under non-zero winding.
    swfwriter::ShapeBuilder b;
    const int fill = b.addFill({0, 128, 0});
    b.rect(QRect(px(10), px(10), px(80), px(80)), fill);
    b.rect(QRect(px(30), px(30), px(40), px(40)), fill);
    COMPARE_COLOR(pixelAt(drawn(oneShape(b, 3)), 50, 50), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(drawn(oneShape(b, 4)), 50, 50), QColor(Qt::white));

    // The DefineShape4 flag switches to winding: flip the reserved byte's bit.
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    const quint16 id = w.defineShape(b, 4);
    w.placeObject2(placeAt(1, id, 0, 0));
    w.showFrame();
    QByteArray bytes = w.finish();
    // The flags byte follows the id and the two rectangles of the body.
    const qint64 start = swf::decodeSwf(bytes)->header.tagsOffset;
    swf::TagStream tags(QByteArrayView(bytes).sliced(start), start);
    swf::Tag tag;
    while (tags.next(tag) && tag.code != swf::TagCode::DefineShape4) {
    }
    QCOMPARE(tag.code, swf::TagCode::DefineShape4);
    swf::Reader body(tag.body, tag.bodyOffset);
    body.u16();
    swf::readRect(body);
    swf::readRect(body);
    const qsizetype flags = body.absolutePosition();
    QCOMPARE(bytes[flags], char(0));
    bytes[flags] = char(0x04);
    auto movie = mustParse(bytes);
    QVERIFY(dynamic_cast<const swf::Shape &>(*movie->character(id)).usesFillWindingRule);
    COMPARE_COLOR(pixelAt(drawn(movie), 50, 50), QColor(0, 128, 0));
}

void TestRender::newStylesDrawAboveEarlierLayers()
{
    swfwriter::ShapeBuilder b;
    b.rect(QRect(px(10), px(10), px(60), px(60)), b.addFill({255, 0, 0}));
    b.newStyles();
    b.rect(QRect(px(40), px(40), px(50), px(50)), b.addFill({0, 0, 255}));
    const QImage image = drawn(oneShape(b));
    COMPARE_COLOR(pixelAt(image, 20, 20), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 50), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 80, 80), QColor(0, 0, 255));
}

void TestRender::curvesBulge()
{
    swfwriter::ShapeBuilder b;
    b.ellipse(QPoint(px(50), px(50)), px(40), px(20), b.addFill({0, 0, 0}));
    const QImage image = drawn(oneShape(b));
    COMPARE_COLOR(pixelAt(image, 50, 50), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 12, 50), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 50, 33), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 14, 33), QColor(Qt::white)); // outside the corner of the curve
    COMPARE_COLOR(pixelAt(image, 50, 25), QColor(Qt::white));
}

void TestRender::hairlinesStayVisible()
{
    // A 1-twip line, shown at a tenth of the stage size: still a pixel wide.
    swfwriter::ShapeBuilder b;
    const int line = b.addLine(1, {0, 0, 0});
    b.moveTo(0, px(500)).setLine(line).lineTo(px(1000), px(500));
    swf::Player player(oneShape(b, 3, 1000, 1000));
    const QImage image = renderStage(player, QSize(100, 100));
    int darkest = 255;
    for (int y = 47; y <= 52; ++y)
        darkest = qMin(darkest, pixelAt(image, 50, y).red());
    QVERIFY2(darkest < 128, qPrintable(QStringLiteral("darkest %1").arg(darkest)));
}

void TestRender::thickLinesAndShape1Colours()
{
    swfwriter::ShapeBuilder b;
    const int line = b.addLine(px(10), {0, 200, 0, 10}); // alpha is not written in DefineShape1
    b.moveTo(px(10), px(50)).setLine(line).lineTo(px(90), px(50));
    const QImage image = drawn(oneShape(b, 1));
    COMPARE_COLOR(pixelAt(image, 50, 46), QColor(0, 200, 0));
    COMPARE_COLOR(pixelAt(image, 50, 53), QColor(0, 200, 0));
    COMPARE_COLOR(pixelAt(image, 50, 57), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 7, 50), QColor(0, 200, 0)); // round cap
}

void TestRender::colourTransformsApplyToSolids()
{
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(100), px(100)), b.addFill({200, 100, 50}));
    swf::ColorTransform cx;
    cx.multR = 128; // × 0.5
    cx.addG = 100;  // + 100
    cx.multB = 0;
    cx.addB = -10; // clamped at 0
    COMPARE_COLOR(pixelAt(drawn(oneShape(b, 3, 100, 100, cx)), 50, 50), QColor(100, 200, 0));
    swf::ColorTransform half;
    half.multA = 128;
    COMPARE_COLOR(pixelAt(drawn(oneShape(b, 3, 100, 100, half)), 50, 50), QColor(228, 178, 153));
}

void TestRender::nestedSpritesCombineTransforms()
{
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    const quint16 square = defineSquare(w, 10, {255, 255, 255});
    swfwriter::TimelineWriter inner;
    swfwriter::Place p = placeAt(1, square, 5, 5);
    swf::ColorTransform toRed;
    toRed.multG = 0;
    toRed.multB = 0;
    p.colorTransform = toRed;
    inner.placeObject2(p);
    inner.showFrame();
    const quint16 sprite = w.defineSprite(inner);
    swfwriter::Place outer;
    outer.depth = 1;
    outer.characterId = sprite;
    outer.matrix = swfwriter::scaleRotateTranslate(2, 2, 0, 30, 40);
    swf::ColorTransform darker;
    darker.multR = 128;
    outer.colorTransform = darker;
    w.placeObject2(outer);
    w.setBackgroundColor({0, 0, 0});
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const QImage image = renderStage(player, {}, Qt::black);
    // Square at (5,5) size 10, scaled by 2 and moved: (40,50)…(60,70).
    COMPARE_COLOR(pixelAt(image, 50, 60), QColor(127, 0, 0));
    COMPARE_COLOR(pixelAt(image, 38, 60), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 61, 71), QColor(0, 0, 0));
}

void TestRender::clipDepthMasksTheDepthsAbove()
{
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    const quint16 mask = defineSquare(w, 50, {0, 0, 0});
    const quint16 big = defineSquare(w, 100, {0, 0, 255});
    swfwriter::Place m = placeAt(1, mask, 0, 0);
    m.clipDepth = 2;
    w.placeObject2(m);
    w.placeObject2(placeAt(2, big, 0, 0)); // masked
    swfwriter::Place later = placeAt(3, big, 0, 0);
    later.matrix = swfwriter::scaleRotateTranslate(0.2, 0.2, 0, 80, 80);
    w.placeObject2(later); // above the mask's range
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const QImage image = renderStage(player);
    COMPARE_COLOR(pixelAt(image, 25, 25), QColor(0, 0, 255));
    COMPARE_COLOR(pixelAt(image, 75, 25), QColor(Qt::white)); // masked away
    COMPARE_COLOR(pixelAt(image, 25, 75), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 90, 90), QColor(0, 0, 255)); // depth 3 is not masked
}

void TestRender::opaqueBackgroundsFillTheBoundsBehind()
{
    // A red diamond within (30, 5) … (70, 45) with a green background
    // whose alpha of 0 is ignored, and a sprite of two black squares, 10
    // pixels each at (0, 0) and (20, 20), placed at (60, 55) with a blue
    // background that the sprite's colour transform halves.
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    swfwriter::ShapeBuilder diamond;
    diamond.polygon({{px(50), px(5)}, {px(70), px(25)}, {px(50), px(45)}, {px(30), px(25)}},
                    diamond.addFill({255, 0, 0}));
    swfwriter::Place shape = placeAt(1, w.defineShape(diamond), 0, 0);
    shape.opaqueBackground = swf::Rgba{0, 200, 0, 0};
    w.placeObject3(shape);
    const quint16 square = defineSquare(w, 10, {0, 0, 0});
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, square, 0, 0));
    inner.placeObject2(placeAt(2, square, 20, 20));
    inner.showFrame();
    swfwriter::Place sprite = placeAt(2, w.defineSprite(inner), 60, 55);
    sprite.opaqueBackground = swf::Rgba{0, 0, 255, 255};
    swf::ColorTransform halfBlue;
    halfBlue.multB = 128;
    sprite.colorTransform = halfBlue;
    w.placeObject3(sprite);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    const QImage image = renderStage(player);
    COMPARE_COLOR(pixelAt(image, 33, 8), QColor(0, 200, 0));
    COMPARE_COLOR(pixelAt(image, 66, 42), QColor(0, 200, 0));
    COMPARE_COLOR(pixelAt(image, 50, 25), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 28, 25), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 50, 47), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 85, 60), QColor(0, 0, 127));
    COMPARE_COLOR(pixelAt(image, 65, 80), QColor(0, 0, 127));
    COMPARE_COLOR(pixelAt(image, 65, 60), QColor(0, 0, 0));
    COMPARE_COLOR(pixelAt(image, 58, 60), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 85, 87), QColor(Qt::white));
}

void TestRender::invisibleObjectsAreNotDrawn()
{
    // Placed hidden on frame 1, shown by a move on frame 2.
    swfwriter::SwfWriter w;
    w.setStageSize(100, 100);
    swfwriter::Place hidden = placeAt(1, defineSquare(w, 100, {0, 0, 255}), 0, 0);
    hidden.visible = 0;
    w.placeObject3(hidden);
    w.showFrame();
    swfwriter::Place shown = moveTo(1, 0, 0);
    shown.visible = 1;
    w.placeObject3(shown);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(Qt::white));
    player.step();
    COMPARE_COLOR(pixelAt(renderStage(player), 50, 50), QColor(0, 0, 255));
}

void TestRender::cachedBitmapsLandOnWholePixels()
{
    // A 10-pixel black square at x = 10.2: drawn as it is, its edges
    // shade two columns; cached as a bitmap it is drawn at x = 10, crisp,
    // at its own size and at twice it.
    for (const bool cached : {false, true}) {
        for (const int scale : {1, 2}) {
            swfwriter::SwfWriter w;
            w.setStageSize(40, 20);
            swfwriter::Place p = placeAt(1, defineSquare(w, 10, {0, 0, 0, 255}), 10.2, 5);
            p.bitmapCache = cached ? 1 : 0;
            w.placeObject3(p);
            w.showFrame();
            swf::Player player(mustParse(w.finish()));
            const QImage image = renderStage(player, QSize(40 * scale, 20 * scale));
            const int left = pixelAt(image, 10 * scale, 10 * scale).red();
            const int right = pixelAt(image, 20 * scale, 10 * scale).red();
            if (cached) {
                QCOMPARE(left, 0);
                QCOMPARE(right, 255);
            } else {
                QVERIFY2(left > 20 && left < 235, qPrintable(QString::number(left)));
            }
        }
    }
}

void TestRender::gradientMidpointMixesItsStops()
{
    swfwriter::BitWriter gradient;
    gradient.u8(0x10);
    swfwriter::writeMatrix(gradient, {});
    gradient.ub(4, 0);
    gradient.ub(4, 2);
    gradient.u8(0);
    swfwriter::writeRgba(gradient, {255, 0, 0, 255});
    gradient.u8(255);
    swfwriter::writeRgba(gradient, {0, 0, 255, 255});
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(100), px(100)), b.addRawFill(gradient.data()));
    const QColor c = pixelAt(drawn(oneShape(b)), 50, 50);
    // The square sits in the middle of the gradient square (-16384 … 16384
    // twips), so its centre shows both stops about evenly.
    QVERIFY2(c.red() > 64 && c.red() < 192, qPrintable(c.name()));
    QVERIFY2(c.blue() > 64 && c.blue() < 192, qPrintable(c.name()));
    QCOMPARE(c.green(), 0);
}

void TestRender::geometryIsCachedPerCharacter()
{
    swfwriter::SwfWriter w;
    const quint16 a = defineSquare(w, 10, {255, 0, 0});
    const quint16 b = defineSquare(w, 10, {0, 255, 0});
    for (quint16 d = 1; d <= 20; ++d)
        w.placeObject2(placeAt(d, d % 2 ? a : b, d, d));
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    swf::Renderer renderer;
    renderer.render(player, QSize(50, 50), Qt::white);
    renderer.render(player, QSize(80, 80), Qt::white);
    QCOMPARE(renderer.shapes().size(), 2);
    // Another movie empties the cache.
    swfwriter::SwfWriter single;
    single.placeObject2(placeAt(1, defineSquare(single, 10, {0, 0, 255}), 0, 0));
    single.showFrame();
    swf::Player other(mustParse(single.finish()));
    renderer.render(other, QSize(50, 50), Qt::white);
    QCOMPARE(renderer.shapes().size(), 1);
}

void TestRender::picturesOfCostlyShapesMatchTheirDrawing()
{
    // A rotated radial gradient, moved by whole pixels, then by a fraction:
    // drawn from its picture (from its second drawing on) it is what a
    // renderer that never saw it draws.
    swfwriter::SwfWriter w;
    w.setStageSize(60, 60);
    swfwriter::GradientSpec g;
    g.kind = swf::FillKind::RadialGradient;
    g.matrix = swfwriter::translation(10, 10);
    g.matrix.scaleX = g.matrix.scaleY = 0.0006;
    g.records = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}};
    swfwriter::ShapeBuilder b;
    b.rect(QRect(0, 0, px(20), px(20)), b.addRawFill(swfwriter::gradientFill(g, 3)));
    swfwriter::Place p = placeAt(1, w.defineShape(b), 10.3, 10.6);
    p.matrix->rotateSkew0 = 0.2;
    p.matrix->rotateSkew1 = -0.2;
    w.placeObject2(p);
    w.showFrame();
    for (const QPointF at : {QPointF(15.3, 12.6), QPointF(15.55, 12.35)}) {
        swfwriter::Place move = moveTo(1, at.x(), at.y());
        move.matrix = p.matrix;
        move.matrix->translateX = px(at.x());
        move.matrix->translateY = px(at.y());
        w.placeObject2(move);
        w.showFrame();
    }
    swf::Player player(mustParse(w.finish()));
    swf::Renderer kept;
    kept.render(player, QSize(120, 120), Qt::white);
    for (int frame = 0; frame < 3; ++frame) {
        const QImage cached = kept.render(player, QSize(120, 120), Qt::white);
        const QImage fresh = renderStage(player, QSize(120, 120));
        int worst = 0;
        for (int y = 0; y < 120; ++y) {
            for (int x = 0; x < 120; ++x) {
                const QColor a = pixelAt(cached, x, y), e = pixelAt(fresh, x, y);
                worst = std::max({worst, qAbs(a.red() - e.red()), qAbs(a.green() - e.green()),
                                  qAbs(a.blue() - e.blue())});
            }
        }
        QVERIFY2(worst <= 2, qPrintable(QStringLiteral("frame %1: %2").arg(frame).arg(worst)));
        player.step();
    }
    QCOMPARE(kept.rasters().count(), 2); // the two phases
}

QTEST_GUILESS_MAIN(TestRender)
#include "tst_render.moc"
