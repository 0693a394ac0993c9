// Byte and bit output in SWF's conventions: little-endian integers, bit
// fields most significant bit first, byte-aligned by every byte write.
#pragma once

#include <QByteArray>

namespace swfwriter {

class BitWriter {
public:
    void u8(quint32 value);
    void u16(quint32 value);
    void u32(quint32 value);
    void fixed8(double value) { u16(quint32(qint16(qRound(value * 256.0)))); }
    void bytes(const QByteArray &data);
    // A null-terminated string.
    void cstring(const QByteArray &text);

    void ub(int bits, quint32 value);
    void sb(int bits, qint32 value) { ub(bits, quint32(value)); }
    void fb(int bits, double value) { sb(bits, qRound(value * 65536.0)); }
    void align();

    // The bytes written, a partly filled last byte padded with zero bits.
    QByteArray data() const;

    // Fewest bits holding `value` as a signed or unsigned field.
    static int signedBits(qint64 value);
    static int unsignedBits(quint64 value);

private:
    QByteArray m_data;
    quint8 m_bitBuffer = 0;
    int m_bitCount = 0;
};

} // namespace swfwriter
