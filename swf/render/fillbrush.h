// Brushes and pens for shape styles.
#pragma once

#include "swf/model/shape.h"
#include "swf/render/drawcontext.h"

#include <QBrush>
#include <QPen>

namespace swf {

// The brush for `fill` under `state`, in shape coordinates (twips): solid
// colours, gradients over the gradient square (−16384 … 16384 twips under
// the fill's matrix), bitmaps with one pixel per unit under the fill's
// matrix. Qt::NoBrush when nothing is drawn: a bitmap missing from the
// dictionary or that cannot be decoded. `area` is what the brush will
// fill: clipped bitmaps repeat their edge pixels over it.
QBrush fillBrush(const FillStyle &fill, const DrawState &state, DrawContext &context,
                 const QRectF &area = {});

// Whether the fill's bitmap is drawn smoothed (fill kinds 0x40 and 0x41).
bool smoothedFill(const FillStyle &fill);

// The pen cap of an SWF cap style.
Qt::PenCapStyle penCap(CapStyle cap);

// A line of `style` under `state`, in shape coordinates. Lines never get
// thinner than one device pixel, as the Flash Player draws hairlines;
// lines that do not scale with their object are cosmetic pens as wide
// in device pixels as their twips on the stage.
QPen linePen(const LineStyle &style, int shapeVersion, const DrawState &state,
             DrawContext &context);

} // namespace swf
