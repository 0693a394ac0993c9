// DefineBitsLossless and DefineBitsLossless2: colour-mapped 8-bit images
// (palette rows padded to 32 bits), 15-bit and 24-bit images, with the
// premultiplied alpha of the second tag.
#pragma once

#include "swf/error.h"
#include "swf/model/bitmap.h"

#include <QImage>

namespace swf {

// Format_ARGB32_Premultiplied, or why there is no image: a size beyond the
// limits, a damaged zlib stream, or fewer pixels than the header declares.
Result<QImage> decodeLossless(const Bitmap &bitmap);

} // namespace swf
