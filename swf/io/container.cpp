#include "swf/io/container.h"

#include "swf/io/decompress.h"
#include "swf/io/reader.h"
#include "swf/limits.h"
#include "swf/log.h"

namespace swf {

namespace {

// Signature (3), version (1), declared length (4).
constexpr qint64 kFileHeaderSize = 8;
// ZWS adds the compressed length (4) and the LZMA properties (5).
constexpr qint64 kLzmaPrefixSize = 4 + 5;

Result<Compression> readSignature(QByteArrayView file)
{
    if (file.size() < 3)
        return Error{ErrorCode::Truncated, -1, 0,
                     QStringLiteral("the file is too short for a signature")};
    const QByteArrayView sig = file.first(3);
    if (sig == "FWS")
        return Compression::None;
    if (sig == "CWS")
        return Compression::Zlib;
    if (sig == "ZWS")
        return Compression::Lzma;
    return Error{ErrorCode::BadSignature, -1, 0, QStringLiteral("not a SWF file (bad signature)")};
}

// The decoded body: everything after the 8-byte file header.
Result<Inflated> decodeBody(Compression compression, QByteArrayView file, qint64 bodyCap)
{
    const QByteArrayView after = file.sliced(kFileHeaderSize);
    switch (compression) {
    case Compression::None:
        return Inflated{after.first(qMin(bodyCap, after.size())).toByteArray(),
                        after.size() < bodyCap};
    case Compression::Zlib:
        return inflateZlib(after, bodyCap);
    case Compression::Lzma: {
        if (after.size() < kLzmaPrefixSize)
            return Error{ErrorCode::Truncated, -1, kFileHeaderSize,
                         QStringLiteral("the LZMA header is cut short")};
        Reader prefix(after);
        const quint32 packed = prefix.u32();
        const QByteArrayView stream = after.sliced(kLzmaPrefixSize);
        // Some writers store a wrong compressed length; the stream itself
        // says where it ends, so the whole rest of the file is offered.
        if (packed != quint32(stream.size()))
            qCDebug(lcSwfIo) << "ZWS compressed length" << packed << "but" << stream.size()
                             << "bytes follow";
        return inflateLzma(after.sliced(4, 5), stream, bodyCap);
    }
    }
    return Error{ErrorCode::Malformed, -1, 0, QStringLiteral("unknown compression")};
}

Result<SwfHeader> readMovieHeader(QByteArrayView data, SwfHeader header)
{
    Reader r(data.sliced(kFileHeaderSize), kFileHeaderSize);
    const int bits = int(r.ub(5));
    header.frameSize.xMin = r.sb(bits);
    header.frameSize.xMax = r.sb(bits);
    header.frameSize.yMin = r.sb(bits);
    header.frameSize.yMax = r.sb(bits);
    r.align();
    header.frameRate = r.u16();
    header.frameCount = r.u16();
    if (!r.ok())
        return Error{ErrorCode::Truncated, -1, r.absolutePosition(),
                     QStringLiteral("the movie header is cut short")};
    header.tagsOffset = kFileHeaderSize + r.position();
    return header;
}

} // namespace

QString compressionName(Compression compression)
{
    switch (compression) {
    case Compression::None:
        return QStringLiteral("FWS");
    case Compression::Zlib:
        return QStringLiteral("CWS");
    case Compression::Lzma:
        return QStringLiteral("ZWS");
    }
    return {};
}

Result<DecodedSwf> decodeSwf(QByteArrayView file)
{
    auto compression = readSignature(file);
    if (!compression)
        return compression.error();
    if (file.size() < kFileHeaderSize)
        return Error{ErrorCode::Truncated, -1, 3, QStringLiteral("the file header is cut short")};
    Reader r(file.sliced(3), 3);
    SwfHeader header;
    header.compression = *compression;
    header.version = r.u8();
    header.declaredLength = r.u32();
    if (header.declaredLength > limits::kMaxDeclaredLength)
        return Error{ErrorCode::TooLarge, -1, 4,
                     QStringLiteral("declared length %1 is over the limit of %2 bytes")
                         .arg(header.declaredLength)
                         .arg(limits::kMaxDeclaredLength)};
    if (header.declaredLength <= kFileHeaderSize)
        return Error{ErrorCode::Truncated, -1, 4,
                     QStringLiteral("declared length %1 leaves no room for the movie header")
                         .arg(header.declaredLength)};

    auto body = decodeBody(header.compression, file, header.declaredLength - kFileHeaderSize);
    if (!body)
        return body.error();
    DecodedSwf decoded;
    decoded.data.reserve(kFileHeaderSize + body->bytes.size());
    decoded.data.append(file.first(kFileHeaderSize));
    decoded.data.append(body->bytes);
    decoded.truncated = body->shortOfCap;
    if (decoded.truncated)
        qCDebug(lcSwfIo) << "movie shorter than declared:" << decoded.data.size() << "of"
                         << header.declaredLength << "bytes";

    auto full = readMovieHeader(decoded.data, header);
    if (!full)
        return full.error();
    decoded.header = *full;
    return decoded;
}

} // namespace swf
