#include "swf/codec/bitmapdecoder.h"

#include "swf/codec/jpegdecoder.h"
#include "swf/codec/losslessdecoder.h"
#include "swf/io/decompress.h"
#include "swf/limits.h"
#include "swf/log.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace swf {

namespace {

bool isPng(const QByteArray &data)
{
    return data.startsWith("\x89PNG\r\n\x1a\n");
}

bool isGif(const QByteArray &data)
{
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}

Result<QImage> decodeWithQt(const Bitmap &bitmap, const char *format)
{
    QByteArray data = bitmap.imageData;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.width() > limits::kMaxBitmapSide || size.height() > limits::kMaxBitmapSide ||
        qint64(size.width()) * size.height() > limits::kMaxBitmapPixels)
        return Error{ErrorCode::TooLarge, bitmap.tagCode, -1,
                     QStringLiteral("image of %1 × %2 pixels is beyond the limits")
                         .arg(size.width())
                         .arg(size.height())};
    QImage image = reader.read();
    if (image.isNull())
        return Error{ErrorCode::Malformed, bitmap.tagCode, -1,
                     QStringLiteral("%1: %2").arg(QLatin1String(format), reader.errorString())};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The alpha plane of DefineBitsJPEG3/4: one zlib-compressed byte a pixel.
// The JPEG's colours are already premultiplied by it, as the Flash Player
// reads them. Pixels the plane does not reach (it is missing or cut short)
// stay opaque.
void applyAlphaPlane(const Bitmap &bitmap, QImage &image)
{
    if (bitmap.alphaData.isEmpty())
        return;
    const qint64 pixels = qint64(image.width()) * image.height();
    auto alpha = inflateZlib(bitmap.alphaData, pixels);
    if (!alpha) {
        qCDebug(lcSwfRender) << "bitmap" << bitmap.id() << "alpha plane:" << alpha.error().message;
        return;
    }
    const auto *a = reinterpret_cast<const uchar *>(alpha->bytes.constData());
    const qint64 count = alpha->bytes.size();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const qint64 i = qint64(y) * image.width() + x;
            if (i >= count)
                return;
            const int k = a[i];
            const QRgb p = row[x];
            row[x] = qRgba(std::min(qRed(p), k), std::min(qGreen(p), k), std::min(qBlue(p), k), k);
        }
    }
}

} // namespace

Result<QImage> decodeBitmap(const Bitmap &bitmap)
{
    if (bitmap.source != BitmapSource::Jpeg)
        return decodeLossless(bitmap);
    if (isPng(bitmap.imageData))
        return decodeWithQt(bitmap, "png");
    if (isGif(bitmap.imageData))
        return decodeWithQt(bitmap, "gif");
    auto image = decodeJpeg(bitmap.imageData);
    if (!image) {
        Error error = image.error();
        error.tag = bitmap.tagCode;
        return error;
    }
    applyAlphaPlane(bitmap, *image);
    return image;
}

} // namespace swf
