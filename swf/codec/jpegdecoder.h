// JPEG images of DefineBits and DefineBitsJPEG2/3/4, decoded with
// libjpeg-turbo after the repairs the Flash Player makes to the streams
// real movies carry.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace swf {

// The stream as one JPEG: leading EOI+SOI pairs (FF D9 FF D8) dropped, and
// every end or start of image between the first start of image and the
// start of scan removed, which joins encoding tables stored as a stream
// of their own with the image. Data that is not a JPEG comes back unchanged.
QByteArray repairJpegStream(QByteArrayView data);

// An opaque image (Format_ARGB32_Premultiplied), or why there is none.
// Images beyond the bitmap limits are refused before their pixels are
// allocated; a stream cut short decodes as far as it goes.
Result<QImage> decodeJpeg(QByteArrayView data);

} // namespace swf
