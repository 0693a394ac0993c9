#include "tools/swfwriter/bitmapwriter.h"

#include "swf/io/tagcodes.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <zlib.h>

namespace swfwriter {

namespace {

void padRow(QByteArray &out, qsizetype rowStart)
{
    while ((out.size() - rowStart) % 4)
        out.append('\0');
}

QByteArray colorMapped(const QImage &image, bool withAlpha, int *tableSize)
{
    std::vector<QRgb> palette;
    QByteArray pixels;
    for (int y = 0; y < image.height(); ++y) {
        const qsizetype start = pixels.size();
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            size_t i = 0;
            while (i < palette.size() && palette[i] != c)
                ++i;
            if (i == palette.size() && palette.size() < 256)
                palette.push_back(c);
            pixels.append(char(std::min<size_t>(i, 255)));
        }
        padRow(pixels, start);
    }
    QByteArray out;
    for (QRgb c : palette) {
        // Lossless2 palettes are premultiplied, like its pixels.
        const QRgb p = withAlpha ? qPremultiply(c) : c;
        out.append(char(qRed(p)));
        out.append(char(qGreen(p)));
        out.append(char(qBlue(p)));
        if (withAlpha)
            out.append(char(qAlpha(p)));
    }
    *tableSize = int(palette.size());
    return out + pixels;
}

QByteArray rgb15(const QImage &image)
{
    QByteArray out;
    for (int y = 0; y < image.height(); ++y) {
        const qsizetype start = out.size();
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const int v = ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3);
            out.append(char(v >> 8));
            out.append(char(v & 0xff));
        }
        padRow(out, start);
    }
    return out;
}

QByteArray rgb24(const QImage &image, bool withAlpha)
{
    const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray out;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = withAlpha ? premultiplied.pixel(x, y) : image.pixel(x, y);
            out.append(char(withAlpha ? qAlpha(c) : 0xff));
            out.append(char(qRed(c)));
            out.append(char(qGreen(c)));
            out.append(char(qBlue(c)));
        }
    }
    return out;
}

} // namespace

QByteArray zlib(const QByteArray &data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                  reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.truncate(qsizetype(size));
    return out;
}

QByteArray losslessBody(quint16 id, const QImage &image, swf::LosslessFormat format, bool withAlpha)
{
    BitWriter w;
    w.u16(id);
    w.u8(quint8(format));
    w.u16(quint32(image.width()));
    w.u16(quint32(image.height()));
    QByteArray data;
    switch (format) {
    case swf::LosslessFormat::ColorMapped8: {
        int tableSize = 0;
        data = colorMapped(image, withAlpha, &tableSize);
        w.u8(quint32(std::max(1, tableSize) - 1));
        break;
    }
    case swf::LosslessFormat::Rgb15:
        data = rgb15(image);
        break;
    case swf::LosslessFormat::Rgb24:
        data = rgb24(image, withAlpha);
        break;
    }
    w.bytes(zlib(data));
    return w.data();
}

quint16 defineBitsLossless(SwfWriter &movie, const QImage &image, swf::LosslessFormat format,
                           bool withAlpha, std::optional<quint16> id)
{
    const quint16 bitmapId = movie.takeId(id);
    movie.rawTag(withAlpha ? swf::TagCode::DefineBitsLossless2 : swf::TagCode::DefineBitsLossless,
                 losslessBody(bitmapId, image, format, withAlpha));
    return bitmapId;
}

QByteArray encodeJpeg(const QImage &image, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray &jpeg)
{
    QByteArray tables("\xff\xd8", 2);
    QByteArray image("\xff\xd8", 2);
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && quint8(jpeg[pos]) == 0xff) {
        const quint8 code = quint8(jpeg[pos + 1]);
        if (code == 0xda)
            break;
        const qsizetype length = (quint8(jpeg[pos + 2]) << 8) | quint8(jpeg[pos + 3]);
        const QByteArray segment = jpeg.mid(pos, 2 + length);
        (code == 0xdb || code == 0xc4 ? tables : image).append(segment);
        pos += 2 + length;
    }
    tables.append("\xff\xd9", 2);
    image.append(jpeg.mid(pos));
    return {tables, image};
}

quint16 defineBitsJpeg2(SwfWriter &movie, const QByteArray &data, std::optional<quint16> id)
{
    const quint16 bitmapId = movie.takeId(id);
    BitWriter w;
    w.u16(bitmapId);
    w.bytes(data);
    movie.rawTag(swf::TagCode::DefineBitsJpeg2, w.data());
    return bitmapId;
}

quint16 defineBitsJpeg3(SwfWriter &movie, const QByteArray &jpeg, const QByteArray &alphaPlane,
                        std::optional<double> deblocking, std::optional<quint16> id)
{
    const quint16 bitmapId = movie.takeId(id);
    BitWriter w;
    w.u16(bitmapId);
    w.u32(quint32(jpeg.size()));
    if (deblocking)
        w.fixed8(*deblocking);
    w.bytes(jpeg);
    w.bytes(zlib(alphaPlane));
    movie.rawTag(deblocking ? swf::TagCode::DefineBitsJpeg4 : swf::TagCode::DefineBitsJpeg3,
                 w.data());
    return bitmapId;
}

quint16 defineBits(SwfWriter &movie, const QByteArray &imageStream, std::optional<quint16> id)
{
    const quint16 bitmapId = movie.takeId(id);
    BitWriter w;
    w.u16(bitmapId);
    w.bytes(imageStream);
    movie.rawTag(swf::TagCode::DefineBits, w.data());
    return bitmapId;
}

void jpegTables(SwfWriter &movie, const QByteArray &tables)
{
    movie.rawTag(swf::TagCode::JpegTables, tables);
}

} // namespace swfwriter
