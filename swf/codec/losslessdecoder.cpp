#include "swf/codec/losslessdecoder.h"

#include "swf/io/decompress.h"
#include "swf/limits.h"

#include <algorithm>
#include <vector>

namespace swf {

namespace {

Error losslessError(const Bitmap &bitmap, ErrorCode code, const QString &message)
{
    return Error{code, bitmap.tagCode, -1, message};
}

qint64 paddedRow(qint64 bytes)
{
    return (bytes + 3) & ~qint64(3);
}

// Bytes the pixels take: every row padded to 32 bits but the last, which
// some writers leave short.
qint64 pixelBytes(qint64 rowBytes, qint64 usedBytes, qint64 height)
{
    return rowBytes * (height - 1) + usedBytes;
}

// Premultiplied values never exceed their alpha; damaged data may.
QRgb premultiplied(int a, int r, int g, int b)
{
    return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

void decodeColorMapped(const Bitmap &bitmap, const QByteArray &data, QImage &image)
{
    const bool alpha = bitmap.source == BitmapSource::Lossless2;
    const int entry = alpha ? 4 : 3;
    // Indices past the palette are transparent.
    std::vector<QRgb> palette(256, qRgba(0, 0, 0, 0));
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    for (int i = 0; i < bitmap.colorTableSize; ++i) {
        const uchar *p = bytes + i * entry;
        palette[size_t(i)] = alpha ? premultiplied(p[3], p[0], p[1], p[2]) : qRgb(p[0], p[1], p[2]);
    }
    const uchar *pixels = bytes + qint64(bitmap.colorTableSize) * entry;
    const qint64 row = paddedRow(bitmap.width);
    for (int y = 0; y < bitmap.height; ++y) {
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *in = pixels + row * y;
        for (int x = 0; x < bitmap.width; ++x)
            out[x] = palette[in[x]];
    }
}

// PIX15: a reserved bit and five bits each of red, green and blue, most
// significant first.
void decodeRgb15(const Bitmap &bitmap, const QByteArray &data, QImage &image)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qint64 row = paddedRow(qint64(bitmap.width) * 2);
    auto expand = [](int v) { return (v << 3) | (v >> 2); };
    for (int y = 0; y < bitmap.height; ++y) {
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *in = bytes + row * y;
        for (int x = 0; x < bitmap.width; ++x) {
            const int v = (in[2 * x] << 8) | in[2 * x + 1];
            out[x] = qRgb(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
        }
    }
}

// PIX24 (a reserved byte, then red, green, blue) or, in the second tag,
// premultiplied ARGB.
void decodeRgb24(const Bitmap &bitmap, const QByteArray &data, QImage &image)
{
    const bool alpha = bitmap.source == BitmapSource::Lossless2;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    for (int y = 0; y < bitmap.height; ++y) {
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        const uchar *in = bytes + qint64(bitmap.width) * 4 * y;
        for (int x = 0; x < bitmap.width; ++x, in += 4)
            out[x] = alpha ? premultiplied(in[0], in[1], in[2], in[3]) : qRgb(in[1], in[2], in[3]);
    }
}

} // namespace

Result<QImage> decodeLossless(const Bitmap &bitmap)
{
    const qint64 w = bitmap.width, h = bitmap.height;
    if (w < 1 || h < 1)
        return losslessError(bitmap, ErrorCode::Malformed, QStringLiteral("empty bitmap"));
    if (w > limits::kMaxBitmapSide || h > limits::kMaxBitmapSide ||
        w * h > limits::kMaxBitmapPixels)
        return losslessError(
            bitmap, ErrorCode::TooLarge,
            QStringLiteral("bitmap of %1 × %2 pixels is beyond the limits").arg(w).arg(h));
    qint64 needed = 0;
    switch (bitmap.format) {
    case LosslessFormat::ColorMapped8:
        needed =
            qint64(bitmap.colorTableSize) * (bitmap.source == BitmapSource::Lossless2 ? 4 : 3) +
            pixelBytes(paddedRow(w), w, h);
        break;
    case LosslessFormat::Rgb15:
        needed = pixelBytes(paddedRow(2 * w), 2 * w, h);
        break;
    case LosslessFormat::Rgb24:
        needed = 4 * w * h;
        break;
    }
    // The padding of the last row is read if present, never required.
    const qint64 cap = needed + 4;
    auto inflated = inflateZlib(bitmap.zlibData, cap);
    if (!inflated)
        return losslessError(bitmap, ErrorCode::Decompression, inflated.error().message);
    if (inflated->bytes.size() < needed)
        return losslessError(bitmap, ErrorCode::Truncated,
                             QStringLiteral("bitmap data holds %1 of %2 bytes")
                                 .arg(inflated->bytes.size())
                                 .arg(needed));
    QImage image(int(w), int(h), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return losslessError(bitmap, ErrorCode::TooLarge,
                             QStringLiteral("no memory for the bitmap"));
    switch (bitmap.format) {
    case LosslessFormat::ColorMapped8:
        decodeColorMapped(bitmap, inflated->bytes, image);
        break;
    case LosslessFormat::Rgb15:
        decodeRgb15(bitmap, inflated->bytes, image);
        break;
    case LosslessFormat::Rgb24:
        decodeRgb24(bitmap, inflated->bytes, image);
        break;
    }
    return image;
}

} // namespace swf
