// Tag family: bitmaps: DefineBits, JPEGTables, DefineBitsJPEG2/3/4,
// DefineBitsLossless 1/2. Only the headers are read here; the image data
// is kept for the renderer's decoders.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/bitmap.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

std::optional<Error> parseJpegTables(TagContext &c)
{
    // Only the first JPEGTables counts; a movie has one at most.
    if (c.movie.jpegTables.isEmpty())
        c.movie.jpegTables = c.reader.rest().toByteArray();
    return std::nullopt;
}

std::optional<Error> parseDefineBits(TagContext &c)
{
    auto bitmap = std::make_unique<Bitmap>(c.reader.u16());
    bitmap->tagCode = c.tag.code;
    if (auto error = c.overrunError("DefineBits"))
        return error;
    // The tables and the image travel as two streams; the decoder joins them.
    bitmap->imageData = c.movie.jpegTables + c.reader.rest().toByteArray();
    c.define(std::move(bitmap));
    return std::nullopt;
}

// DefineBitsJPEG2, 3 and 4: the image, then (3 and 4) the alpha plane.
std::optional<Error> parseDefineBitsJpeg(TagContext &c)
{
    Reader &r = c.reader;
    auto bitmap = std::make_unique<Bitmap>(r.u16());
    bitmap->tagCode = c.tag.code;
    qint64 imageSize = -1;
    if (c.tag.code != TagCode::DefineBitsJpeg2) {
        imageSize = r.u32();
        if (c.tag.code == TagCode::DefineBitsJpeg4)
            bitmap->deblocking = r.fixed8();
    }
    if (auto error = c.overrunError("DefineBitsJPEG header"))
        return error;
    if (imageSize > r.remaining())
        return c.error(QStringLiteral("image of %1 bytes runs past its tag").arg(imageSize));
    if (imageSize < 0) {
        bitmap->imageData = r.rest().toByteArray();
    } else {
        bitmap->imageData = r.bytes(imageSize).toByteArray();
        bitmap->alphaData = r.rest().toByteArray();
    }
    c.define(std::move(bitmap));
    return std::nullopt;
}

std::optional<Error> parseDefineBitsLossless(TagContext &c)
{
    Reader &r = c.reader;
    auto bitmap = std::make_unique<Bitmap>(r.u16());
    bitmap->tagCode = c.tag.code;
    bitmap->source = c.tag.code == TagCode::DefineBitsLossless2 ? BitmapSource::Lossless2
                                                                : BitmapSource::Lossless;
    const quint8 format = r.u8();
    bitmap->width = r.u16();
    bitmap->height = r.u16();
    if (format == quint8(LosslessFormat::ColorMapped8))
        bitmap->colorTableSize = r.u8() + 1;
    if (auto error = c.overrunError("DefineBitsLossless header"))
        return error;
    const bool known =
        format == quint8(LosslessFormat::ColorMapped8) || format == quint8(LosslessFormat::Rgb24) ||
        (format == quint8(LosslessFormat::Rgb15) && bitmap->source == BitmapSource::Lossless);
    if (!known)
        return c.error(QStringLiteral("unknown lossless bitmap format %1").arg(format));
    if (qint64(bitmap->width) * bitmap->height > limits::kMaxBitmapPixels)
        return c.error(QStringLiteral("bitmap of %1 × %2 pixels is beyond the limits")
                           .arg(bitmap->width)
                           .arg(bitmap->height));
    bitmap->format = LosslessFormat(format);
    bitmap->zlibData = r.rest().toByteArray();
    c.define(std::move(bitmap));
    return std::nullopt;
}

} // namespace

void registerBitmapTags(TagTable &table)
{
    table.add(TagCode::JpegTables, parseJpegTables, TagScope::Definition);
    table.add(TagCode::DefineBits, parseDefineBits, TagScope::Definition);
    table.add(TagCode::DefineBitsJpeg2, parseDefineBitsJpeg, TagScope::Definition);
    table.add(TagCode::DefineBitsJpeg3, parseDefineBitsJpeg, TagScope::Definition);
    table.add(TagCode::DefineBitsJpeg4, parseDefineBitsJpeg, TagScope::Definition);
    table.add(TagCode::DefineBitsLossless, parseDefineBitsLossless, TagScope::Definition);
    table.add(TagCode::DefineBitsLossless2, parseDefineBitsLossless, TagScope::Definition);
}

} // namespace swf
