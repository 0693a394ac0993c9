#include "tools/swfwriter/actionwriter.h"

#include <cstring>
#include <stdexcept>

namespace swfwriter {

namespace {

void appendU16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void appendString(QByteArray &out, const QString &s)
{
    out.append(s.toUtf8());
    out.append('\0');
}

} // namespace

void ActionWriter::record(quint8 code, const QByteArray &payload)
{
    m_bytes.append(char(code));
    if (code >= 0x80) {
        if (payload.size() > 0xffff)
            throw std::length_error("action record longer than 65535 bytes");
        appendU16(m_bytes, quint16(payload.size()));
        m_bytes.append(payload);
    }
}

ActionWriter &ActionWriter::op(quint8 code)
{
    record(code, QByteArray());
    return *this;
}

ActionWriter &ActionWriter::push(std::initializer_list<Value> values)
{
    QByteArray p;
    for (const Value &v : values) {
        if (const auto *s = std::get_if<QString>(&v)) {
            p.append(char(0));
            appendString(p, *s);
        } else if (const auto *i = std::get_if<int>(&v)) {
            p.append(char(7));
            quint32 bits = quint32(*i);
            for (int k = 0; k < 4; ++k)
                p.append(char((bits >> (8 * k)) & 0xff));
        } else if (const auto *d = std::get_if<double>(&v)) {
            // Two little-endian halves, the high one first.
            quint64 bits;
            std::memcpy(&bits, d, sizeof bits);
            p.append(char(6));
            for (quint32 half : {quint32(bits >> 32), quint32(bits)})
                for (int k = 0; k < 4; ++k)
                    p.append(char((half >> (8 * k)) & 0xff));
        } else if (const auto *b = std::get_if<bool>(&v)) {
            p.append(char(5));
            p.append(char(*b ? 1 : 0));
        } else if (const auto *r = std::get_if<Register>(&v)) {
            p.append(char(4));
            p.append(char(r->index));
        } else if (std::holds_alternative<Undefined>(v)) {
            p.append(char(3));
        } else {
            p.append(char(2));
        }
    }
    record(0x96, p);
    return *this;
}

ActionWriter &ActionWriter::storeRegister(quint8 index)
{
    record(0x87, QByteArray(1, char(index)));
    return *this;
}

ActionWriter::Label ActionWriter::label()
{
    m_labels.push_back(-1);
    return Label(m_labels.size() - 1);
}

ActionWriter &ActionWriter::place(Label label)
{
    m_labels.at(size_t(label)) = int(m_bytes.size());
    return *this;
}

ActionWriter &ActionWriter::jump(Label to)
{
    record(0x99, QByteArray(2, '\0'));
    m_branches.push_back({int(m_bytes.size()) - 2, int(m_bytes.size()), to});
    return *this;
}

ActionWriter &ActionWriter::jumpIf(Label to)
{
    record(0x9d, QByteArray(2, '\0'));
    m_branches.push_back({int(m_bytes.size()) - 2, int(m_bytes.size()), to});
    return *this;
}

ActionWriter &ActionWriter::defineFunction2(const QString &name, const QStringList &params,
                                            quint8 registers, const ActionWriter &body)
{
    const QByteArray code = body.code();
    QByteArray p;
    appendString(p, name);
    appendU16(p, quint16(params.size()));
    p.append(char(registers));
    appendU16(p, 0); // no preloaded this, arguments, super or globals
    for (int i = 0; i < params.size(); ++i) {
        p.append(char(i + 1));
        appendString(p, params.at(i));
    }
    if (code.size() > 0xffff)
        throw std::length_error("function body longer than 65535 bytes");
    appendU16(p, quint16(code.size()));
    record(0x8e, p);
    m_bytes.append(code);
    return *this;
}

QByteArray ActionWriter::code() const
{
    QByteArray out = m_bytes;
    for (const Branch &b : m_branches) {
        const int target = m_labels.at(size_t(b.to));
        if (target < 0)
            throw std::logic_error("branch to a label never placed");
        const auto offset = qint16(target - b.after);
        out[b.field] = char(quint16(offset) & 0xff);
        out[b.field + 1] = char(quint16(offset) >> 8);
    }
    return out;
}

QByteArray ActionWriter::finish() const
{
    return code() + QByteArray(1, '\0');
}

} // namespace swfwriter
