// Decoding of any bitmap character into a premultiplied ARGB image.
#pragma once

#include "swf/error.h"
#include "swf/model/bitmap.h"

#include <QImage>

namespace swf {

// Format_ARGB32_Premultiplied, or why the bitmap cannot be drawn. JPEG
// family tags may also carry PNG or GIF data (from version 8 on); the
// alpha plane of DefineBitsJPEG3/4 applies to JPEG data only.
Result<QImage> decodeBitmap(const Bitmap &bitmap);

} // namespace swf
