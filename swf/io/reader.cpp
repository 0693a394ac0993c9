#include "swf/io/reader.h"

#include <cstring>

namespace swf {

quint8 Reader::u8()
{
    m_bitCount = 0;
    if (m_pos + 1 > m_data.size()) {
        m_overrun = true;
        m_pos = m_data.size();
        return 0;
    }
    return quint8(m_data[m_pos++]);
}

quint16 Reader::u16()
{
    m_bitCount = 0;
    if (m_pos + 2 > m_data.size()) {
        m_overrun = true;
        m_pos = m_data.size();
        return 0;
    }
    const auto *p = reinterpret_cast<const quint8 *>(m_data.data() + m_pos);
    m_pos += 2;
    return quint16(p[0] | (p[1] << 8));
}

quint32 Reader::u32()
{
    m_bitCount = 0;
    if (m_pos + 4 > m_data.size()) {
        m_overrun = true;
        m_pos = m_data.size();
        return 0;
    }
    const auto *p = reinterpret_cast<const quint8 *>(m_data.data() + m_pos);
    m_pos += 4;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

float Reader::f32()
{
    const quint32 bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArrayView Reader::bytes(qint64 count)
{
    m_bitCount = 0;
    if (count < 0)
        count = 0;
    if (count > remaining()) {
        m_overrun = true;
        count = remaining();
    }
    const QByteArrayView view = m_data.sliced(m_pos, count);
    m_pos += count;
    return view;
}

void Reader::skip(qint64 count)
{
    bytes(count);
}

QByteArray Reader::cstring()
{
    m_bitCount = 0;
    const qint64 end = m_data.indexOf('\0', m_pos);
    if (end < 0) {
        m_overrun = true;
        const QByteArray text = m_data.sliced(m_pos).toByteArray();
        m_pos = m_data.size();
        return text;
    }
    const QByteArray text = m_data.sliced(m_pos, end - m_pos).toByteArray();
    m_pos = end + 1;
    return text;
}

QByteArrayView Reader::rest()
{
    return bytes(remaining());
}

quint32 Reader::ub(int bits)
{
    if (bits <= 0)
        return 0;
    if (bits > 32) {
        m_overrun = true;
        return 0;
    }
    quint64 value = 0;
    while (bits > 0) {
        if (m_bitCount == 0) {
            if (m_pos >= m_data.size()) {
                m_overrun = true;
                return 0;
            }
            m_bitBuffer = quint8(m_data[m_pos++]);
            m_bitCount = 8;
        }
        const int take = qMin(bits, m_bitCount);
        const int shift = m_bitCount - take;
        const quint32 chunk = (m_bitBuffer >> shift) & ((1u << take) - 1);
        value = (value << take) | chunk;
        m_bitCount -= take;
        bits -= take;
    }
    return quint32(value);
}

qint32 Reader::sb(int bits)
{
    if (bits <= 0)
        return 0;
    const quint32 raw = ub(bits);
    if (bits >= 32)
        return qint32(raw);
    const quint32 sign = 1u << (bits - 1);
    return qint32((raw ^ sign)) - qint32(sign);
}

QString decodeText(const QByteArray &bytes, int swfVersion)
{
    return swfVersion >= 6 ? decodeUtf8(bytes) : QString::fromLatin1(bytes);
}

QString decodeUtf8(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const auto lead = quint8(bytes[i]);
        if (lead == 0)
            break;
        if (lead < 0xC0) {
            out.append(QChar(lead));
            ++i;
            continue;
        }
        const int extra = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : 0;
        if (extra == 0 || i + extra >= n)
            break;
        char32_t code = lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = quint8(bytes[i + k]);
            if (next == 0)
                return out;
            valid = valid && (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            out.append(QChar(0xFFFD));
        else
            out.append(QString::fromUcs4(&code, 1));
        i += 1 + extra;
    }
    return out;
}

} // namespace swf
