#include "swf/runtime/picturemovie.h"

#include "swf/codec/bitmapdecoder.h"
#include "swf/model/bitmap.h"
#include "swf/parse/parser.h"

#include <utility>

namespace swf {

namespace {

// Bit fields of shape records, most significant bit first.
class BitWriter {
public:
    void bits(quint32 value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = quint8((m_byte << 1) | ((value >> i) & 1));
            if (++m_used == 8)
                flush();
        }
    }
    void align()
    {
        if (m_used > 0)
            bits(0, 8 - m_used);
    }
    QByteArray take()
    {
        align();
        return std::exchange(m_bytes, QByteArray());
    }

private:
    void flush()
    {
        m_bytes.append(char(m_byte));
        m_byte = 0;
        m_used = 0;
    }
    QByteArray m_bytes;
    quint8 m_byte = 0;
    int m_used = 0;
};

void appendU16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xff));
    out.append(char(value >> 8));
}

void appendU32(QByteArray &out, quint32 value)
{
    appendU16(out, quint16(value & 0xffff));
    appendU16(out, quint16(value >> 16));
}

void appendTag(QByteArray &out, int code, const QByteArray &body)
{
    appendU16(out, quint16((code << 6) | 0x3f));
    appendU32(out, quint32(body.size()));
    out.append(body);
}

// A RECT from (0, 0) to (w, h) twips.
void appendRect(BitWriter &bits, int w, int h, int size)
{
    bits.bits(quint32(size), 5);
    for (int v : {0, w, 0, h})
        bits.bits(quint32(v), size);
    bits.align();
}

constexpr int kTwips = 20;
// Bits of the rectangles' fields: enough for any side in twips.
constexpr int kCoordinateBits = 31;

} // namespace

bool looksLikePicture(const QByteArray &bytes)
{
    return bytes.startsWith("\xff\xd8") || bytes.startsWith("\x89PNG\r\n\x1a\n") ||
           bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a");
}

Result<std::shared_ptr<const Movie>> pictureMovie(const QByteArray &bytes, int version)
{
    if (!looksLikePicture(bytes))
        return Error{ErrorCode::Malformed, 0, -1, QStringLiteral("not a JPEG, PNG or GIF picture")};
    // Decoded once here to learn its size and that it decodes at all.
    Bitmap probe(1);
    probe.tagCode = 21;
    probe.imageData = bytes;
    const auto image = decodeBitmap(probe);
    if (!image)
        return image.error();
    const int w = image->width() * kTwips;
    const int h = image->height() * kTwips;

    QByteArray tags;
    // DefineBitsJPEG2 carries PNG and GIF data as well.
    QByteArray bitmap;
    appendU16(bitmap, 1);
    bitmap.append(bytes);
    appendTag(tags, 21, bitmap);

    // DefineShape: a rectangle filled with the clipped, unsmoothed bitmap,
    // one pixel a twenty twips.
    QByteArray shape;
    appendU16(shape, 2);
    BitWriter bounds;
    appendRect(bounds, w, h, kCoordinateBits);
    shape.append(bounds.take());
    shape.append(char(1));    // fill styles
    shape.append(char(0x43)); // clipped bitmap, not smoothed
    appendU16(shape, 1);
    BitWriter matrix;
    matrix.bits(1, 1); // scale
    matrix.bits(24, 5);
    matrix.bits(quint32(kTwips << 16), 24);
    matrix.bits(quint32(kTwips << 16), 24);
    matrix.bits(0, 1); // no rotation
    matrix.bits(0, 5); // no translation
    shape.append(matrix.take());
    shape.append(char(0)); // line styles
    BitWriter records;
    records.bits(1, 4); // fill index bits
    records.bits(0, 4); // line index bits
    // Style change: fill style 1 on the right of the edges that follow.
    records.bits(0, 1);
    records.bits(0x04, 5);
    records.bits(1, 1);
    // Straight edges hold at most 17 signed bits a step: long sides are
    // drawn in several.
    const auto edge = [&records](int dx, int dy) {
        constexpr int kEdgeBits = 17;
        constexpr int kMaxStep = (1 << (kEdgeBits - 1)) - 1;
        while (dx != 0 || dy != 0) {
            const int sx = qBound(-kMaxStep, dx, kMaxStep);
            const int sy = qBound(-kMaxStep, dy, kMaxStep);
            records.bits(1, 1); // edge
            records.bits(1, 1); // straight
            records.bits(kEdgeBits - 2, 4);
            records.bits(1, 1); // general line
            records.bits(quint32(sx), kEdgeBits);
            records.bits(quint32(sy), kEdgeBits);
            dx -= sx;
            dy -= sy;
        }
    };
    edge(w, 0);
    edge(0, h);
    edge(-w, 0);
    edge(0, -h);
    records.bits(0, 6); // end of shape
    shape.append(records.take());
    appendTag(tags, 2, shape);

    QByteArray place;
    place.append(char(0x02)); // has character
    appendU16(place, 1);
    appendU16(place, 2);
    appendTag(tags, 26, place);
    appendTag(tags, 1, QByteArray());
    appendTag(tags, 0, QByteArray());

    QByteArray header;
    BitWriter stage;
    appendRect(stage, w, h, kCoordinateBits);
    header.append(stage.take());
    appendU16(header, quint16(12 << 8)); // frame rate
    appendU16(header, 1);                // frame count

    QByteArray file("FWS");
    // PNG and GIF data in DefineBitsJPEG2 need version 8.
    file.append(char(qBound(8, version, 255)));
    appendU32(file, quint32(8 + header.size() + tags.size()));
    file.append(header);
    file.append(tags);
    return parseMovie(file);
}

} // namespace swf
