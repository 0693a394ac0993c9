// flash.display.BitmapData for ActionScript 1/2, and the MovieClip methods
// that show one (attachBitmap, beginBitmapFill). The pixels are kept
// premultiplied, as the player keeps them: what getPixel32 reads back of a
// translucent colour is what survives that rounding. Clips attached to a
// bitmap or filled with it share its pixels, so later changes show.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"
#include "swf/codec/bitmapdecoder.h"
#include "swf/geometry/drawing.h"
#include "swf/model/movie.h"
#include "swf/render/filters.h"
#include "swf/render/imageops.h"
#include "swf/render/renderer.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/player.h"
#include "swf/runtime/scriptbitmap.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>

namespace swf::avm1 {

namespace {

constexpr int kMaxSide = 2880;
constexpr int kDepthOffset = 16384;
// All bitmaps of a movie together; past it, new ones are refused.
constexpr qint64 kMaxTotalBytes = qint64(768) << 20;
// Rectangles and points from scripts are cut to this before any use.
constexpr double kMaxCoordinate = 1e7;

struct Budget {
    qint64 bytes = 0;
};

class BitmapDataObject final : public Object {
public:
    using Object::Object;
    ~BitmapDataObject() override { release(); }
    ObjectClass objectClass() const override { return ObjectClass::Other; }

    QImage &image() { return bitmap->pixels->image; }
    bool disposed() const { return !bitmap || bitmap->pixels->image.isNull(); }
    void changed() { ++bitmap->pixels->revision; }
    void release()
    {
        if (budget && bitmap && !bitmap->pixels->image.isNull())
            budget->bytes -= bitmap->pixels->image.sizeInBytes();
        if (bitmap)
            bitmap->pixels->image = QImage();
    }

    std::shared_ptr<Bitmap> bitmap;
    std::shared_ptr<Budget> budget;
    bool transparent = true;
};

class BitmapDataState final : public MachineExtension {
public:
    void markRoots(Heap &heap) override { heap.mark(cls); }
    FunctionObject *cls = nullptr;
    std::shared_ptr<Budget> budget = std::make_shared<Budget>();
    std::unique_ptr<Renderer> renderer;
};

BitmapDataState &state(Machine &m)
{
    return *m.extension<BitmapDataState>();
}

BitmapDataObject *bitmapOf(const Value &v)
{
    auto *b = dynamic_cast<BitmapDataObject *>(v.asObject());
    return b && !b->disposed() ? b : nullptr;
}

// A script's number as a pixel coordinate: NaN as 0, cut to a sane range.
int coordinate(Machine &m, const Value &v)
{
    const double n = m.toNumber(v);
    return std::isnan(n) ? 0 : int(std::clamp(std::trunc(n), -kMaxCoordinate, kMaxCoordinate));
}

int member(Machine &m, const Value &object, const char *name)
{
    Object *o = object.asObject();
    return o ? coordinate(m, m.get(o, QString::fromLatin1(name))) : 0;
}

QRect rectArg(Machine &m, const Value &v)
{
    if (!v.isObject())
        return QRect();
    return QRect(member(m, v, "x"), member(m, v, "y"), std::max(0, member(m, v, "width")),
                 std::max(0, member(m, v, "height")));
}

QPoint pointArg(Machine &m, const Value &v)
{
    return QPoint(member(m, v, "x"), member(m, v, "y"));
}

quint32 argb(Machine &m, const Value &v)
{
    return quint32(m.toInt32(v));
}

QRgb stored(quint32 color, bool transparent)
{
    return transparent ? qPremultiply(color) : (color | 0xff000000u);
}

quint32 unstored(QRgb p)
{
    return qUnpremultiply(p);
}

QRgb &pixelAt(QImage &image, int x, int y)
{
    return reinterpret_cast<QRgb *>(image.scanLine(y))[x];
}

Value makeBitmap(Machine &m, int width, int height, bool transparent, quint32 fill)
{
    BitmapDataState &s = state(m);
    const qint64 bytes = qint64(width) * height * 4;
    if (s.budget->bytes + bytes > kMaxTotalBytes) {
        m.collectGarbage();
        if (s.budget->bytes + bytes > kMaxTotalBytes)
            return Value();
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return Value();
    image.fill(stored(fill, transparent));
    auto *made =
        m.heap().make<BitmapDataObject>(m.get(s.cls, QStringLiteral("prototype")).asObject());
    m.initializeConstructed(made, s.cls);
    made->bitmap = std::make_shared<Bitmap>(0);
    made->bitmap->source = BitmapSource::Lossless2;
    made->bitmap->width = quint16(width);
    made->bitmap->height = quint16(height);
    made->bitmap->pixels = std::make_shared<BitmapPixels>();
    made->bitmap->pixels->image = std::move(image);
    made->budget = s.budget;
    made->transparent = transparent;
    s.budget->bytes += bytes;
    return Value(made);
}

Value bitmapNew(Machine &m, const Value &, const Args &args)
{
    const double w = m.toNumber(args[0]);
    const double h = m.toNumber(args[1]);
    if (!(w >= 1 && w <= kMaxSide && h >= 1 && h <= kMaxSide))
        return Value();
    const bool transparent = args.size() > 2 ? m.toBoolean(args[2]) : true;
    const quint32 fill = args.size() > 3 ? argb(m, args[3]) : 0xffffffffu;
    return makeBitmap(m, int(w), int(h), transparent, fill);
}

Value noop(Machine &, const Value &, const Args &)
{
    return Value();
}

// Properties: -1 once disposed.

Value getWidth(Machine &, const Value &self, const Args &)
{
    auto *b = dynamic_cast<BitmapDataObject *>(self.asObject());
    if (!b)
        return Value();
    return b->disposed() ? Value(-1) : Value(b->image().width());
}

Value getHeight(Machine &, const Value &self, const Args &)
{
    auto *b = dynamic_cast<BitmapDataObject *>(self.asObject());
    if (!b)
        return Value();
    return b->disposed() ? Value(-1) : Value(b->image().height());
}

Value getTransparent(Machine &, const Value &self, const Args &)
{
    auto *b = dynamic_cast<BitmapDataObject *>(self.asObject());
    if (!b)
        return Value();
    return b->disposed() ? Value(-1) : Value(b->transparent);
}

// A new flash.geom.Rectangle, whatever the movie made of that name now.
Value newRectangle(Machine &m, const QRect &r)
{
    Object *flash = m.get(m.global(), QStringLiteral("flash")).asObject();
    Object *geom = flash ? m.get(flash, QStringLiteral("geom")).asObject() : nullptr;
    const Value cls = geom ? m.get(geom, QStringLiteral("Rectangle")) : Value();
    if (!cls.isObject() || !cls.asObject()->isFunction())
        return Value(-1);
    std::vector<Value> args{Value(r.x()), Value(r.y()), Value(r.width()), Value(r.height())};
    return m.construct(cls, Args(args.data(), int(args.size())));
}

Value getRectangle(Machine &m, const Value &self, const Args &)
{
    auto *b = dynamic_cast<BitmapDataObject *>(self.asObject());
    if (!b)
        return Value();
    return b->disposed() ? Value(-1) : newRectangle(m, b->image().rect());
}

// Pixels.

Value getPixel(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const int x = coordinate(m, args[0]), y = coordinate(m, args[1]);
    if (!b->image().rect().contains(x, y))
        return Value(0);
    return Value(int(unstored(pixelAt(b->image(), x, y)) & 0xffffff));
}

Value getPixel32(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const int x = coordinate(m, args[0]), y = coordinate(m, args[1]);
    if (!b->image().rect().contains(x, y))
        return Value(0);
    return Value(qint32(unstored(pixelAt(b->image(), x, y))));
}

Value setPixel(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const int x = coordinate(m, args[0]), y = coordinate(m, args[1]);
    if (!b->image().rect().contains(x, y))
        return Value();
    QRgb &p = pixelAt(b->image(), x, y);
    // The colour takes the pixel's alpha.
    const quint32 alpha = unstored(p) & 0xff000000u;
    p = stored(alpha | (argb(m, args[2]) & 0xffffff), b->transparent);
    b->changed();
    return Value();
}

Value setPixel32(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const int x = coordinate(m, args[0]), y = coordinate(m, args[1]);
    if (!b->image().rect().contains(x, y))
        return Value();
    pixelAt(b->image(), x, y) = stored(argb(m, args[2]), b->transparent);
    b->changed();
    return Value();
}

Value fillRect(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b || !args[0].isObject())
        return Value();
    const QRect r = rectArg(m, args[0]).intersected(b->image().rect());
    const QRgb color = stored(argb(m, args[1]), b->transparent);
    for (int y = r.top(); y <= r.bottom() && !r.isEmpty(); ++y)
        std::fill_n(&pixelAt(b->image(), r.left(), y), r.width(), color);
    b->changed();
    return Value();
}

QRgb over(QRgb top, QRgb below)
{
    const int k = 255 - qAlpha(top);
    return qRgba(qRed(top) + qRed(below) * k / 255, qGreen(top) + qGreen(below) * k / 255,
                 qBlue(top) + qBlue(below) * k / 255, qAlpha(top) + qAlpha(below) * k / 255);
}

// The part of `from` (source pixels) that lands inside both bitmaps at
// `to`; `from` and `to` are moved alike.
bool clipCopy(QRect &from, QPoint &to, const QRect &sourceArea, const QRect &destArea)
{
    const QRect inSource = from.intersected(sourceArea);
    to += inSource.topLeft() - from.topLeft();
    from = inSource;
    const QRect target = QRect(to, from.size()).intersected(destArea);
    from = QRect(from.topLeft() + (target.topLeft() - to), target.size());
    to = target.topLeft();
    return !from.isEmpty();
}

Value copyPixels(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    BitmapDataObject *source = bitmapOf(args[0]);
    if (!b || !source || !args[1].isObject())
        return Value();
    QRect from = rectArg(m, args[1]);
    QPoint to = pointArg(m, args[2]);
    const QRect wanted = from;
    const QPoint wantedTo = to;
    if (!clipCopy(from, to, source->image().rect(), b->image().rect()))
        return Value();
    BitmapDataObject *alpha = bitmapOf(args[3]);
    const QPoint alphaOrigin = pointArg(m, args[4]);
    const bool merge = m.toBoolean(args[5]);
    // Read first: the source may be this very bitmap.
    const QImage src = source->image().copy(from);
    for (int y = 0; y < from.height(); ++y) {
        for (int x = 0; x < from.width(); ++x) {
            QRgb p = reinterpret_cast<const QRgb *>(src.constScanLine(y))[x];
            if (alpha) {
                const QPoint at =
                    QPoint(from.left() + x, from.top() + y) - wanted.topLeft() + alphaOrigin;
                const int k = alpha->image().rect().contains(at)
                                  ? qAlpha(pixelAt(alpha->image(), at.x(), at.y()))
                                  : 0;
                p = qRgba(qRed(p) * k / 255, qGreen(p) * k / 255, qBlue(p) * k / 255,
                          qAlpha(p) * k / 255);
            }
            QRgb &d = pixelAt(b->image(), to.x() + x, to.y() + y);
            // An opaque bitmap always takes the source over what it shows.
            if (merge || !b->transparent)
                d = over(p, d) | (b->transparent ? 0 : 0xff000000u);
            else
                d = p;
        }
    }
    Q_UNUSED(wantedTo);
    b->changed();
    return Value();
}

Value cloneBitmap(Machine &m, const Value &self, const Args &)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const Value made = makeBitmap(m, b->image().width(), b->image().height(), b->transparent, 0);
    if (BitmapDataObject *copy = bitmapOf(made))
        copy->image() = b->image().copy();
    return made;
}

Value dispose(Machine &, const Value &self, const Args &)
{
    if (BitmapDataObject *b = bitmapOf(self)) {
        b->release();
        ++b->bitmap->pixels->revision;
    }
    return Value();
}

// flash.geom.ColorTransform read through its properties, in 8.8 fixed point.
std::optional<ColorTransform> colorTransformArg(Machine &m, const Value &v)
{
    Object *o = v.asObject();
    if (!o)
        return std::nullopt;
    const auto read = [&](const char *name, double scale) {
        const double n = m.toNumber(m.get(o, QString::fromLatin1(name)));
        return std::isfinite(n) ? qint16(std::clamp(std::trunc(n * scale), -32768.0, 32767.0))
                                : qint16(0);
    };
    ColorTransform cx;
    cx.multR = read("redMultiplier", 256);
    cx.multG = read("greenMultiplier", 256);
    cx.multB = read("blueMultiplier", 256);
    cx.multA = read("alphaMultiplier", 256);
    cx.addR = read("redOffset", 1);
    cx.addG = read("greenOffset", 1);
    cx.addB = read("blueOffset", 1);
    cx.addA = read("alphaOffset", 1);
    return cx;
}

Value colorTransform(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    const auto cx = colorTransformArg(m, args[1]);
    if (!b || !cx)
        return Value();
    const QRect r = rectArg(m, args[0]).intersected(b->image().rect());
    if (r.isEmpty())
        return Value();
    QImage part = b->image().copy(r);
    applyColorTransform(part, *cx);
    QPainter painter(&b->image());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(r.topLeft(), part);
    painter.end();
    if (!b->transparent) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x)
                pixelAt(b->image(), x, y) |= 0xff000000u;
        }
    }
    b->changed();
    return Value();
}

// The affine matrix of a flash.geom.Matrix (pixels).
QTransform matrixArg(Machine &m, const Value &v)
{
    Object *o = v.asObject();
    if (!o)
        return QTransform();
    const auto read = [&](const char *name) {
        const double n = m.toNumber(m.get(o, QString::fromLatin1(name)));
        return std::isfinite(n) ? std::clamp(n, -kMaxCoordinate, kMaxCoordinate) : 0.0;
    };
    return QTransform(read("a"), read("b"), read("c"), read("d"), read("tx"), read("ty"));
}

Value draw(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const QTransform matrix = matrixArg(m, args[1]);
    const ColorTransform cx = colorTransformArg(m, args[2]).value_or(ColorTransform{});
    const QRect clip = args[4].isObject() ? rectArg(m, args[4]) : b->image().rect();
    const bool smoothing = m.toBoolean(args[5]);
    if (BitmapDataObject *source = bitmapOf(args[0])) {
        QImage image = source->image().copy();
        applyColorTransform(image, cx);
        QPainter painter(&b->image());
        painter.setClipRect(clip.intersected(b->image().rect()));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothing);
        painter.setTransform(matrix);
        painter.drawImage(QPoint(0, 0), image);
    } else if (DisplayObject *clipObject = m.displayObjectOf(args[0]);
               clipObject && m.hasPlayer()) {
        BitmapDataState &s = state(m);
        if (!s.renderer)
            s.renderer = std::make_unique<Renderer>();
        const QTransform toPixels =
            QTransform::fromScale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel) * matrix;
        s.renderer->renderObject(m.player(), *clipObject, b->image(), toPixels, cx, clip,
                                 smoothing);
    } else {
        return Value();
    }
    if (!b->transparent) {
        QImage &image = b->image();
        for (int y = 0; y < image.height(); ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] |= 0xff000000u;
        }
    }
    b->changed();
    return Value();
}

// Random numbers of a seed, the same for the same seed.
class Random {
public:
    explicit Random(quint32 seed) : m_engine(seed ? seed : 1) {}
    int next(int low, int high) { return low + int(m_engine() % quint32(high - low + 1)); }
    std::minstd_rand &engine() { return m_engine; }

private:
    std::minstd_rand m_engine;
};

Value noise(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    Random random(quint32(m.toInt32(args[0])));
    int low = args.size() > 1 ? std::clamp(m.toInt32(args[1]), 0, 255) : 0;
    int high = args.size() > 2 ? std::clamp(m.toInt32(args[2]), 0, 255) : 255;
    if (low > high)
        std::swap(low, high);
    const int channels = args.size() > 3 ? m.toInt32(args[3]) : 7;
    const bool gray = m.toBoolean(args[4]);
    QImage &image = b->image();
    for (int y = 0; y < image.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            int c[4] = {0, 0, 0, 255};
            if (gray) {
                c[0] = c[1] = c[2] = random.next(low, high);
            } else {
                for (int i = 0; i < 3; ++i)
                    c[i] = channels & (1 << i) ? random.next(low, high) : 0;
            }
            if (channels & 8 && b->transparent)
                c[3] = random.next(low, high);
            row[x] = stored(qRgba(c[0], c[1], c[2], c[3]), b->transparent);
        }
    }
    b->changed();
    return Value();
}

// Gradient noise over a lattice, shuffled by the seed.
class Perlin {
public:
    explicit Perlin(quint32 seed)
    {
        std::iota(m_perm.begin(), m_perm.begin() + 256, 0);
        std::minstd_rand engine(seed ? seed : 1);
        std::shuffle(m_perm.begin(), m_perm.begin() + 256, engine);
        std::copy(m_perm.begin(), m_perm.begin() + 256, m_perm.begin() + 256);
    }
    // About −1…1.
    double at(double x, double y, double z) const
    {
        const int X = int(std::floor(x)) & 255, Y = int(std::floor(y)) & 255,
                  Z = int(std::floor(z)) & 255;
        x -= std::floor(x);
        y -= std::floor(y);
        z -= std::floor(z);
        const double u = fade(x), v = fade(y), w = fade(z);
        const int A = m_perm[size_t(X)] + Y, AA = m_perm[size_t(A)] + Z,
                  AB = m_perm[size_t(A + 1)] + Z, B = m_perm[size_t(X + 1)] + Y,
                  BA = m_perm[size_t(B)] + Z, BB = m_perm[size_t(B + 1)] + Z;
        const auto g = [&](int i, double a, double b2, double c) {
            return grad(m_perm[size_t(i)], a, b2, c);
        };
        return lerp(w,
                    lerp(v, lerp(u, g(AA, x, y, z), g(BA, x - 1, y, z)),
                         lerp(u, g(AB, x, y - 1, z), g(BB, x - 1, y - 1, z))),
                    lerp(v, lerp(u, g(AA + 1, x, y, z - 1), g(BA + 1, x - 1, y, z - 1)),
                         lerp(u, g(AB + 1, x, y - 1, z - 1), g(BB + 1, x - 1, y - 1, z - 1))));
    }

private:
    static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    static double lerp(double t, double a, double b) { return a + t * (b - a); }
    static double grad(int hash, double x, double y, double z)
    {
        const int h = hash & 15;
        const double u = h < 8 ? x : y;
        const double v = h < 4 ? y : h == 12 || h == 14 ? x : z;
        return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
    }
    std::array<int, 512> m_perm{};
};

Value perlinNoise(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const auto positive = [&](const Value &v) {
        const double n = m.toNumber(v);
        return std::isfinite(n) && n > 0 ? n : 1.0;
    };
    const double baseX = positive(args[0]);
    const double baseY = positive(args[1]);
    const int octaves = std::clamp(m.toInt32(args[2]), 0, 10);
    const Perlin noise(quint32(m.toInt32(args[3])));
    const bool fractal = m.toBoolean(args[5]);
    const int channels = args.size() > 6 ? m.toInt32(args[6]) : 7;
    const bool gray = m.toBoolean(args[7]);
    std::vector<QPointF> offsets(static_cast<size_t>(octaves));
    if (auto *array = asArray(args[8].asObject())) {
        for (int i = 0; i < octaves && i < array->length(); ++i) {
            const QPoint p = pointArg(m, array->elements()[size_t(i)]);
            offsets[size_t(i)] = QPointF(p);
        }
    }
    QImage &image = b->image();
    for (int y = 0; y < image.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            int c[4] = {0, 0, 0, 255};
            for (int channel = 0; channel < 4; ++channel) {
                const bool wanted = channel == 3 ? (channels & 8) && b->transparent
                                    : gray       ? channel == 0
                                                 : (channels & (1 << channel)) != 0;
                if (!wanted)
                    continue;
                double sum = 0, amplitude = 1, frequency = 1;
                for (int o = 0; o < octaves; ++o) {
                    const double n =
                        noise.at((x + offsets[size_t(o)].x()) * frequency / baseX,
                                 (y + offsets[size_t(o)].y()) * frequency / baseY, channel * 1.7);
                    sum += (fractal ? n : std::abs(n)) * amplitude;
                    amplitude *= 0.5;
                    frequency *= 2;
                }
                const double v = fractal ? (sum + 1) / 2 : sum;
                c[channel] = std::clamp(int(v * 255), 0, 255);
            }
            if (gray)
                c[1] = c[2] = c[0];
            row[x] = stored(qRgba(c[0], c[1], c[2], c[3]), b->transparent);
        }
    }
    b->changed();
    return Value();
}

Value threshold(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    BitmapDataObject *source = bitmapOf(args[0]);
    if (!b || !source || !args[1].isObject())
        return Value();
    QRect from = rectArg(m, args[1]);
    QPoint to = pointArg(m, args[2]);
    const QString op = m.toString(args[3]).text();
    const quint32 mask = args.size() > 6 ? argb(m, args[6]) : 0xffffffffu;
    const quint32 limit = argb(m, args[4]) & mask;
    const quint32 color = argb(m, args[5]);
    const bool copySource = m.toBoolean(args[7]);
    const auto test = [&](quint32 v) {
        v &= mask;
        if (op == QLatin1String("<"))
            return v < limit;
        if (op == QLatin1String("<="))
            return v <= limit;
        if (op == QLatin1String(">"))
            return v > limit;
        if (op == QLatin1String(">="))
            return v >= limit;
        if (op == QLatin1String("=="))
            return v == limit;
        if (op == QLatin1String("!="))
            return v != limit;
        return false;
    };
    if (!clipCopy(from, to, source->image().rect(), b->image().rect()))
        return Value(0);
    const QImage src = source->image().copy(from);
    int count = 0;
    for (int y = 0; y < from.height(); ++y) {
        for (int x = 0; x < from.width(); ++x) {
            const QRgb p = reinterpret_cast<const QRgb *>(src.constScanLine(y))[x];
            QRgb &d = pixelAt(b->image(), to.x() + x, to.y() + y);
            if (test(unstored(p))) {
                d = stored(color, b->transparent);
                ++count;
            } else if (copySource) {
                d = b->transparent ? p : stored(unstored(p), false);
            }
        }
    }
    b->changed();
    return Value(count);
}

Value floodFill(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    QImage &image = b->image();
    const QPoint start(coordinate(m, args[0]), coordinate(m, args[1]));
    if (!image.rect().contains(start))
        return Value();
    const QRgb from = pixelAt(image, start.x(), start.y());
    const QRgb to = stored(argb(m, args[2]), b->transparent);
    if (from == to)
        return Value();
    // Each pixel is queued at most once: it changes colour when queued.
    std::vector<QPoint> pending{start};
    pixelAt(image, start.x(), start.y()) = to;
    while (!pending.empty()) {
        const QPoint p = pending.back();
        pending.pop_back();
        for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint n = p + step;
            if (image.rect().contains(n) && pixelAt(image, n.x(), n.y()) == from) {
                pixelAt(image, n.x(), n.y()) = to;
                pending.push_back(n);
            }
        }
    }
    b->changed();
    return Value();
}

Value scroll(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    QImage &image = b->image();
    const int dx = coordinate(m, args[0]), dy = coordinate(m, args[1]);
    if (std::abs(qint64(dx)) >= image.width() || std::abs(qint64(dy)) >= image.height())
        return Value();
    const QImage before = image.copy();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(dx, dy), before);
    painter.end();
    b->changed();
    return Value();
}

Value applyFilter(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    BitmapDataObject *source = bitmapOf(args[0]);
    if (!b || !source || !args[1].isObject())
        return Value();
    const auto filter = filterOfValue(m, args[3]);
    if (!filter)
        return Value(-1);
    const QRect from = rectArg(m, args[1]).intersected(source->image().rect());
    const QPoint to = pointArg(m, args[2]);
    if (from.isEmpty())
        return Value(0);
    QImage layer = source->image().copy(from);
    applyFilters(layer, {*filter}, 1.0);
    QPainter painter(&b->image());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(to, layer);
    painter.end();
    b->changed();
    return Value(0);
}

bool isRectangle(Machine &m, const Value &v)
{
    Object *o = v.asObject();
    return o && !m.get(o, QStringLiteral("width")).isUndefined();
}

Value hitTest(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b || !args[0].isObject())
        return Value();
    const QPoint origin = pointArg(m, args[0]);
    const int limit = std::clamp(m.toInt32(args[1]), 0, 255);
    const QImage &image = b->image();
    const auto opaqueAt = [&](QPoint p, int threshold) {
        p -= origin;
        return image.rect().contains(p) &&
               qAlpha(reinterpret_cast<const QRgb *>(image.constScanLine(p.y()))[p.x()]) >=
                   std::max(threshold, 1);
    };
    if (BitmapDataObject *other = bitmapOf(args[2])) {
        const QPoint otherOrigin = pointArg(m, args[3]);
        const int otherLimit = args.size() > 4 ? std::clamp(m.toInt32(args[4]), 0, 255) : 1;
        const QRect overlap =
            QRect(origin, image.size()).intersected(QRect(otherOrigin, other->image().size()));
        for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
            for (int x = overlap.left(); x <= overlap.right(); ++x) {
                const QPoint q = QPoint(x, y) - otherOrigin;
                if (opaqueAt(QPoint(x, y), limit) &&
                    qAlpha(pixelAt(other->image(), q.x(), q.y())) >= std::max(otherLimit, 1))
                    return Value(true);
            }
        }
        return Value(false);
    }
    if (isRectangle(m, args[2])) {
        const QRect r = rectArg(m, args[2]).intersected(QRect(origin, image.size()));
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                if (opaqueAt(QPoint(x, y), limit))
                    return Value(true);
            }
        }
        return Value(false);
    }
    if (args[2].isObject())
        return Value(opaqueAt(pointArg(m, args[2]), limit));
    return Value();
}

Value compare(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value(-2);
    BitmapDataObject *other = bitmapOf(args[0]);
    if (!other)
        return Value(args[0].isObject() ? -2 : -1);
    if (other->image().width() != b->image().width())
        return Value(-3);
    if (other->image().height() != b->image().height())
        return Value(-4);
    const QImage &x = b->image();
    const QImage &y = other->image();
    if (x == y)
        return Value(0);
    const Value made = makeBitmap(m, x.width(), x.height(), true, 0);
    BitmapDataObject *out = bitmapOf(made);
    if (!out)
        return Value();
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const quint32 p = unstored(reinterpret_cast<const QRgb *>(x.constScanLine(row))[col]);
            const quint32 q = unstored(reinterpret_cast<const QRgb *>(y.constScanLine(row))[col]);
            quint32 d = 0;
            if ((p & 0xffffff) != (q & 0xffffff)) {
                d = 0xff000000u | (quint32(quint8(qRed(p) - qRed(q))) << 16) |
                    (quint32(quint8(qGreen(p) - qGreen(q))) << 8) | quint8(qBlue(p) - qBlue(q));
            } else if (qAlpha(p) != qAlpha(q)) {
                d = (quint32(quint8(qAlpha(p) - qAlpha(q))) << 24) | 0xffffff;
            }
            pixelAt(out->image(), col, row) = qPremultiply(d);
        }
    }
    return made;
}

Value getColorBoundsRect(Machine &m, const Value &self, const Args &args)
{
    BitmapDataObject *b = bitmapOf(self);
    if (!b)
        return Value();
    const quint32 mask = argb(m, args[0]);
    const quint32 color = argb(m, args[1]) & mask;
    const bool find = args.size() > 2 ? m.toBoolean(args[2]) : true;
    const QImage &image = b->image();
    QRect found;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (((unstored(row[x]) & mask) == color) == find)
                found |= QRect(x, y, 1, 1);
        }
    }
    return newRectangle(m, found.isNull() ? QRect(0, 0, 0, 0) : found);
}

// BitmapData.loadBitmap(name): a bitmap the movie exports under `name`.
Value loadBitmap(Machine &m, const Value &, const Args &args)
{
    const Movie &movie = m.movie();
    const auto id = movie.symbols().exported(m.toString(args[0]).text());
    const Character *character = id ? movie.character(*id) : nullptr;
    if (!character || character->kind() != CharacterKind::Bitmap)
        return Value();
    const Result<QImage> decoded = decodeBitmap(static_cast<const Bitmap &>(*character));
    if (!decoded || decoded->isNull() || decoded->width() > kMaxSide ||
        decoded->height() > kMaxSide)
        return Value();
    const bool transparent = decoded->hasAlphaChannel();
    const Value made = makeBitmap(m, decoded->width(), decoded->height(), transparent, 0);
    if (BitmapDataObject *b = bitmapOf(made))
        b->image() = decoded->convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return made;
}

// MovieClip.attachBitmap(bitmap, depth, pixelSnapping, smoothing).
Value attachBitmap(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *parent = m.displayObjectOf(self);
    auto *b = dynamic_cast<BitmapDataObject *>(args[0].asObject());
    const double depth = m.toNumber(args[1]);
    if (!parent || !parent->children() || !b || !b->bitmap || std::isnan(depth))
        return Value();
    PlacementState placement;
    placement.depth = int(std::clamp(std::trunc(depth), -1e9, 1e9)) + kDepthOffset;
    auto made =
        std::make_unique<ScriptBitmapInstance>(b->bitmap, placement, parent, parent->context());
    made->smoothing = m.toBoolean(args[3]);
    addChild(*parent->children(), std::move(made), parent->context());
    return Value();
}

// MovieClip.beginBitmapFill(bitmap, matrix, repeat, smoothing).
Value beginBitmapFill(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = m.displayObjectOf(self);
    Drawing *drawing = clip ? clip->drawing() : nullptr;
    auto *b = dynamic_cast<BitmapDataObject *>(args[0].asObject());
    if (!drawing)
        return Value();
    if (!b || !b->bitmap) {
        drawing->beginFill(std::nullopt);
        return Value();
    }
    const bool repeat = args.size() > 2 ? m.toBoolean(args[2]) : true;
    const bool smoothing = m.toBoolean(args[3]);
    FillStyle fill;
    fill.kind = repeat
                    ? (smoothing ? FillKind::RepeatingBitmap : FillKind::NonSmoothedRepeatingBitmap)
                    : (smoothing ? FillKind::ClippedBitmap : FillKind::NonSmoothedClippedBitmap);
    const QTransform t = matrixArg(m, args[1]);
    fill.matrix.scaleX = t.m11() * kTwipsPerPixel;
    fill.matrix.rotateSkew0 = t.m12() * kTwipsPerPixel;
    fill.matrix.rotateSkew1 = t.m21() * kTwipsPerPixel;
    fill.matrix.scaleY = t.m22() * kTwipsPerPixel;
    fill.matrix.translateX = qint32(std::round(t.dx() * kTwipsPerPixel));
    fill.matrix.translateY = qint32(std::round(t.dy() * kTwipsPerPixel));
    fill.scriptBitmap = b->bitmap;
    drawing->beginFill(fill);
    return Value();
}

} // namespace

void installBitmapData(Machine &m)
{
    auto owned = std::make_unique<BitmapDataState>();
    BitmapDataState &s = *owned;
    m.addExtension(std::move(owned));

    // Movies before version 8 make no bitmaps.
    Object *flash = m.get(m.global(), QStringLiteral("flash")).asObject();
    if (!flash || m.version() < 8)
        return;
    Object *display = m.newObject();
    m.defineValue(flash, QStringLiteral("display"), Value(display), 0);

    Object *proto = m.newObject();
    s.cls = m.defineClass(QString(), proto, noop, bitmapNew);
    m.defineValue(display, QStringLiteral("BitmapData"), Value(s.cls), 0);
    m.defineValue(s.cls, QStringLiteral("loadBitmap"), Value(m.newNative(loadBitmap)), 0);
    defineAccessor(m, proto, QStringLiteral("width"), getWidth, nullptr, 0);
    defineAccessor(m, proto, QStringLiteral("height"), getHeight, nullptr, 0);
    defineAccessor(m, proto, QStringLiteral("transparent"), getTransparent, nullptr, 0);
    defineAccessor(m, proto, QStringLiteral("rectangle"), getRectangle, nullptr, 0);
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {
        {"getPixel", getPixel},
        {"getPixel32", getPixel32},
        {"setPixel", setPixel},
        {"setPixel32", setPixel32},
        {"fillRect", fillRect},
        {"copyPixels", copyPixels},
        {"clone", cloneBitmap},
        {"dispose", dispose},
        {"draw", draw},
        {"colorTransform", colorTransform},
        {"noise", noise},
        {"perlinNoise", perlinNoise},
        {"threshold", threshold},
        {"floodFill", floodFill},
        {"scroll", scroll},
        {"applyFilter", applyFilter},
        {"hitTest", hitTest},
        {"compare", compare},
        {"getColorBoundsRect", getColorBoundsRect},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.call)), 0);

    if (Object *clip = m.protos().movieClip) {
        m.defineValue(clip, QStringLiteral("attachBitmap"), Value(m.newNative(attachBitmap)),
                      PropertyFlag::DontEnum | PropertyFlag::OnlySwf8);
        m.defineValue(clip, QStringLiteral("beginBitmapFill"), Value(m.newNative(beginBitmapFill)),
                      PropertyFlag::DontEnum | PropertyFlag::OnlySwf8);
    }
}

} // namespace swf::avm1
