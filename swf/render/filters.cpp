#include "swf/render/filters.h"

#include "swf/log.h"
#include "swf/render/gradientramp.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

using Plane = std::vector<quint8>;

// Convolution kernels larger than this are not drawn: they would cost
// hundreds of reads a pixel.
constexpr int kMaxKernel = 225;

// One box blur of window `size` along lines of `count` values `step`
// apart; values outside are transparent.
void boxLine(quint8 *line, int count, int step, int size, std::vector<int> &scratch)
{
    scratch.assign(size_t(count), 0);
    const int before = (size - 1) / 2, after = size - 1 - before;
    int sum = 0;
    for (int i = 0; i < std::min(after, count); ++i)
        sum += line[i * step];
    for (int x = 0; x < count; ++x) {
        if (x + after < count)
            sum += line[(x + after) * step];
        if (x - before - 1 >= 0)
            sum -= line[(x - before - 1) * step];
        scratch[size_t(x)] = sum;
    }
    for (int x = 0; x < count; ++x)
        line[x * step] = quint8((scratch[size_t(x)] + size / 2) / size);
}

void blurPlane(Plane &plane, int w, int h, double blurX, double blurY, int passes)
{
    const int sizeX = std::max(1, int(std::lround(blurX)));
    const int sizeY = std::max(1, int(std::lround(blurY)));
    std::vector<int> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        if (sizeX > 1) {
            for (int y = 0; y < h; ++y)
                boxLine(plane.data() + size_t(y) * w, w, 1, sizeX, scratch);
        }
        if (sizeY > 1) {
            for (int x = 0; x < w; ++x)
                boxLine(plane.data() + x, h, w, sizeY, scratch);
        }
    }
}

Plane channel(const QImage &image, int shift)
{
    Plane plane(size_t(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            plane[size_t(y) * image.width() + x] = quint8((row[x] >> shift) & 0xff);
    }
    return plane;
}

// `plane` moved by (dx, dy) pixels; what comes in from outside is 0, or
// 255 for the inverted planes of inner shadows.
Plane shifted(const Plane &plane, int w, int h, int dx, int dy, quint8 outside = 0)
{
    if (dx == 0 && dy == 0)
        return plane;
    Plane out(plane.size(), outside);
    for (int y = 0; y < h; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= h)
            continue;
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx;
            if (sx >= 0 && sx < w)
                out[size_t(y) * w + x] = plane[size_t(sy) * w + sx];
        }
    }
    return out;
}

QRgb premultipliedColor(Rgba c, int coverage)
{
    const int a = c.a * coverage / 255;
    return qRgba(c.r * a / 255, c.g * a / 255, c.b * a / 255, a);
}

QRgb over(QRgb top, QRgb below)
{
    const int k = 255 - qAlpha(top);
    return qRgba(qRed(top) + qRed(below) * k / 255, qGreen(top) + qGreen(below) * k / 255,
                 qBlue(top) + qBlue(below) * k / 255, qAlpha(top) + qAlpha(below) * k / 255);
}

QRgb scaled(QRgb p, int k)
{
    return qRgba(qRed(p) * k / 255, qGreen(p) * k / 255, qBlue(p) * k / 255, qAlpha(p) * k / 255);
}

struct Geometry {
    int w;
    int h;
    double scale;
    int dx;
    int dy;
};

Geometry geometryOf(const QImage &layer, const Filter &f, double scale)
{
    return Geometry{layer.width(), layer.height(), scale,
                    int(std::lround(std::cos(f.angle) * f.distance * scale)),
                    int(std::lround(std::sin(f.angle) * f.distance * scale))};
}

int strengthened(int value, double strength)
{
    return std::clamp(int(std::lround(value * strength)), 0, 255);
}

// Drop shadow and glow: the object's blurred, moved alpha in one colour,
// outside the object or (inner) inside it.
void applyShadow(QImage &layer, const Filter &f, double scale)
{
    const Geometry g = geometryOf(layer, f, scale);
    const Plane alpha = channel(layer, 24);
    Plane source = alpha;
    if (f.inner)
        std::for_each(source.begin(), source.end(), [](quint8 &v) { v = quint8(255 - v); });
    blurPlane(source, g.w, g.h, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    const Plane shadow = shifted(source, g.w, g.h, g.dx, g.dy, f.inner ? 255 : 0);
    for (int y = 0; y < g.h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < g.w; ++x) {
            const size_t i = size_t(y) * g.w + x;
            int cover = strengthened(shadow[i], f.strength);
            if (f.inner)
                cover = cover * alpha[i] / 255;
            const QRgb s = premultipliedColor(f.color, cover);
            const QRgb object = row[x];
            if (f.knockout)
                row[x] = f.inner ? s : scaled(s, 255 - alpha[i]);
            else if (!f.compositeSource)
                row[x] = s;
            else
                row[x] = f.inner ? over(s, object) : over(object, s);
        }
    }
}

// Gradient glow: the strengthened blurred alpha picks the colour from a
// ramp of the filter's colours, built as gradient fills build theirs;
// without colours it is transparent.
std::array<QRgb, 256> filterRamp(const Filter &f)
{
    std::array<QRgb, 256> ramp{};
    if (f.gradient.records.empty())
        return ramp;
    const GradientRamp colors = gradientRamp(f.gradient, ColorTransform{});
    for (size_t t = 0; t < ramp.size(); ++t)
        ramp[t] = premultipliedColor(colors[t], 255);
    return ramp;
}

// Bevels: the blurred alpha seen from both sides of the light's angle;
// where it rises the highlight shows, where it falls the shadow. Gradient
// bevels map the difference onto their ramp, 128 being flat.
void applyBevel(QImage &layer, const Filter &f, double scale)
{
    const Geometry g = geometryOf(layer, f, scale);
    const Plane alpha = channel(layer, 24);
    Plane blurred = alpha;
    blurPlane(blurred, g.w, g.h, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    const Plane lit = shifted(blurred, g.w, g.h, g.dx, g.dy);
    const Plane dark = shifted(blurred, g.w, g.h, -g.dx, -g.dy);
    const bool gradient = f.kind == Filter::Kind::GradientBevel;
    const std::array<QRgb, 256> ramp = gradient ? filterRamp(f) : std::array<QRgb, 256>{};
    for (int y = 0; y < g.h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < g.w; ++x) {
            const size_t i = size_t(y) * g.w + x;
            const int d = int(dark[i]) - int(lit[i]);
            QRgb bevel;
            if (gradient) {
                bevel =
                    ramp[size_t(std::clamp(128 + int(std::lround(d * f.strength / 2)), 0, 255))];
            } else {
                const QRgb hi =
                    premultipliedColor(f.highlight, strengthened(std::max(0, d), f.strength));
                const QRgb sh =
                    premultipliedColor(f.color, strengthened(std::max(0, -d), f.strength));
                bevel = over(hi, sh);
            }
            const int mask = f.onTop ? 255 : f.inner ? alpha[i] : 255 - alpha[i];
            bevel = scaled(bevel, mask);
            const QRgb object = row[x];
            if (f.knockout || !f.compositeSource)
                row[x] = bevel;
            else
                row[x] = f.inner || f.onTop ? over(bevel, object) : over(object, bevel);
        }
    }
}

void applyGradientGlow(QImage &layer, const Filter &f, double scale)
{
    const Geometry g = geometryOf(layer, f, scale);
    const Plane alpha = channel(layer, 24);
    Plane blurred = alpha;
    blurPlane(blurred, g.w, g.h, f.blurX * scale, f.blurY * scale, std::max(1, f.passes));
    const Plane glow = shifted(blurred, g.w, g.h, g.dx, g.dy);
    const std::array<QRgb, 256> ramp = filterRamp(f);
    for (int y = 0; y < g.h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < g.w; ++x) {
            const size_t i = size_t(y) * g.w + x;
            const QRgb s = ramp[size_t(strengthened(glow[i], f.strength))];
            const QRgb object = row[x];
            if (f.knockout)
                row[x] = scaled(s, 255 - alpha[i]);
            else if (!f.compositeSource)
                row[x] = s;
            else
                row[x] = over(object, s);
        }
    }
}

void applyBlur(QImage &layer, const Filter &f, double scale)
{
    const int w = layer.width(), h = layer.height();
    for (int shift : {0, 8, 16, 24}) {
        Plane plane = channel(layer, shift);
        blurPlane(plane, w, h, f.blurX * scale, f.blurY * scale, f.passes);
        for (int y = 0; y < h; ++y) {
            auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
            for (int x = 0; x < w; ++x)
                row[x] = (row[x] & ~(0xffu << shift)) | (QRgb(plane[size_t(y) * w + x]) << shift);
        }
    }
}

// The colour matrix works on colours before premultiplication; its
// offsets are in 0 … 255 units.
void applyColorMatrix(QImage &layer, const Filter &f)
{
    const auto &m = f.matrix;
    for (int y = 0; y < layer.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb p = qUnpremultiply(row[x]);
            const float in[4] = {float(qRed(p)), float(qGreen(p)), float(qBlue(p)),
                                 float(qAlpha(p))};
            int out[4];
            for (int c = 0; c < 4; ++c) {
                const float *k = &m[size_t(c) * 5];
                out[c] = std::clamp(int(std::lround(k[0] * in[0] + k[1] * in[1] + k[2] * in[2] +
                                                    k[3] * in[3] + k[4])),
                                    0, 255);
            }
            row[x] = qPremultiply(qRgba(out[0], out[1], out[2], out[3]));
        }
    }
}

void applyConvolution(QImage &layer, const Filter &f)
{
    if (f.matrixX * f.matrixY > kMaxKernel || f.kernel.empty() ||
        f.kernel.size() != size_t(f.matrixX) * f.matrixY)
        return;
    const QImage source = layer.copy();
    const int w = layer.width(), h = layer.height();
    const float divisor = f.divisor == 0.0f ? 1.0f : f.divisor;
    const QRgb fallback =
        qRgba(f.defaultColor.r, f.defaultColor.g, f.defaultColor.b, f.defaultColor.a);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < w; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < f.matrixY; ++j) {
                for (int i = 0; i < f.matrixX; ++i) {
                    int sx = x + i - f.matrixX / 2, sy = y + j - f.matrixY / 2;
                    QRgb p = fallback;
                    if (f.clamp || (sx >= 0 && sx < w && sy >= 0 && sy < h)) {
                        sx = std::clamp(sx, 0, w - 1);
                        sy = std::clamp(sy, 0, h - 1);
                        p = qUnpremultiply(source.pixel(sx, sy));
                    }
                    const float k = f.kernel[size_t(j) * f.matrixX + i];
                    sum[0] += k * qRed(p);
                    sum[1] += k * qGreen(p);
                    sum[2] += k * qBlue(p);
                    sum[3] += k * qAlpha(p);
                }
            }
            auto value = [&](int c) {
                return std::clamp(int(std::lround(sum[c] / divisor + f.bias)), 0, 255);
            };
            const int a = f.preserveAlpha ? qAlpha(qUnpremultiply(row[x])) : value(3);
            row[x] = qPremultiply(qRgba(value(0), value(1), value(2), a));
        }
    }
}

} // namespace

int filterMargin(const std::vector<Filter> &filters, double scale)
{
    double margin = 0.0;
    for (const Filter &f : filters) {
        const double blur = std::max(f.blurX, f.blurY) * std::max(1, f.passes) / 2.0;
        margin += blur + std::abs(f.distance);
    }
    return int(std::ceil(std::min(margin * scale, 4096.0))) + 2;
}

void applyFilters(QImage &layer, const std::vector<Filter> &filters, double scale)
{
    for (const Filter &f : filters) {
        switch (f.kind) {
        case Filter::Kind::DropShadow:
        case Filter::Kind::Glow:
            applyShadow(layer, f, scale);
            break;
        case Filter::Kind::Blur:
            applyBlur(layer, f, scale);
            break;
        case Filter::Kind::Bevel:
        case Filter::Kind::GradientBevel:
            applyBevel(layer, f, scale);
            break;
        case Filter::Kind::GradientGlow:
            applyGradientGlow(layer, f, scale);
            break;
        case Filter::Kind::ColorMatrix:
            applyColorMatrix(layer, f);
            break;
        case Filter::Kind::Convolution:
            applyConvolution(layer, f);
            break;
        }
    }
}

} // namespace swf
