#include "abcassembler.h"

#include <cstring>

namespace avm2test {
namespace {

void putU30(QByteArray &out, quint32 v)
{
    do {
        quint8 b = v & 0x7f;
        v >>= 7;
        if (v)
            b |= 0x80;
        out.append(char(b));
    } while (v);
}

} // namespace

AbcAssembler::AbcAssembler()
{
    packageNs();
}

int AbcAssembler::string(const QString &s)
{
    if (const auto it = m_stringIndex.constFind(s); it != m_stringIndex.constEnd())
        return *it;
    m_strings.push_back(s);
    const int i = int(m_strings.size() - 1);
    m_stringIndex.insert(s, i);
    return i;
}

int AbcAssembler::packageNs(const QString &uri)
{
    const int name = string(uri);
    for (size_t i = 1; i < m_namespaces.size(); ++i) {
        if (m_namespaces[i] == std::pair<quint8, int>{0x16, name})
            return int(i);
    }
    m_namespaces.emplace_back(0x16, name);
    return int(m_namespaces.size() - 1);
}

int AbcAssembler::qname(const QString &name, int ns)
{
    QByteArray m(1, char(0x07));
    putU30(m, quint32(ns < 0 ? packageNs() : ns));
    putU30(m, quint32(string(name)));
    for (size_t i = 1; i < m_multinames.size(); ++i) {
        if (m_multinames[i] == m)
            return int(i);
    }
    m_multinames.push_back(m);
    return int(m_multinames.size() - 1);
}

int AbcAssembler::multinameL()
{
    QByteArray m(1, char(0x1B));
    putU30(m, 1); // the namespace set of the public namespace, written by finish()
    m_multinames.push_back(m);
    return int(m_multinames.size() - 1);
}

int AbcAssembler::intConst(qint32 v)
{
    m_ints.push_back(v);
    return int(m_ints.size() - 1);
}

int AbcAssembler::doubleConst(double v)
{
    m_doubles.push_back(v);
    return int(m_doubles.size() - 1);
}

AbcAssembler::Body &AbcAssembler::Body::op(quint8 opcode)
{
    code.append(char(opcode));
    return *this;
}

AbcAssembler::Body &AbcAssembler::Body::u8(quint8 v)
{
    code.append(char(v));
    return *this;
}

AbcAssembler::Body &AbcAssembler::Body::u30(quint32 v)
{
    putU30(code, v);
    return *this;
}

int AbcAssembler::Body::newLabel()
{
    labels.push_back(-1);
    return int(labels.size() - 1);
}

AbcAssembler::Body &AbcAssembler::Body::bind(int label)
{
    labels[size_t(label)] = offset();
    return *this;
}

AbcAssembler::Body &AbcAssembler::Body::branch(quint8 opcode, int label)
{
    op(opcode);
    fixups.emplace_back(offset(), label);
    code.append(3, '\0');
    return *this;
}

void AbcAssembler::Body::addHandler(int fromLabel, int toLabel, int targetLabel, int type)
{
    handlers.push_back({fromLabel, toLabel, targetLabel, type});
}

int AbcAssembler::method(int params)
{
    m_methodParams.push_back(params);
    return int(m_methodParams.size() - 1);
}

AbcAssembler::Body &AbcAssembler::body(int method)
{
    m_bodies.emplace_back(method, Body());
    return m_bodies.back().second;
}

QByteArray AbcAssembler::finish() const
{
    QByteArray out;
    out.append(char(16)).append(char(0)).append(char(46)).append(char(0)); // minor 16, major 46
    putU30(out, quint32(m_ints.size()));
    for (size_t i = 1; i < m_ints.size(); ++i)
        putU30(out, quint32(m_ints[i]));
    putU30(out, 0); // uints
    putU30(out, quint32(m_doubles.size()));
    for (size_t i = 1; i < m_doubles.size(); ++i) {
        char b[8];
        std::memcpy(b, &m_doubles[i], 8);
        out.append(b, 8);
    }
    putU30(out, quint32(m_strings.size()));
    for (size_t i = 1; i < m_strings.size(); ++i) {
        const QByteArray u = m_strings[i].toUtf8();
        putU30(out, quint32(u.size()));
        out.append(u);
    }
    putU30(out, quint32(m_namespaces.size()));
    for (size_t i = 1; i < m_namespaces.size(); ++i) {
        out.append(char(m_namespaces[i].first));
        putU30(out, quint32(m_namespaces[i].second));
    }
    putU30(out, 2); // one namespace set: { public }
    putU30(out, 1);
    putU30(out, 1);
    putU30(out, quint32(m_multinames.size()));
    for (size_t i = 1; i < m_multinames.size(); ++i)
        out.append(m_multinames[i]);
    putU30(out, quint32(m_methodParams.size()));
    for (int params : m_methodParams) {
        putU30(out, quint32(params));
        putU30(out, 0); // return type *
        for (int p = 0; p < params; ++p)
            putU30(out, 0);
        putU30(out, 0); // name
        out.append(char(0));
    }
    putU30(out, 0); // metadata
    putU30(out, 0); // classes
    putU30(out, 1); // one script
    putU30(out, quint32(m_scriptInit));
    putU30(out, 0); // no traits
    putU30(out, quint32(m_bodies.size()));
    for (const auto &[method, b] : m_bodies) {
        QByteArray code = b.code;
        for (const auto &[at, label] : b.fixups) {
            const int rel = b.labels[size_t(label)] - (at + 3);
            code[at] = char(rel & 0xff);
            code[at + 1] = char((rel >> 8) & 0xff);
            code[at + 2] = char((rel >> 16) & 0xff);
        }
        putU30(out, quint32(method));
        putU30(out, quint32(b.maxStack));
        putU30(out, quint32(b.locals));
        putU30(out, quint32(b.initScope));
        putU30(out, quint32(b.maxScope));
        putU30(out, quint32(code.size()));
        out.append(code);
        putU30(out, quint32(b.handlers.size()));
        for (const auto &h : b.handlers) {
            putU30(out, quint32(b.labels[size_t(h.from)]));
            putU30(out, quint32(b.labels[size_t(h.to)]));
            putU30(out, quint32(b.labels[size_t(h.target)]));
            putU30(out, quint32(h.type));
            putU30(out, 0);
        }
        putU30(out, 0); // traits
    }
    return out;
}

} // namespace avm2test
