// zlib and LZMA decoding with the output capped at the declared length.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QByteArrayView>

namespace swf {

// Output of a capped decompression: the bytes obtained, and whether the
// stream ended (or broke) before the cap was reached.
struct Inflated {
    QByteArray bytes;
    bool shortOfCap = false;
};

// A zlib stream; a damaged or cut stream keeps what came before the damage.
Result<Inflated> inflateZlib(QByteArrayView input, qint64 cap);

// SWF's LZMA: five property bytes, then a raw LZMA1 stream (with or without
// an end marker). Damaged properties are an error.
Result<Inflated> inflateLzma(QByteArrayView properties, QByteArrayView input, qint64 cap);

} // namespace swf
