#include "swf/io/decompress.h"

#include "swf/limits.h"
#include "swf/log.h"

#include <lzma.h>
#include <zlib.h>

#include <cstdlib>

namespace swf {

namespace {

// zlib counts in uInt; feed it in chunks it can hold.
constexpr qint64 kChunk = 1 << 20;

// The output grows as it is produced, so a small file that declares a huge
// length costs only what it really decodes to.
class GrowingOutput {
public:
    explicit GrowingOutput(qint64 cap, qint64 inputSize) : m_cap(cap)
    {
        m_bytes.resize(qMin(cap, qMax<qint64>(64 * 1024, inputSize * 4)));
    }
    // Room to write into; empty once the cap is reached.
    char *room(qint64 &available)
    {
        if (m_used == m_bytes.size() && m_bytes.size() < m_cap)
            m_bytes.resize(qMin(m_cap, m_bytes.size() * 2));
        available = qMin(kChunk, m_bytes.size() - m_used);
        return m_bytes.data() + m_used;
    }
    void produced(qint64 count) { m_used += count; }
    qint64 used() const { return m_used; }
    bool full() const { return m_used >= m_cap; }
    Inflated finish()
    {
        m_bytes.truncate(m_used);
        return Inflated{std::move(m_bytes), m_used < m_cap};
    }

private:
    QByteArray m_bytes;
    qint64 m_cap;
    qint64 m_used = 0;
};

} // namespace

Result<Inflated> inflateZlib(QByteArrayView input, qint64 cap)
{
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return Error{ErrorCode::Decompression, -1, -1, QStringLiteral("zlib could not start")};
    GrowingOutput out(cap, input.size());
    qint64 inPos = 0;
    while (!out.full()) {
        qint64 room = 0;
        char *target = out.room(room);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data() + inPos));
        stream.avail_in = uInt(qMin(kChunk, input.size() - inPos));
        stream.next_out = reinterpret_cast<Bytef *>(target);
        stream.avail_out = uInt(room);
        const uInt inBefore = stream.avail_in;
        const int status = inflate(&stream, Z_NO_FLUSH);
        inPos += inBefore - stream.avail_in;
        out.produced(room - stream.avail_out);
        if (status == Z_STREAM_END)
            break;
        if (status != Z_OK) {
            // Z_BUF_ERROR: the input ran out; anything else is damage.
            // Either way what came out so far is kept.
            if (status != Z_BUF_ERROR)
                qCWarning(lcSwfIo) << "zlib stream damaged after" << out.used()
                                   << "bytes:" << (stream.msg ? stream.msg : "");
            break;
        }
        if (inBefore == stream.avail_in && qint64(stream.avail_out) == room)
            break;
    }
    inflateEnd(&stream);
    return out.finish();
}

Result<Inflated> inflateLzma(QByteArrayView properties, QByteArrayView input, qint64 cap)
{
    if (properties.size() < 5)
        return Error{ErrorCode::Truncated, -1, 12, QStringLiteral("LZMA properties are missing")};
    lzma_filter filter{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&filter, nullptr,
                               reinterpret_cast<const uint8_t *>(properties.data()), 5) != LZMA_OK)
        return Error{ErrorCode::BadProperties, -1, 12,
                     QStringLiteral("the LZMA properties are damaged")};
    auto *options = static_cast<lzma_options_lzma *>(filter.options);
    // A damaged dictionary size would make liblzma allocate gigabytes; no
    // dictionary needs to be larger than the data it decodes.
    const quint32 dictCap = quint32(qMax<qint64>(limits::kMinLzmaDictionary, cap));
    options->dict_size = qBound<quint32>(LZMA_DICT_SIZE_MIN, options->dict_size, dictCap);

    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_filter filters[2] = {filter, {LZMA_VLI_UNKNOWN, nullptr}};
    const lzma_ret started = lzma_raw_decoder(&stream, filters);
    std::free(filter.options);
    if (started != LZMA_OK)
        return Error{ErrorCode::BadProperties, -1, 12,
                     QStringLiteral("the LZMA properties are not usable")};

    GrowingOutput out(cap, input.size());
    stream.next_in = reinterpret_cast<const uint8_t *>(input.data());
    stream.avail_in = size_t(input.size());
    lzma_ret status = LZMA_OK;
    while (!out.full()) {
        qint64 room = 0;
        char *target = out.room(room);
        stream.next_out = reinterpret_cast<uint8_t *>(target);
        stream.avail_out = size_t(room);
        const size_t inBefore = stream.avail_in;
        status = lzma_code(&stream, stream.avail_in ? LZMA_RUN : LZMA_FINISH);
        out.produced(room - qint64(stream.avail_out));
        if (status != LZMA_OK)
            break;
        if (inBefore == stream.avail_in && qint64(stream.avail_out) == room)
            break;
    }
    // A stream without an end marker that simply stops reports a buffer
    // error at the end of the input: that is the normal end, not damage.
    if (status != LZMA_OK && status != LZMA_STREAM_END && status != LZMA_BUF_ERROR)
        qCWarning(lcSwfIo) << "LZMA stream damaged after" << out.used() << "bytes, code"
                           << int(status);
    lzma_end(&stream);
    return out.finish();
}

} // namespace swf
