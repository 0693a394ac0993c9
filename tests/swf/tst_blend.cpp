// Blend modes of PlaceObject3 over a known backdrop: the separable modes
// against their formulas, layer grouping under a colour transform, and
// alpha and erase acting on their parent's layer.
#include "swftest.h"

#include <QTest>

#include <functional>

namespace {

const swf::Rgba kBackdrop{100, 150, 200, 255};
const swf::Rgba kSource{200, 100, 50, 255};

quint16 rectShape(swfwriter::SwfWriter &w, const QRect &pixels, swf::Rgba color)
{
    swfwriter::ShapeBuilder b;
    b.rect(QRect(px(pixels.x()), px(pixels.y()), px(pixels.width()), px(pixels.height())),
           b.addFill(color));
    return w.defineShape(b, 3);
}

swfwriter::Place blended(quint16 depth, quint16 id, quint8 mode)
{
    swfwriter::Place p = placeAt(depth, id, 0, 0);
    p.blendMode = mode;
    return p;
}

QImage draw(swfwriter::SwfWriter &w)
{
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    return renderStage(player);
}

// The backdrop over the whole 40 × 20 stage.
void backdrop(swfwriter::SwfWriter &w)
{
    w.setStageSize(40, 20);
    w.placeObject2(placeAt(1, rectShape(w, QRect(0, 0, 40, 20), kBackdrop), 0, 0));
}

// The source over the left half of the backdrop, inside a sprite as
// authoring tools place blended content, the sprite in `mode` under `cx`.
QImage blendedOverBackdrop(int mode, const swf::ColorTransform &cx = {})
{
    swfwriter::SwfWriter w;
    backdrop(w);
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, rectShape(w, QRect(0, 0, 20, 20), kSource), 0, 0));
    inner.showFrame();
    swfwriter::Place p = blended(2, w.defineSprite(inner), quint8(mode));
    p.colorTransform = cx;
    w.placeObject3(p);
    return draw(w);
}

int hardLight(int s, int d)
{
    return s <= 127 ? 2 * s * d / 255 : 255 - 2 * (255 - s) * (255 - d) / 255;
}

} // namespace

class TestBlend : public QObject {
    Q_OBJECT
private slots:
    void separableModes_data();
    void separableModes();
    void fadedModes_data() { separableModes_data(); }
    void fadedModes();
    void layerGroupsBeforeTheColourTransform();
    void alphaAndEraseActOnTheParentLayer();
    void deeplyNestedLayersStillDraw();
};

void TestBlend::separableModes_data()
{
    using Channel = std::function<int(int s, int d)>;
    QTest::addColumn<int>("mode");
    QTest::addColumn<Channel>("expected");
    QTest::newRow("normal") << 1 << Channel([](int s, int) { return s; });
    QTest::newRow("unknown 15") << 15 << Channel([](int s, int) { return s; });
    QTest::newRow("layer") << 2 << Channel([](int s, int) { return s; });
    QTest::newRow("multiply") << 3 << Channel([](int s, int d) { return s * d / 255; });
    QTest::newRow("screen") << 4 << Channel([](int s, int d) { return s + d - s * d / 255; });
    QTest::newRow("lighten") << 5 << Channel([](int s, int d) { return std::max(s, d); });
    QTest::newRow("darken") << 6 << Channel([](int s, int d) { return std::min(s, d); });
    QTest::newRow("difference") << 7 << Channel([](int s, int d) { return std::abs(s - d); });
    QTest::newRow("add") << 8 << Channel([](int s, int d) { return std::min(255, s + d); });
    QTest::newRow("subtract") << 9 << Channel([](int s, int d) { return std::max(0, d - s); });
    QTest::newRow("invert") << 10 << Channel([](int, int d) { return 255 - d; });
    QTest::newRow("overlay") << 13 << Channel([](int s, int d) { return hardLight(d, s); });
    QTest::newRow("hardlight") << 14 << Channel([](int s, int d) { return hardLight(s, d); });
}

void TestBlend::separableModes()
{
    using Channel = std::function<int(int s, int d)>;
    QFETCH(int, mode);
    QFETCH(Channel, expected);
    const QImage image = blendedOverBackdrop(mode);
    const QColor want(expected(kSource.r, kBackdrop.r), expected(kSource.g, kBackdrop.g),
                      expected(kSource.b, kBackdrop.b));
    const QColor got = pixelAt(image, 10, 10);
    QVERIFY2(near(got, want, 3),
             qPrintable(QStringLiteral("%1, expected %2").arg(got.name(), want.name())));
    COMPARE_COLOR(pixelAt(image, 30, 10), QColor(100, 150, 200));
}

void TestBlend::fadedModes()
{
    using Channel = std::function<int(int s, int d)>;
    QFETCH(int, mode);
    QFETCH(Channel, expected);
    // The blended sprite at half alpha. Add and subtract take the faded
    // colour and clamp; the other modes fade between backdrop and result.
    const QImage image =
        blendedOverBackdrop(mode, swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0});
    const auto channel = [&](int s, int d) {
        if (mode == 8 || mode == 9)
            return expected(s / 2, d);
        return d + (expected(s, d) - d) / 2;
    };
    const QColor want(channel(kSource.r, kBackdrop.r), channel(kSource.g, kBackdrop.g),
                      channel(kSource.b, kBackdrop.b));
    const QColor got = pixelAt(image, 10, 10);
    QVERIFY2(near(got, want, 3),
             qPrintable(QStringLiteral("%1, expected %2").arg(got.name(), want.name())));
}

void TestBlend::layerGroupsBeforeTheColourTransform()
{
    // Two overlapping opaque red squares in a sprite at half alpha: drawn
    // one by one the overlap is redder; as a layer it is not.
    for (quint8 mode : {quint8(1), quint8(2)}) {
        swfwriter::SwfWriter w;
        w.setStageSize(40, 20);
        swfwriter::TimelineWriter inner;
        inner.placeObject2(placeAt(1, rectShape(w, QRect(0, 0, 30, 20), {255, 0, 0, 255}), 0, 0));
        inner.placeObject2(placeAt(2, rectShape(w, QRect(10, 0, 30, 20), {255, 0, 0, 255}), 0, 0));
        inner.showFrame();
        swfwriter::Place p = blended(1, w.defineSprite(inner), mode);
        p.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
        w.placeObject3(p);
        const QImage image = draw(w);
        const int single = pixelAt(image, 5, 10).green();
        const int overlap = pixelAt(image, 20, 10).green();
        QVERIFY(qAbs(single - 127) <= 2);
        if (mode == 2)
            QVERIFY2(qAbs(overlap - single) <= 2, qPrintable(QString::number(overlap)));
        else
            QVERIFY2(overlap < 80, qPrintable(QString::number(overlap)));
    }
}

void TestBlend::alphaAndEraseActOnTheParentLayer()
{
    // A layer sprite holds a red square over the whole stage and a child
    // covering the left half in mode alpha (11) or erase (12).
    auto scene = [](quint8 childMode, quint8 parentMode) {
        swfwriter::SwfWriter w;
        backdrop(w);
        swfwriter::TimelineWriter inner;
        inner.placeObject2(placeAt(1, rectShape(w, QRect(0, 0, 40, 20), {255, 0, 0, 255}), 0, 0));
        inner.placeObject3(
            blended(2, rectShape(w, QRect(0, 0, 20, 20), {0, 0, 0, 255}), childMode));
        inner.showFrame();
        w.placeObject3(blended(2, w.defineSprite(inner), parentMode));
        return draw(w);
    };
    const QColor red(255, 0, 0), back(100, 150, 200);
    QImage image = scene(11, 2);
    COMPARE_COLOR(pixelAt(image, 10, 10), red);
    COMPARE_COLOR(pixelAt(image, 30, 10), back);
    image = scene(12, 2);
    COMPARE_COLOR(pixelAt(image, 10, 10), back);
    COMPARE_COLOR(pixelAt(image, 30, 10), red);
    // Without a layer to act on, they leave everything as it is.
    image = scene(11, 1);
    COMPARE_COLOR(pixelAt(image, 10, 10), red);
    COMPARE_COLOR(pixelAt(image, 30, 10), red);
}

void TestBlend::deeplyNestedLayersStillDraw()
{
    // Twenty sprites inside one another, each a layer at 90% alpha: past
    // the limit they draw straight onto the deepest layer, still tinted.
    swfwriter::SwfWriter w;
    backdrop(w);
    quint16 inner = rectShape(w, QRect(0, 0, 20, 20), {255, 0, 0, 255});
    for (int level = 0; level < 20; ++level) {
        swfwriter::TimelineWriter sprite;
        swfwriter::Place p = blended(1, inner, 2);
        p.colorTransform = swf::ColorTransform{256, 256, 256, 250, 0, 0, 0, 0};
        sprite.placeObject3(p);
        sprite.showFrame();
        inner = w.defineSprite(sprite);
    }
    w.placeObject2(placeAt(2, inner, 0, 0));
    const QImage image = draw(w);
    const QColor c = pixelAt(image, 10, 10);
    QVERIFY2(c.red() > 180 && c.blue() < 100, qPrintable(c.name()));
    COMPARE_COLOR(pixelAt(image, 30, 10), QColor(100, 150, 200));
}

QTEST_GUILESS_MAIN(TestBlend)
#include "tst_blend.moc"
