// Readers of the basic records shared by tag families: RECT, MATRIX,
// CXFORM, CXFORMWITHALPHA, RGB and RGBA.
#pragma once

#include "swf/io/reader.h"
#include "swf/types.h"

namespace swf {

Rect readRect(Reader &r);
Matrix readMatrix(Reader &r);
ColorTransform readColorTransform(Reader &r, bool withAlpha);
Rgba readRgb(Reader &r);
Rgba readRgba(Reader &r);

} // namespace swf
