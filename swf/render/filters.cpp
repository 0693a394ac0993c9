#include "swf/render/filters.h"

#include "swf/log.h"
#include "swf/render/boxblur.h"
#include "swf/render/gradientramp.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

// Convolution kernels larger than this are not drawn: they would cost
// hundreds of reads a pixel.
constexpr int kMaxKernel = 225;

// A blur in device pixels as a whole box width.
int boxSize(double blur)
{
    return std::max(1, int(std::lround(blur)));
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

struct Offset {
    int dx;
    int dy;
};

Offset offsetOf(const Filter &f, double scale)
{
    return Offset{int(std::lround(std::cos(f.angle) * f.distance * scale)),
                  int(std::lround(std::sin(f.angle) * f.distance * scale))};
}

int strengthened(int value, double strength)
{
    return std::clamp(int(std::lround(value * strength)), 0, 255);
}

// The layer's alpha blurred as `f` says.
Plane blurredAlpha(const QImage &layer, const Filter &f, double scale, bool inverted)
{
    Plane plane = alphaPlane(layer);
    if (inverted)
        std::for_each(plane.values.begin(), plane.values.end(),
                      [](quint8 &v) { v = quint8(255 - v); });
    blurPlane(plane, boxSize(f.blurX * scale), boxSize(f.blurY * scale), std::max(1, f.passes));
    return plane;
}

// Drop shadow and glow: the object's blurred, moved alpha in one colour,
// outside the object or (inner) inside it.
void applyShadow(QImage &layer, const Filter &f, double scale)
{
    const Offset o = offsetOf(f, scale);
    const Plane alpha = alphaPlane(layer);
    const Plane shadow = blurredAlpha(layer, f, scale, f.inner);
    const quint8 outside = f.inner ? 255 : 0;
    std::array<int, 256> strength;
    for (int v = 0; v < 256; ++v)
        strength[size_t(v)] = strengthened(v, f.strength);
    for (int y = 0; y < layer.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        const quint8 *a = alpha.row(y);
        for (int x = 0; x < layer.width(); ++x) {
            int cover = strength[shadow.at(x - o.dx, y - o.dy, outside)];
            if (f.inner)
                cover = cover * a[x] / 255;
            // Nothing to add where the shadow does not reach.
            if (cover == 0 && !f.knockout && f.compositeSource)
                continue;
            const QRgb s = premultipliedColor(f.color, cover);
            const QRgb object = row[x];
            if (f.knockout)
                row[x] = f.inner ? s : scaled(s, 255 - a[x]);
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
    const Offset o = offsetOf(f, scale);
    const Plane alpha = alphaPlane(layer);
    const Plane blurred = blurredAlpha(layer, f, scale, false);
    const bool gradient = f.kind == Filter::Kind::GradientBevel;
    const std::array<QRgb, 256> ramp = gradient ? filterRamp(f) : std::array<QRgb, 256>{};
    for (int y = 0; y < layer.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        const quint8 *a = alpha.row(y);
        for (int x = 0; x < layer.width(); ++x) {
            const int d =
                int(blurred.at(x + o.dx, y + o.dy, 0)) - int(blurred.at(x - o.dx, y - o.dy, 0));
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
            const int mask = f.onTop ? 255 : f.inner ? a[x] : 255 - a[x];
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
    const Offset o = offsetOf(f, scale);
    const Plane alpha = alphaPlane(layer);
    const Plane glow = blurredAlpha(layer, f, scale, false);
    const std::array<QRgb, 256> ramp = filterRamp(f);
    for (int y = 0; y < layer.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        const quint8 *a = alpha.row(y);
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb s = ramp[size_t(strengthened(glow.at(x - o.dx, y - o.dy, 0), f.strength))];
            const QRgb object = row[x];
            if (f.knockout)
                row[x] = scaled(s, 255 - a[x]);
            else if (!f.compositeSource)
                row[x] = s;
            else
                row[x] = over(object, s);
        }
    }
}

void applyBlur(QImage &layer, const Filter &f, double scale)
{
    blurImage(layer, boxSize(f.blurX * scale), boxSize(f.blurY * scale), f.passes);
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
