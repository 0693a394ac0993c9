// Dialog units of the window templates converted to pixels with the base
// units of the usual 8-point dialog font: 1 horizontal unit is 1.5 pixels,
// 1 vertical unit 1.625 pixels.
#pragma once

#include <QRect>
#include <QSize>

#include <cmath>

namespace DialogUnits {

inline int xToPixels(int x)
{
    return static_cast<int>(std::lround(x * 1.5));
}
inline int yToPixels(int y)
{
    return static_cast<int>(std::lround(y * 1.625));
}

// Edges are converted, not sizes, so neighbouring controls stay flush.
inline QRect toPixels(int x, int y, int width, int height)
{
    const int left = xToPixels(x);
    const int top = yToPixels(y);
    return QRect(left, top, xToPixels(x + width) - left, yToPixels(y + height) - top);
}

inline QSize toPixels(int width, int height)
{
    return QSize(xToPixels(width), yToPixels(height));
}

} // namespace DialogUnits
