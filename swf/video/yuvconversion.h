// Pictures as BT.709 limited-range YUV 4:2:0, the form video encoders
// take. Export spends much of its time here, and FFmpeg's scaler took
// longer for this one conversion than plain loops over whole rows that the
// compiler turns into vector code.
#pragma once

#include <QImage>

#include <cstdint>

namespace swf {

// An opaque RGB32 (or premultiplied ARGB32) picture of even sides into the
// three planes, each chroma sample the mean of its four pixels.
void toYuv420(const QImage &picture, uint8_t *const planes[3], const int strides[3]);

} // namespace swf
