// The SWF container: the signature (FWS plain, CWS zlib, ZWS LZMA), the
// version, the declared length of the decoded movie, and the header that
// follows (frame size, frame rate, frame count).
#pragma once

#include "swf/error.h"
#include "swf/types.h"

#include <QByteArray>
#include <QByteArrayView>

namespace swf {

enum class Compression { None, Zlib, Lzma };

// "FWS", "CWS" or "ZWS".
QString compressionName(Compression compression);

struct SwfHeader {
    Compression compression = Compression::None;
    quint8 version = 0;
    quint32 declaredLength = 0;
    Rect frameSize;
    quint16 frameRate = 0; // 8.8 fixed point, frames per second
    quint16 frameCount = 0;
    // Offset of the first tag in the decoded movie.
    qint64 tagsOffset = 0;

    double frameRateValue() const { return frameRate / 256.0; }
};

// A movie with its compression undone. `data` is the whole movie as if it
// had been stored uncompressed (the 8-byte file header included), cut at
// the declared length; it is shorter when the file ends early.
struct DecodedSwf {
    SwfHeader header;
    QByteArray data;
    bool truncated = false;
};

// Undoes the compression and reads the header. Fails only when the header
// itself cannot be had; a short body is kept as far as it goes.
Result<DecodedSwf> decodeSwf(QByteArrayView file);

} // namespace swf
