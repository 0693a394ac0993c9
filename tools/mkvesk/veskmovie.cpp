// The start-up movie: a looping welcome of our own design, in shapes only.
// A ring pulses around a play mark, three dots orbit it, soft rays turn
// slowly behind, and the name "ORVANTO" shimmers below. Every motion is
// periodic over the loop, so the last frame runs seamlessly into the first.
#include "veskmovie.h"

#include "tools/swfwriter/swfwriter.h"

#include <QPointF>

#include <cmath>
#include <vector>

namespace vesk {

namespace {

using swfwriter::px;

constexpr double kWidth = 525;
constexpr double kHeight = 315;
constexpr int kFrames = 72;
constexpr double kRate = 24;
const QPointF kCentre(262.5, 128);

QPoint at(double x, double y)
{
    return QPoint(px(x), px(y));
}

QVector<QPoint> points(std::initializer_list<QPointF> list, QPointF offset = {})
{
    QVector<QPoint> out;
    for (const QPointF &p : list)
        out.append(at(p.x() + offset.x(), p.y() + offset.y()));
    return out;
}

// Twelve thin rays from the centre outwards, drawn around the origin. Each
// ray has a fill style of its own: the rasteriser handles twelve small
// paths faster than one that spans the whole stage.
swfwriter::ShapeBuilder rays()
{
    swfwriter::ShapeBuilder b;
    // Radii and opacities of the ray's segments: bright near the ring,
    // fading outwards.
    const double radii[] = {70, 130, 180, 230};
    const quint8 alphas[] = {64, 40, 18};
    const double spread = 2.6 * M_PI / 180;
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        for (int s = 0; s < 3; ++s) {
            const double w0 = spread * radii[s] / radii[3];
            const double w1 = spread * radii[s + 1] / radii[3];
            b.polygon({at(radii[s] * std::cos(a - w0), radii[s] * std::sin(a - w0)),
                       at(radii[s + 1] * std::cos(a - w1), radii[s + 1] * std::sin(a - w1)),
                       at(radii[s + 1] * std::cos(a + w1), radii[s + 1] * std::sin(a + w1)),
                       at(radii[s] * std::cos(a + w0), radii[s] * std::sin(a + w0))},
                      b.addFill({40, 80, 160, alphas[s]}));
        }
    }
    return b;
}

// A ring: two circles with one fill; even-odd filling leaves the hole.
swfwriter::ShapeBuilder ring(double outer, double inner, swf::Rgba color)
{
    swfwriter::ShapeBuilder b;
    const int fill = b.addFill(color);
    b.ellipse(QPoint(0, 0), px(outer), px(outer), fill);
    b.ellipse(QPoint(0, 0), px(inner), px(inner), fill);
    return b;
}

swfwriter::ShapeBuilder playMark()
{
    swfwriter::ShapeBuilder b;
    b.polygon(points({{-14, -22}, {24, 0}, {-14, 22}}), b.addFill({245, 248, 255, 255}));
    return b;
}

swfwriter::ShapeBuilder dot(swf::Rgba color)
{
    swfwriter::ShapeBuilder b;
    b.ellipse(QPoint(0, 0), px(7), px(7), b.addFill(color));
    return b;
}

// Letters 26 × 36 pixels, drawn from their top-left corner; holes are
// second figures in the same fill.
swfwriter::ShapeBuilder letter(char c)
{
    swfwriter::ShapeBuilder b;
    const int f = b.addFill({225, 230, 240, 255});
    switch (c) {
    case 'O':
        b.ellipse(at(13, 18), px(13), px(18), f);
        b.ellipse(at(13, 18), px(7), px(12), f);
        break;
    case 'R':
        b.rect(QRect(0, 0, px(6), px(36)), f);
        b.moveTo(px(6), 0).setFill0(0).setFill1(f);
        b.lineTo(px(16), 0)
            .curveTo(px(26), 0, px(26), px(10))
            .curveTo(px(26), px(20), px(16), px(20));
        b.lineTo(px(6), px(20)).lineTo(px(6), 0);
        b.moveTo(px(6), px(6)).lineTo(px(15), px(6)).curveTo(px(20), px(6), px(20), px(10));
        b.curveTo(px(20), px(14), px(15), px(14)).lineTo(px(6), px(14)).lineTo(px(6), px(6));
        b.polygon(points({{12, 20}, {19, 20}, {27, 36}, {20, 36}}), f);
        break;
    case 'V':
        b.polygon(points({{0, 0}, {6, 0}, {13, 27}, {20, 0}, {26, 0}, {16, 36}, {10, 36}}), f);
        break;
    case 'A':
        b.polygon(
            points({{0, 36}, {10, 0}, {16, 0}, {26, 36}, {20, 36}, {18, 29}, {8, 29}, {6, 36}}), f);
        b.polygon(points({{9.6, 23}, {16.4, 23}, {13, 10.5}}), f);
        break;
    case 'N':
        b.polygon(points({{0, 36},
                          {0, 0},
                          {6, 0},
                          {20, 23},
                          {20, 0},
                          {26, 0},
                          {26, 36},
                          {20, 36},
                          {6, 13},
                          {6, 36}}),
                  f);
        break;
    case 'T':
        b.polygon(points({{0, 0}, {26, 0}, {26, 6}, {16, 6}, {16, 36}, {10, 36}, {10, 6}, {0, 6}}),
                  f);
        break;
    default:
        break;
    }
    return b;
}

swf::Matrix placed(double scale, double degrees, QPointF where)
{
    return swfwriter::scaleRotateTranslate(scale, scale, degrees, where.x(), where.y());
}

struct Ids {
    quint16 rays, halo, ring, mark;
    std::vector<quint16> dots;
    std::vector<quint16> letters;
};

Ids defineCharacters(swfwriter::SwfWriter &movie)
{
    Ids ids;
    ids.rays = movie.defineShape(rays());
    ids.halo = movie.defineShape(ring(84, 80, {0, 160, 190, 60}));
    ids.ring = movie.defineShape(ring(64, 55, {0, 200, 210, 255}));
    ids.mark = movie.defineShape(playMark());
    for (swf::Rgba c :
         {swf::Rgba{255, 150, 40, 255}, swf::Rgba{255, 80, 140, 255}, swf::Rgba{255, 225, 70, 255}})
        ids.dots.push_back(movie.defineShape(dot(c)));
    for (char c : QByteArray("ORVANTO"))
        ids.letters.push_back(movie.defineShape(letter(c)));
    return ids;
}

// Places (frame 0) or moves (later frames) one object.
void put(swfwriter::SwfWriter &movie, int frame, quint16 depth, quint16 id, const swf::Matrix &m,
         std::optional<swf::ColorTransform> cx = std::nullopt)
{
    swfwriter::Place p;
    p.depth = depth;
    p.move = frame > 0;
    if (frame == 0)
        p.characterId = id;
    p.matrix = m;
    p.colorTransform = cx;
    movie.placeObject2(p);
}

swf::ColorTransform alpha(double a)
{
    swf::ColorTransform cx;
    cx.multA = qint16(std::lround(256 * a));
    return cx;
}

void writeFrame(swfwriter::SwfWriter &movie, const Ids &ids, int f)
{
    const double t = double(f) / kFrames; // 0 … 1 over the loop
    const double wave = std::sin(2 * M_PI * t);
    put(movie, f, 1, ids.rays, placed(1, 30 * t, kCentre));
    put(movie, f, 2, ids.halo, placed(1 - 0.05 * wave, 0, kCentre), alpha(0.6 - 0.4 * wave));
    put(movie, f, 3, ids.ring, placed(1 + 0.05 * wave, 0, kCentre));
    put(movie, f, 4, ids.mark, placed(1 + 0.03 * wave, 0, kCentre), alpha(0.85 + 0.15 * wave));
    for (int i = 0; i < 3; ++i) {
        const double a = 2 * M_PI * (t + i / 3.0);
        const QPointF where = kCentre + QPointF(96 * std::cos(a), 96 * std::sin(a) * 0.92);
        put(movie, f, quint16(5 + i), ids.dots[i], placed(1 + 0.25 * std::sin(a), 0, where));
    }
    // The shimmer runs over the letters once per loop, tinting towards teal.
    const double left = (kWidth - (7 * 26 + 6 * 9)) / 2;
    for (int i = 0; i < 7; ++i) {
        const double phase = 2 * M_PI * (t - i / 7.0);
        const double glow = std::pow(0.5 + 0.5 * std::cos(phase), 4);
        swf::ColorTransform cx;
        cx.multR = qint16(256 - std::lround(190 * glow));
        cx.addB = qint16(std::lround(15 * glow));
        put(movie, f, quint16(10 + i), ids.letters[i],
            swfwriter::translation(left + i * 35, 238 - 4 * glow), cx);
    }
    movie.showFrame();
}

} // namespace

QByteArray buildMovie()
{
    swfwriter::SwfWriter movie;
    movie.setVersion(8);
    movie.setCompression(swf::Compression::Zlib);
    movie.setStageSize(kWidth, kHeight);
    movie.setFrameRate(kRate);
    movie.setBackgroundColor({0, 0, 0});
    const Ids ids = defineCharacters(movie);
    for (int f = 0; f < kFrames; ++f)
        writeFrame(movie, ids, f);
    return movie.finish();
}

} // namespace vesk
