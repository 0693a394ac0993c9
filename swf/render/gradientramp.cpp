#include "swf/render/gradientramp.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

// sRGB channel to linear light and back, in 1/255 steps.
const std::array<double, 256> &toLinearTable()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

quint8 fromLinear(double v)
{
    v = std::clamp(v, 0.0, 1.0);
    const double c = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return quint8(std::lround(c * 255.0));
}

quint8 mix(int a, int b, double f)
{
    return quint8(std::lround(a + (b - a) * f));
}

Rgba interpolate(Rgba a, Rgba b, double f, InterpolationMode mode)
{
    if (mode == InterpolationMode::Linear) {
        const auto &lin = toLinearTable();
        auto channel = [&](quint8 x, quint8 y) {
            return fromLinear(lin[x] + (lin[y] - lin[x]) * f);
        };
        return Rgba{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), mix(a.a, b.a, f)};
    }
    return Rgba{mix(a.r, b.r, f), mix(a.g, b.g, f), mix(a.b, b.b, f), mix(a.a, b.a, f)};
}

bool ratiosIncrease(const std::vector<GradientRecord> &records)
{
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].ratio <= records[i - 1].ratio)
            return false;
    }
    return true;
}

QColor toColor(Rgba c)
{
    return QColor(c.r, c.g, c.b, c.a);
}

} // namespace

GradientRamp gradientRamp(const Gradient &gradient, const ColorTransform &cx)
{
    GradientRamp ramp;
    const auto &records = gradient.records;
    const size_t n = records.size();
    if (n == 0) {
        ramp.fill(cx.apply(Rgba{0, 0, 0, 255}));
        return ramp;
    }
    // The ramp is walked once from ratio 0, taking at most one record per
    // entry: once past the record it interpolates towards, the walk moves
    // on to the next one. Sorted records give the usual ramp; a record that
    // goes back (or repeats a ratio) still shows, for one entry and as the
    // start of the next stretch, so every stop is drawn.
    int fromRatio = records.front().ratio, toRatio = fromRatio;
    Rgba from = records.front().color, to = from;
    size_t next = 1;
    for (int t = 0; t < 256; ++t) {
        if (t > toRatio) {
            fromRatio = toRatio;
            from = to;
            if (next < n) {
                toRatio = records[next].ratio;
                to = records[next].color;
                ++next;
            } else {
                toRatio = 256; // past the last record its colour stays
            }
        }
        Rgba color = to;
        if (toRatio > fromRatio && t < toRatio) {
            const double f = std::max(0.0, double(t - fromRatio) / (toRatio - fromRatio));
            color = interpolate(from, to, f, gradient.interpolation);
        }
        ramp[size_t(t)] = cx.apply(color);
    }
    return ramp;
}

QGradientStops gradientStops(const Gradient &gradient, const ColorTransform &cx)
{
    QGradientStops stops;
    if (gradient.records.size() >= 2 && gradient.interpolation == InterpolationMode::Normal &&
        ratiosIncrease(gradient.records)) {
        stops.reserve(qsizetype(gradient.records.size()));
        for (const GradientRecord &record : gradient.records)
            stops.append({record.ratio / 255.0, toColor(cx.apply(record.color))});
        return stops;
    }
    const GradientRamp ramp = gradientRamp(gradient, cx);
    stops.reserve(256);
    for (int t = 0; t < 256; ++t)
        stops.append({t / 255.0, toColor(ramp[size_t(t)])});
    return stops;
}

} // namespace swf
