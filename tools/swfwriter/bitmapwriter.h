// Bitmap definitions written from QImages: DefineBitsLossless 1 and 2 in
// each format, DefineBitsJPEG2/3/4, and DefineBits with JPEGTables.
#pragma once

#include "swf/model/bitmap.h"
#include "tools/swfwriter/swfwriter.h"

#include <QByteArray>
#include <QImage>

#include <optional>
#include <utility>

namespace swfwriter {

// The body of a DefineBitsLossless (`withAlpha` false) or
// DefineBitsLossless2 tag. Colour-mapped images take their palette from
// the image's first 256 distinct colours; 15-bit colours are truncated.
QByteArray losslessBody(quint16 id, const QImage &image, swf::LosslessFormat format,
                        bool withAlpha);
quint16 defineBitsLossless(SwfWriter &movie, const QImage &image, swf::LosslessFormat format,
                           bool withAlpha, std::optional<quint16> id = std::nullopt);

// A baseline JFIF stream of `image` (alpha dropped).
QByteArray encodeJpeg(const QImage &image, int quality = 90);
// A JPEG split into its encoding tables (SOI, DQT, DHT, EOI) and the rest
// (SOI, frame, scan, EOI), as DefineBits and JPEGTables store it.
std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray &jpeg);
// zlib of `data`.
QByteArray zlib(const QByteArray &data);

// DefineBitsJPEG2 of `data` (JPEG, PNG or GIF as given).
quint16 defineBitsJpeg2(SwfWriter &movie, const QByteArray &data,
                        std::optional<quint16> id = std::nullopt);
// DefineBitsJPEG3, or DefineBitsJPEG4 when `deblocking` is set, with the
// raw alpha plane (one byte a pixel) compressed.
quint16 defineBitsJpeg3(SwfWriter &movie, const QByteArray &jpeg, const QByteArray &alphaPlane,
                        std::optional<double> deblocking = std::nullopt,
                        std::optional<quint16> id = std::nullopt);
// DefineBits of an image stream; the tables go in a JPEGTables tag.
quint16 defineBits(SwfWriter &movie, const QByteArray &imageStream,
                   std::optional<quint16> id = std::nullopt);
void jpegTables(SwfWriter &movie, const QByteArray &tables);

} // namespace swfwriter
