// The colours of a gradient fill along its 256 ratios, as the Flash Player
// builds them: before the first record its colour, past the last record
// the last colour, in between each pair interpolated in sRGB or in linear
// RGB. Records are taken in file order, never sorted: one that goes back
// or repeats a ratio still shows (see gradientRamp).
#pragma once

#include "swf/model/shape.h"

#include <QGradientStops>

#include <array>

namespace swf {

using GradientRamp = std::array<Rgba, 256>;

// `cx` applies to every record's colour. A gradient without records is
// opaque black, as the Flash Player draws it.
GradientRamp gradientRamp(const Gradient &gradient, const ColorTransform &cx);

// Stops for a QGradient spanning ratio 0 … 255: the records themselves
// when Qt's own interpolation gives the same colours, the whole ramp
// otherwise.
QGradientStops gradientStops(const Gradient &gradient, const ColorTransform &cx);

} // namespace swf
