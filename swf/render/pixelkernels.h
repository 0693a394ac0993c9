// Loops over rows of premultiplied ARGB pixels for the compositing that
// Qt's own composition modes do not do as the Flash Player does: they
// work on several pixels at once (SSE2 where the processor has it, plain
// loops otherwise).
#pragma once

#include "swf/render/compositor.h"

#include <QtGlobal>

namespace swf::pixels {

// Every channel times `factor` / 256 (0 … 256): the layer faded by the
// object's alpha before a mode that does not fade linearly.
void scale(quint32 *row, int count, int factor);

// The Flash Player's subtract, written to `out`: each colour channel of
// `below` less that of `top` (both premultiplied), floored at 0; the
// alpha of `top` laid over `below`.
void subtract(const quint32 *top, const quint32 *below, quint32 *out, int count);

// Whether blend() does `mode`: the separable modes (multiply, screen,
// lighten, darken, difference, overlay, hard light), subtract, and alpha
// and erase (what lies below kept by the layer's coverage, or its lack).
bool blends(BlendMode mode);

// `top` blended onto `below` in `mode`, written to `out` (which may be
// either), with the composition formulas of Qt's modes of the same names
// (premultiplied, each alpha weighing the other's colour).
void blend(BlendMode mode, const quint32 *top, const quint32 *below, quint32 *out, int count);

// White at the pixel's coverage: differencing it inverts what lies below.
void whiten(quint32 *row, int count);

} // namespace swf::pixels
