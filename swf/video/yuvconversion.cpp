#include "swf/video/yuvconversion.h"

namespace swf {

namespace {

// The BT.709 matrix scaled to 219 levels of luma, in 16.16 fixed point.
void lumaRow(const QRgb *in, uint8_t *out, int width)
{
    for (int x = 0; x < width; ++x) {
        const quint32 p = in[x];
        out[x] = uint8_t(16 + ((11966 * ((p >> 16) & 0xff) + 40254 * ((p >> 8) & 0xff) +
                                4064 * (p & 0xff) + 32768) >>
                               16));
    }
}

// Chroma of two rows, 224 levels, from the sums of 2 x 2 pixels.
void chromaRow(const QRgb *top, const QRgb *bottom, uint8_t *u, uint8_t *v, int pairs)
{
    for (int x = 0; x < pairs; ++x) {
        const quint32 a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
        const int r =
            int(((a >> 16) & 0xff) + ((b >> 16) & 0xff) + ((c >> 16) & 0xff) + ((d >> 16) & 0xff));
        const int g =
            int(((a >> 8) & 0xff) + ((b >> 8) & 0xff) + ((c >> 8) & 0xff) + ((d >> 8) & 0xff));
        const int bl = int((a & 0xff) + (b & 0xff) + (c & 0xff) + (d & 0xff));
        u[x] = uint8_t(128 + ((-6596 * r - 22189 * g + 28785 * bl + 131072) >> 18));
        v[x] = uint8_t(128 + ((28785 * r - 26145 * g - 2640 * bl + 131072) >> 18));
    }
}

} // namespace

void toYuv420(const QImage &picture, uint8_t *const planes[3], const int strides[3])
{
    const int width = picture.width();
    const int height = picture.height();
    // Two rows at a time, so the chroma pass finds them still in the cache.
    for (int y = 0; y + 1 < height; y += 2) {
        const auto *top = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        const auto *bottom = reinterpret_cast<const QRgb *>(picture.constScanLine(y + 1));
        lumaRow(top, planes[0] + qsizetype(y) * strides[0], width);
        lumaRow(bottom, planes[0] + qsizetype(y + 1) * strides[0], width);
        chromaRow(top, bottom, planes[1] + qsizetype(y / 2) * strides[1],
                  planes[2] + qsizetype(y / 2) * strides[2], width / 2);
    }
}

} // namespace swf
