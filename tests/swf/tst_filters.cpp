// Surface filters of PlaceObject3 drawn on the object's layer: blur, drop
// shadow (with knockout and hidden object), inner glow, colour matrix; and
// damaged filter lists, which draw the object unfiltered.
#include "swf/parse/filterrecords.h"
#include "swf/render/filters.h"
#include "swftest.h"
#include "tools/swfwriter/filterwriter.h"

#include <QTest>

#include <cmath>
#include <cstring>

namespace {

// SURFACEFILTERLIST encoders, stage pixels and radians as the file holds them.
void fixed16(swfwriter::BitWriter &w, double v)
{
    w.u32(quint32(qint32(std::lround(v * 65536.0))));
}

void rgba(swfwriter::BitWriter &w, swf::Rgba c)
{
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
    w.u8(c.a);
}

QByteArray blurFilter(double blur, int passes)
{
    swfwriter::BitWriter w;
    w.u8(1);
    fixed16(w, blur);
    fixed16(w, blur);
    w.u8(quint32(passes << 3));
    return w.data();
}

struct Shadow {
    swf::Rgba color{0, 0, 0, 255};
    double blur = 0.0;
    double angle = 0.0;
    double distance = 0.0;
    bool inner = false;
    bool knockout = false;
    bool compositeSource = true;
};

QByteArray dropShadowFilter(const Shadow &s)
{
    swfwriter::BitWriter w;
    w.u8(0);
    rgba(w, s.color);
    fixed16(w, s.blur);
    fixed16(w, s.blur);
    fixed16(w, s.angle);
    fixed16(w, s.distance);
    w.fixed8(1.0);
    w.u8(quint32((s.inner << 7) | (s.knockout << 6) | (s.compositeSource << 5) | 1));
    return w.data();
}

QByteArray glowFilter(const Shadow &s)
{
    swfwriter::BitWriter w;
    w.u8(2);
    rgba(w, s.color);
    fixed16(w, s.blur);
    fixed16(w, s.blur);
    w.fixed8(1.0);
    w.u8(quint32((s.inner << 7) | (s.knockout << 6) | (s.compositeSource << 5) | 1));
    return w.data();
}

QByteArray colorMatrixFilter(const std::array<float, 20> &m)
{
    swfwriter::BitWriter w;
    w.u8(6);
    for (float v : m) {
        quint32 bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        w.u32(bits);
    }
    return w.data();
}

QByteArray filterList(const QList<QByteArray> &filters)
{
    return QByteArray(1, char(filters.size())) + filters.join();
}

// A 20-pixel square of `color` at (20, 20) of a white 60 × 60 stage,
// placed with `filters`.
QImage drawFiltered(const QByteArray &filters, swf::Rgba color = {0, 0, 0, 255})
{
    swfwriter::SwfWriter w;
    w.setStageSize(60, 60);
    swfwriter::Place p = placeAt(1, defineSquare(w, 20, color), 20, 20);
    p.rawFilters = filters;
    w.placeObject3(p);
    w.showFrame();
    swf::Player player(mustParse(w.finish()));
    return renderStage(player);
}

int grey(const QImage &image, int x, int y)
{
    return pixelAt(image, x, y).red();
}

} // namespace

class TestFilters : public QObject {
    Q_OBJECT
private slots:
    void blurSpreadsTheObject();
    void dropShadowBesideTheObject();
    void knockoutAndHiddenObject();
    void innerGlowInsideTheObject();
    void colourMatrix();
    void damagedFiltersAreDropped();
    void filtersScaleWithTheStage();
    void filteredLayersAreKeptWhileOnlyTheirPositionChanges();
};

void TestFilters::blurSpreadsTheObject()
{
    const QImage image = drawFiltered(filterList({blurFilter(10, 1)}));
    QVERIFY(grey(image, 30, 30) < 10);                               // the middle stays black
    QVERIFY(qAbs(grey(image, 20, 30) - 128) < 30);                   // the edge is half
    QVERIFY(grey(image, 17, 30) > 140 && grey(image, 17, 30) < 250); // it spreads outside
    QVERIFY(grey(image, 5, 30) > 250);
}

void TestFilters::dropShadowBesideTheObject()
{
    // A red object with a black shadow 10 pixels down and right (45°).
    Shadow s;
    s.angle = M_PI / 4;
    s.distance = std::sqrt(200.0);
    const QImage image = drawFiltered(filterList({dropShadowFilter(s)}), {255, 0, 0, 255});
    COMPARE_COLOR(pixelAt(image, 25, 25), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 45, 45), QColor(0, 0, 0)); // beyond the object's bounds
    COMPARE_COLOR(pixelAt(image, 35, 35), QColor(255, 0, 0));
    COMPARE_COLOR(pixelAt(image, 25, 45), QColor(Qt::white));
}

void TestFilters::knockoutAndHiddenObject()
{
    Shadow s;
    s.distance = 10;
    s.knockout = true;
    QImage image = drawFiltered(filterList({dropShadowFilter(s)}), {255, 0, 0, 255});
    COMPARE_COLOR(pixelAt(image, 25, 30), QColor(Qt::white)); // the object cut out
    COMPARE_COLOR(pixelAt(image, 45, 30), QColor(0, 0, 0));
    s.knockout = false;
    s.compositeSource = false;
    image = drawFiltered(filterList({dropShadowFilter(s)}), {255, 0, 0, 255});
    COMPARE_COLOR(pixelAt(image, 25, 30), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 35, 30), QColor(0, 0, 0));
}

void TestFilters::innerGlowInsideTheObject()
{
    Shadow s;
    s.color = {0, 0, 255, 255};
    s.blur = 8;
    s.inner = true;
    const QImage image = drawFiltered(filterList({glowFilter(s)}), {255, 255, 255, 255});
    const QColor edge = pixelAt(image, 21, 30);
    QVERIFY2(edge.blue() > 200 && edge.red() < 200, qPrintable(edge.name()));
    COMPARE_COLOR(pixelAt(image, 30, 30), QColor(Qt::white));
    COMPARE_COLOR(pixelAt(image, 17, 30), QColor(Qt::white)); // nothing outside
}

void TestFilters::colourMatrix()
{
    // Red and blue swapped, green halved, alpha kept.
    std::array<float, 20> m{};
    m[2] = 1.0f;
    m[6] = 0.5f;
    m[10] = 1.0f;
    m[18] = 1.0f;
    const QImage image = drawFiltered(filterList({colorMatrixFilter(m)}), {200, 100, 50, 255});
    COMPARE_COLOR(pixelAt(image, 30, 30), QColor(50, 50, 200));
    COMPARE_COLOR(pixelAt(image, 5, 5), QColor(Qt::white));
}

void TestFilters::damagedFiltersAreDropped()
{
    // Lists are read whole or not at all: one of an unknown kind or cut
    // short leaves the object unfiltered.
    const struct {
        QByteArray list;
        bool ok;
        int filters;
    } cases[] = {
        {filterList({blurFilter(4, 2)}), true, 1},
        {filterList({blurFilter(4, 2), glowFilter({})}), true, 2},
        {filterList({QByteArray("\x09\x00\x00\x00", 4)}), false, 0}, // no kind 9
        {filterList({blurFilter(4, 2).chopped(2)}), false, 0},
        {QByteArray(1, '\2') + blurFilter(4, 2), false, 1}, // says two, holds one
    };
    for (const auto &c : cases) {
        swf::Reader r(c.list);
        std::vector<swf::Filter> filters;
        QCOMPARE(swf::readFilterList(r, filters), c.ok);
        QCOMPARE(int(filters.size()), c.filters);
    }
    const QImage image = drawFiltered(filterList({QByteArray("\x01\x00\x00", 3)}));
    QVERIFY(grey(image, 21, 30) < 10);
    QVERIFY(grey(image, 18, 30) > 245);
}

void TestFilters::filtersScaleWithTheStage()
{
    // The stage drawn at twice its size shows the same picture twice as
    // large: blurs, distances and bevels grow with it.
    swf::Filter blur;
    blur.kind = swf::Filter::Kind::Blur;
    blur.blurX = blur.blurY = 6;
    blur.passes = 2;
    swf::Filter shadow;
    shadow.kind = swf::Filter::Kind::DropShadow;
    shadow.color = {0, 0, 255, 255};
    shadow.blurX = shadow.blurY = 4;
    shadow.distance = 6;
    shadow.angle = M_PI / 4;
    shadow.passes = 1;
    swf::Filter glow = shadow;
    glow.kind = swf::Filter::Kind::Glow;
    glow.inner = true;
    glow.color = {255, 255, 0, 255};
    swf::Filter bevel = shadow;
    bevel.kind = swf::Filter::Kind::Bevel;
    bevel.distance = 3;
    bevel.highlight = {255, 255, 255, 255};
    for (const auto &filters : std::vector<std::vector<swf::Filter>>{
             {blur}, {shadow}, {glow}, {bevel}, {shadow, bevel}}) {
        swfwriter::SwfWriter w;
        w.setStageSize(60, 60);
        swfwriter::Place p = placeAt(1, defineSquare(w, 20, {255, 0, 0, 255}), 20, 20);
        p.rawFilters = swfwriter::filterList(filters);
        w.placeObject3(p);
        w.showFrame();
        swf::Player player(mustParse(w.finish()));
        const QImage once = renderStage(player);
        const QImage twice = renderStage(player, QSize(120, 120))
                                 .scaled(60, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int off = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 60; ++x)
                off += near(pixelAt(once, x, y), pixelAt(twice, x, y), 40) ? 0 : 1;
        }
        QVERIFY2(off <= 60, qPrintable(QStringLiteral("%1 pixels differ").arg(off)));
    }
}

void TestFilters::filteredLayersAreKeptWhileOnlyTheirPositionChanges()
{
    // A glowing sprite moved by whole pixels, by a fraction (its layer
    // still lands on whole pixels), then tinted, then changed inside (its
    // red square turns green): drawn with its kept layer, or a new one once
    // its content changed, it is what a renderer that never saw it draws.
    swf::Filter glow;
    glow.kind = swf::Filter::Kind::Glow;
    glow.color = {0, 0, 255, 255};
    glow.blurX = glow.blurY = 6;
    glow.strength = 2;
    swfwriter::SwfWriter w;
    w.setStageSize(80, 60);
    const quint16 red = defineSquare(w, 20, {255, 0, 0, 255});
    const quint16 green = defineSquare(w, 20, {0, 255, 0, 255});
    swfwriter::TimelineWriter inner;
    inner.placeObject2(placeAt(1, red, 0, 0));
    inner.showFrame(4);
    inner.removeObject2(1);
    inner.placeObject2(placeAt(1, green, 0, 0));
    inner.showFrame();
    swfwriter::Place p = placeAt(1, w.defineSprite(inner), 20, 20);
    p.rawFilters = swfwriter::filterList({glow});
    w.placeObject3(p);
    w.showFrame();
    w.placeObject2(moveTo(1, 25, 22));
    w.showFrame();
    w.placeObject2(moveTo(1, 30.3, 22.6));
    w.showFrame();
    swfwriter::Place tinted = moveTo(1, 30.3, 22.6);
    tinted.colorTransform = swf::ColorTransform{256, 128, 256, 256, 0, 0, 0, 0};
    w.placeObject2(tinted);
    w.showFrame(2);
    swf::Player player(mustParse(w.finish()));
    swf::Renderer kept;
    for (int frame = 0; frame < 5; ++frame) {
        const QImage cached = kept.render(player, QSize(160, 120), Qt::white);
        QCOMPARE(kept.layerCache().count(), 1);
        QCOMPARE(pixelAt(cached, 70, 60).red() < 50, frame == 4); // green inside
        const QImage fresh = renderStage(player, QSize(160, 120));
        int off = 0;
        for (int y = 0; y < 120; ++y) {
            for (int x = 0; x < 160; ++x)
                off += near(pixelAt(cached, x, y), pixelAt(fresh, x, y), 2) ? 0 : 1;
        }
        QVERIFY2(off == 0, qPrintable(QStringLiteral("frame %1: %2 pixels").arg(frame).arg(off)));
        player.step();
    }
}

QTEST_GUILESS_MAIN(TestFilters)
#include "tst_filters.moc"
