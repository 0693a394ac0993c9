// Brushes and pens for shape styles.
#pragma once

#include "swf/model/shape.h"
#include "swf/render/drawcontext.h"

#include <QBrush>
#include <QPen>

namespace swf {

// Solid fills are exact. Gradient fills draw as the mean of their colours
// and bitmap fills as neutral grey until their drawing is written.
QBrush fillBrush(const FillStyle &fill, const DrawState &state, DrawContext &context);

// A line of `style` under `state`. Lines never get thinner than one device
// pixel, as the Flash Player draws hairlines.
QPen linePen(const LineStyle &style, int shapeVersion, const DrawState &state,
             DrawContext &context);

} // namespace swf
