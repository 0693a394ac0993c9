// Writers of SWF's basic records: RECT, MATRIX, CXFORM(WITHALPHA), RGB(A).
#pragma once

#include "swf/types.h"
#include "tools/swfwriter/bitwriter.h"

namespace swfwriter {

// Whole pixels to twips.
constexpr qint32 px(double pixels)
{
    return qint32(pixels * 20.0 + (pixels >= 0 ? 0.5 : -0.5));
}

void writeRect(BitWriter &w, const swf::Rect &rect);
void writeMatrix(BitWriter &w, const swf::Matrix &matrix);
void writeColorTransform(BitWriter &w, const swf::ColorTransform &cx, bool withAlpha);
void writeRgb(BitWriter &w, swf::Rgba color);
void writeRgba(BitWriter &w, swf::Rgba color);

// Matrices people write by hand.
swf::Matrix translation(double xPixels, double yPixels);
swf::Matrix scaleRotateTranslate(double scaleX, double scaleY, double degrees, double xPixels,
                                 double yPixels);

} // namespace swfwriter
