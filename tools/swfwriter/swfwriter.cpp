#include "tools/swfwriter/swfwriter.h"

#include "swf/io/tagcodes.h"

#include <QFile>

#include <lzma.h>
#include <zlib.h>

namespace swfwriter {

namespace {

QByteArray deflateBody(const QByteArray &body)
{
    uLongf size = compressBound(uLong(body.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef *>(out.data()), &size,
              reinterpret_cast<const Bytef *>(body.constData()), uLong(body.size()), 9);
    out.truncate(qsizetype(size));
    return out;
}

// SWF's LZMA layout: compressed length (4), properties (5), raw stream.
// The .lzma ("alone") encoder writes the properties, an 8-byte size and the
// stream; the size is dropped.
QByteArray lzmaBody(const QByteArray &body)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK)
        return {};
    QByteArray out(qsizetype(body.size() + body.size() / 2 + 1024), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<const uint8_t *>(body.constData());
    stream.avail_in = size_t(body.size());
    stream.next_out = reinterpret_cast<uint8_t *>(out.data());
    stream.avail_out = size_t(out.size());
    lzma_ret status = LZMA_OK;
    while (status == LZMA_OK)
        status = lzma_code(&stream, LZMA_FINISH);
    out.truncate(qsizetype(stream.total_out));
    lzma_end(&stream);
    if (status != LZMA_STREAM_END || out.size() < 13)
        return {};
    BitWriter w;
    w.u32(quint32(out.size() - 13));
    w.bytes(out.left(5));
    w.bytes(out.mid(13));
    return w.data();
}

} // namespace

void SwfWriter::setStageSize(double widthPixels, double heightPixels)
{
    m_stage = swf::Rect{0, px(widthPixels), 0, px(heightPixels)};
}

void SwfWriter::setBackgroundColor(swf::Rgba color)
{
    BitWriter w;
    writeRgb(w, color);
    rawTag(swf::TagCode::SetBackgroundColor, w.data());
}

quint16 SwfWriter::takeId(std::optional<quint16> id)
{
    if (!id)
        return m_nextId++;
    if (*id >= m_nextId)
        m_nextId = quint16(*id + 1);
    return *id;
}

quint16 SwfWriter::defineShape(const ShapeBuilder &shape, int version, std::optional<quint16> id)
{
    static constexpr quint16 codes[] = {swf::TagCode::DefineShape, swf::TagCode::DefineShape2,
                                        swf::TagCode::DefineShape3, swf::TagCode::DefineShape4};
    version = qBound(1, version, 4);
    const quint16 shapeId = takeId(id);
    BitWriter w;
    w.u16(shapeId);
    writeRect(w, shape.bounds());
    if (version >= 4) {
        writeRect(w, shape.bounds()); // edge bounds
        w.ub(8, 0);                   // reserved, fill winding, non-scaling and scaling strokes
    }
    w.bytes(shape.encode(version));
    rawTag(codes[version - 1], w.data());
    return shapeId;
}

quint16 SwfWriter::defineSprite(const TimelineWriter &timeline, std::optional<quint16> id,
                                std::optional<int> frameCount)
{
    const quint16 spriteId = takeId(id);
    BitWriter w;
    w.u16(spriteId);
    w.u16(quint32(frameCount.value_or(timeline.frames())));
    w.bytes(timeline.tags());
    w.u16(0); // End
    rawTag(swf::TagCode::DefineSprite, w.data());
    return spriteId;
}

QByteArray SwfWriter::finish() const
{
    BitWriter body;
    writeRect(body, m_stage);
    body.u16(quint32(qRound(m_frameRate * 256.0)));
    body.u16(quint32(m_frameCountOverride.value_or(frames())));
    body.bytes(tags());
    body.u16(0); // End

    BitWriter file;
    const char *signature = m_compression == Compression::Zlib   ? "CWS"
                            : m_compression == Compression::Lzma ? "ZWS"
                                                                 : "FWS";
    file.bytes(QByteArray(signature));
    file.u8(quint32(m_version));
    file.u32(quint32(8 + body.data().size()));
    switch (m_compression) {
    case Compression::None:
        file.bytes(body.data());
        break;
    case Compression::Zlib:
        file.bytes(deflateBody(body.data()));
        break;
    case Compression::Lzma:
        file.bytes(lzmaBody(body.data()));
        break;
    }
    return file.data();
}

bool SwfWriter::save(const QString &path) const
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = finish();
    return out.write(bytes) == bytes.size() && out.flush();
}

} // namespace swfwriter
