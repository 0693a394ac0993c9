// Bounds-checked reading of SWF's little-endian integers and bit fields.
//
// A read past the end returns zero and marks the reader as overrun; the
// mark stays, so a parser reads a whole structure and checks ok() once.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace swf {

class Reader {
public:
    Reader() = default;
    // `base` is the offset of `data` in the decoded movie, for messages.
    explicit Reader(QByteArrayView data, qint64 base = 0) : m_data(data), m_base(base) {}
    // The reader only views its data: a temporary array would die under it.
    explicit Reader(QByteArray &&, qint64 = 0) = delete;

    bool ok() const { return !m_overrun; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    qint64 position() const { return m_pos; }
    qint64 absolutePosition() const { return m_base + m_pos; }
    qint64 size() const { return m_data.size(); }
    qint64 remaining() const { return m_data.size() - m_pos; }

    quint8 u8();
    quint16 u16();
    quint32 u32();
    qint16 s16() { return qint16(u16()); }
    qint32 s32() { return qint32(u32()); }
    float f32();
    // 8.8 and 16.16 fixed point.
    double fixed8() { return s16() / 256.0; }
    double fixed16() { return s32() / 65536.0; }

    // Up to `count` bytes; fewer (and overrun) when the data ends first.
    QByteArrayView bytes(qint64 count);
    void skip(qint64 count);
    // Back to an earlier position (or to the end, if past it).
    void seek(qint64 position)
    {
        m_bitCount = 0;
        m_pos = qBound<qint64>(0, position, m_data.size());
    }
    // A null-terminated string; an unterminated one overruns.
    QByteArray cstring();
    // The rest of the data.
    QByteArrayView rest();

    // Bit fields, most significant bit first. Byte reads align implicitly.
    quint32 ub(int bits);
    qint32 sb(int bits);
    double fb(int bits) { return sb(bits) / 65536.0; }
    bool flag() { return ub(1) != 0; }
    void align() { m_bitCount = 0; }

    // Marks the reader overrun, for structures found inconsistent.
    void fail() { m_overrun = true; }

private:
    QByteArrayView m_data;
    qint64 m_base = 0;
    qint64 m_pos = 0;
    quint8 m_bitBuffer = 0;
    int m_bitCount = 0;
    bool m_overrun = false;
};

// Text in a movie: UTF-8 from version 6 on, the author's code page before
// (read as Latin-1, which keeps every byte).
QString decodeText(const QByteArray &bytes, int swfVersion);
// UTF-8 read as movies expect: a stray continuation byte is the Latin-1
// character of that value, a sequence with a bad continuation one U+FFFD,
// and a zero byte, a sequence cut short by the end or a byte that starts
// no sequence (F8 to FF) ends the text.
QString decodeUtf8(QByteArrayView bytes);

} // namespace swf
