// Pixel operations on premultiplied ARGB images shared by the drawers and
// the compositor: colour transforms and edge extension.
#pragma once

#include "swf/types.h"

#include <QImage>

namespace swf {

// Applies `cx` to every pixel of a Format_ARGB32_Premultiplied image, as
// the Flash Player does: on the colours before premultiplication; wholly
// transparent pixels stay so, even when alpha is added.
void applyColorTransform(QImage &image, const ColorTransform &cx);

// True when `cx` only scales alpha: painting with opacity gives the same.
bool isAlphaOnly(const ColorTransform &cx);

// A copy of `image` with `margin` pixels around it repeating the edge
// pixels, for fills that clamp instead of repeating.
QImage extendEdges(const QImage &image, int margin);

} // namespace swf
