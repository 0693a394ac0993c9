// Encoding of a ShapeBuilder into SHAPEWITHSTYLE: style arrays, then the
// records, with the style-change fields merged into one record where the
// builder called them in a row.
#include "tools/swfwriter/records.h"
#include "tools/swfwriter/shapebuilder.h"

#include <algorithm>
#include <optional>

namespace swfwriter {

class ShapeEncoder {
public:
    ShapeEncoder(const ShapeBuilder &shape, int version) : m_shape(shape), m_version(version) {}

    QByteArray encode()
    {
        writeTable(0);
        for (const ShapeBuilder::Op &op : m_shape.m_ops)
            std::visit([this](const auto &o) { add(o); }, op);
        flush();
        m_w.ub(6, 0); // end record: type 0, no flags
        m_w.align();
        return m_w.data();
    }

private:
    struct Pending {
        std::optional<QPoint> move;
        std::optional<quint32> fill0, fill1, line;
        std::optional<int> table;
        bool any() const { return move || fill0 || fill1 || line || table; }
        bool selects() const { return fill0 || fill1 || line; }
    };

    void writeCount(size_t count, bool extendedAllowed)
    {
        if (count >= 0xff && extendedAllowed) {
            m_w.u8(0xff);
            m_w.u16(quint32(count));
        } else {
            m_w.u8(quint32(std::min<size_t>(count, 0xff)));
        }
    }

    void writeColor(swf::Rgba c)
    {
        if (m_version >= 3)
            writeRgba(m_w, c);
        else
            writeRgb(m_w, c);
    }

    void writeLine(const ShapeBuilder::Line &line)
    {
        m_w.u16(quint32(line.width));
        if (m_version < 4) {
            writeColor(line.color);
            return;
        }
        m_w.ub(2, quint32(line.options.startCap));
        m_w.ub(2, quint32(line.options.join));
        m_w.ub(1, 0); // HasFillFlag
        m_w.ub(1, line.options.noHScale);
        m_w.ub(1, line.options.noVScale);
        m_w.ub(1, line.options.pixelHinting);
        m_w.ub(5, 0); // reserved
        m_w.ub(1, line.options.noClose);
        m_w.ub(2, quint32(line.options.endCap));
        if (line.options.join == swf::JoinStyle::Miter)
            m_w.fixed8(line.options.miterLimit);
        writeRgba(m_w, line.color);
    }

    void writeTable(int index)
    {
        const ShapeBuilder::Table &table = m_shape.m_tables[index];
        m_w.align();
        writeCount(table.fills.size(), m_version >= 2);
        for (const auto &fill : table.fills) {
            if (const auto *solid = std::get_if<ShapeBuilder::SolidFill>(&fill)) {
                m_w.u8(0x00);
                writeColor(solid->color);
            } else {
                m_w.bytes(std::get<QByteArray>(fill));
            }
        }
        writeCount(table.lines.size(), true);
        for (const auto &line : table.lines)
            writeLine(line);
        m_fillBits =
            BitWriter::unsignedBits(std::max<quint64>(table.fills.size(), table.maxFillUsed));
        m_lineBits =
            BitWriter::unsignedBits(std::max<quint64>(table.lines.size(), table.maxLineUsed));
        m_w.ub(4, quint32(m_fillBits));
        m_w.ub(4, quint32(m_lineBits));
    }

    void add(const ShapeBuilder::Move &m) { m_pending.move = m.to; }
    void add(const ShapeBuilder::Select &s)
    {
        // Indices never share a record with new styles: whether they refer
        // to the old table or the new one is read differently by readers.
        if (m_pending.table)
            flush();
        switch (s.which) {
        case ShapeBuilder::Select::Fill0:
            m_pending.fill0 = s.index;
            break;
        case ShapeBuilder::Select::Fill1:
            m_pending.fill1 = s.index;
            break;
        case ShapeBuilder::Select::LineStyle:
            m_pending.line = s.index;
            break;
        }
    }
    void add(const ShapeBuilder::NewTable &t)
    {
        // Indices chosen before the new table belong to the old one.
        if (m_pending.selects() || m_pending.table)
            flush();
        m_pending.table = t.table;
    }
    void add(const ShapeBuilder::Straight &s)
    {
        flush();
        const QPoint d = s.delta;
        const int bits = std::max({2, BitWriter::signedBits(d.x()), BitWriter::signedBits(d.y())});
        m_w.ub(1, 1); // edge
        m_w.ub(1, 1); // straight
        m_w.ub(4, quint32(bits - 2));
        if (d.x() != 0 && d.y() != 0) {
            m_w.ub(1, 1);
            m_w.sb(bits, d.x());
            m_w.sb(bits, d.y());
        } else {
            m_w.ub(1, 0);
            m_w.ub(1, d.x() == 0); // vertical
            m_w.sb(bits, d.x() == 0 ? d.y() : d.x());
        }
    }
    void add(const ShapeBuilder::Curve &c)
    {
        flush();
        const int bits =
            std::max({2, BitWriter::signedBits(c.control.x()), BitWriter::signedBits(c.control.y()),
                      BitWriter::signedBits(c.anchor.x()), BitWriter::signedBits(c.anchor.y())});
        m_w.ub(1, 1); // edge
        m_w.ub(1, 0); // curved
        m_w.ub(4, quint32(bits - 2));
        m_w.sb(bits, c.control.x());
        m_w.sb(bits, c.control.y());
        m_w.sb(bits, c.anchor.x());
        m_w.sb(bits, c.anchor.y());
    }

    void flush()
    {
        if (!m_pending.any())
            return;
        const Pending p = m_pending;
        m_pending = Pending{};
        m_w.ub(1, 0); // style change
        m_w.ub(1, p.table.has_value());
        m_w.ub(1, p.line.has_value());
        m_w.ub(1, p.fill1.has_value());
        m_w.ub(1, p.fill0.has_value());
        m_w.ub(1, p.move.has_value());
        if (p.move) {
            const int bits =
                std::max(BitWriter::signedBits(p.move->x()), BitWriter::signedBits(p.move->y()));
            m_w.ub(5, quint32(bits));
            m_w.sb(bits, p.move->x());
            m_w.sb(bits, p.move->y());
        }
        if (p.fill0)
            m_w.ub(m_fillBits, *p.fill0);
        if (p.fill1)
            m_w.ub(m_fillBits, *p.fill1);
        if (p.line)
            m_w.ub(m_lineBits, *p.line);
        if (p.table)
            writeTable(*p.table);
    }

    const ShapeBuilder &m_shape;
    const int m_version;
    BitWriter m_w;
    Pending m_pending;
    int m_fillBits = 0;
    int m_lineBits = 0;
};

QByteArray ShapeBuilder::encode(int version) const
{
    return ShapeEncoder(*this, version).encode();
}

} // namespace swfwriter
