#include "tools/swfwriter/bitwriter.h"

namespace swfwriter {

void BitWriter::u8(quint32 value)
{
    align();
    m_data.append(char(value & 0xff));
}

void BitWriter::u16(quint32 value)
{
    u8(value);
    u8(value >> 8);
}

void BitWriter::u32(quint32 value)
{
    u16(value);
    u16(value >> 16);
}

void BitWriter::bytes(const QByteArray &data)
{
    align();
    m_data.append(data);
}

void BitWriter::cstring(const QByteArray &text)
{
    bytes(text);
    u8(0);
}

void BitWriter::ub(int bits, quint32 value)
{
    for (int i = bits - 1; i >= 0; --i) {
        m_bitBuffer = quint8((m_bitBuffer << 1) | ((value >> i) & 1));
        if (++m_bitCount == 8) {
            m_data.append(char(m_bitBuffer));
            m_bitBuffer = 0;
            m_bitCount = 0;
        }
    }
}

void BitWriter::align()
{
    if (m_bitCount == 0)
        return;
    m_data.append(char(m_bitBuffer << (8 - m_bitCount)));
    m_bitBuffer = 0;
    m_bitCount = 0;
}

QByteArray BitWriter::data() const
{
    if (m_bitCount == 0)
        return m_data;
    return m_data + char(m_bitBuffer << (8 - m_bitCount));
}

int BitWriter::signedBits(qint64 value)
{
    int bits = 1;
    while (bits < 64 && (value < -(qint64(1) << (bits - 1)) || value >= (qint64(1) << (bits - 1))))
        ++bits;
    return bits;
}

int BitWriter::unsignedBits(quint64 value)
{
    int bits = 0;
    while (bits < 64 && (value >> bits) != 0)
        ++bits;
    return bits;
}

} // namespace swfwriter
