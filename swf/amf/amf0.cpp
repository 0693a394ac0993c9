#include "swf/amf/amf0.h"

#include "swf/limits.h"

#include <cstring>

namespace swf::amf {

namespace {

namespace Marker {
constexpr quint8 Number = 0x00;
constexpr quint8 Boolean = 0x01;
constexpr quint8 String = 0x02;
constexpr quint8 Object = 0x03;
constexpr quint8 Null = 0x05;
constexpr quint8 Undefined = 0x06;
constexpr quint8 Reference = 0x07;
constexpr quint8 EcmaArray = 0x08;
constexpr quint8 ObjectEnd = 0x09;
constexpr quint8 StrictArray = 0x0a;
constexpr quint8 Date = 0x0b;
constexpr quint8 LongString = 0x0c;
constexpr quint8 Unsupported = 0x0d;
constexpr quint8 Xml = 0x0f;
constexpr quint8 TypedObject = 0x10;
} // namespace Marker

} // namespace

// Decoding.

Error Decoder::error(ErrorCode code, const QString &message) const
{
    Error e;
    e.code = code;
    e.offset = m_pos;
    e.message = message;
    return e;
}

quint16 Decoder::u16()
{
    const auto *p = reinterpret_cast<const uchar *>(m_data.data() + m_pos);
    m_pos += 2;
    return quint16((p[0] << 8) | p[1]);
}

quint32 Decoder::u32()
{
    const auto *p = reinterpret_cast<const uchar *>(m_data.data() + m_pos);
    m_pos += 4;
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

double Decoder::f64()
{
    const quint64 bits = (quint64(u32()) << 32) | u32();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

Result<quint8> Decoder::readByte()
{
    if (!need(1))
        return error(ErrorCode::Truncated, QStringLiteral("AMF0 data ends early"));
    return quint8(m_data[m_pos++]);
}

Result<QString> Decoder::readName()
{
    if (!need(2))
        return error(ErrorCode::Truncated, QStringLiteral("AMF0 string length missing"));
    const quint16 length = u16();
    if (!need(length))
        return error(ErrorCode::Truncated, QStringLiteral("AMF0 string longer than the data"));
    QString text = QString::fromUtf8(m_data.sliced(m_pos, length));
    m_pos += length;
    return text;
}

Result<Value> Decoder::readValue()
{
    return readValueAt(0);
}

Result<bool> Decoder::readMembers(int index, int depth)
{
    for (;;) {
        auto name = readName();
        if (!name)
            return name.error();
        if (name->isEmpty() && need(1) && quint8(m_data[m_pos]) == Marker::ObjectEnd) {
            ++m_pos;
            return true;
        }
        auto value = readValueAt(depth + 1);
        if (!value)
            return value.error();
        // Indexed again: reading the member may have added objects.
        m_graph.objects[size_t(index)].members.emplace_back(std::move(*name), std::move(*value));
    }
}

Result<Value> Decoder::readValueAt(int depth)
{
    if (depth > limits::kMaxAmfDepth)
        return error(ErrorCode::TooLarge, QStringLiteral("AMF0 data nested too deeply"));
    auto marker = readByte();
    if (!marker)
        return marker.error();
    switch (*marker) {
    case Marker::Number:
        if (!need(8))
            return error(ErrorCode::Truncated, QStringLiteral("AMF0 number cut short"));
        return Value::fromNumber(f64());
    case Marker::Boolean: {
        auto b = readByte();
        if (!b)
            return b.error();
        return Value::fromBool(*b != 0);
    }
    case Marker::String: {
        auto text = readName();
        if (!text)
            return text.error();
        return Value::fromString(std::move(*text));
    }
    case Marker::LongString:
    case Marker::Xml: {
        if (!need(4))
            return error(ErrorCode::Truncated, QStringLiteral("AMF0 long string length missing"));
        const quint32 length = u32();
        if (!need(length))
            return error(ErrorCode::Truncated,
                         QStringLiteral("AMF0 long string longer than the data"));
        QString text = QString::fromUtf8(m_data.sliced(m_pos, length));
        m_pos += length;
        return *marker == Marker::Xml ? Value::fromXml(std::move(text))
                                      : Value::fromString(std::move(text));
    }
    case Marker::Null:
        return Value::null();
    case Marker::Undefined:
    case Marker::Unsupported:
        return Value();
    case Marker::Reference: {
        if (!need(2))
            return error(ErrorCode::Truncated, QStringLiteral("AMF0 reference cut short"));
        const quint16 number = u16();
        if (number >= m_references.size())
            return error(ErrorCode::Malformed, QStringLiteral("AMF0 reference to object %1 of %2")
                                                   .arg(number)
                                                   .arg(m_references.size()));
        return Value::fromObject(m_references[number]);
    }
    case Marker::Date: {
        if (!need(10))
            return error(ErrorCode::Truncated, QStringLiteral("AMF0 date cut short"));
        const double ms = f64();
        return Value::fromDate(ms, qint16(u16()));
    }
    case Marker::Object:
    case Marker::TypedObject:
    case Marker::EcmaArray: {
        ObjectData object;
        if (*marker == Marker::TypedObject) {
            auto name = readName();
            if (!name)
                return name.error();
            object.kind = ObjectKind::Typed;
            object.className = std::move(*name);
        } else if (*marker == Marker::EcmaArray) {
            if (!need(4))
                return error(ErrorCode::Truncated, QStringLiteral("AMF0 array count missing"));
            object.kind = ObjectKind::EcmaArray;
            object.declaredLength = u32();
        }
        // Registered before its members, so they can refer back to it.
        const int index = m_graph.add(std::move(object));
        m_references.push_back(index);
        auto done = readMembers(index, depth);
        if (!done)
            return done.error();
        return Value::fromObject(index);
    }
    case Marker::StrictArray: {
        if (!need(4))
            return error(ErrorCode::Truncated, QStringLiteral("AMF0 array count missing"));
        const quint32 count = u32();
        // Every element takes a byte at least: a count beyond the data lies.
        if (!need(count))
            return error(
                ErrorCode::Truncated,
                QStringLiteral("AMF0 array of %1 elements longer than the data").arg(count));
        ObjectData object;
        object.kind = ObjectKind::StrictArray;
        const int index = m_graph.add(std::move(object));
        m_references.push_back(index);
        for (quint32 i = 0; i < count; ++i) {
            auto element = readValueAt(depth + 1);
            if (!element)
                return element.error();
            m_graph.objects[size_t(index)].elements.push_back(std::move(*element));
        }
        return Value::fromObject(index);
    }
    default:
        --m_pos;
        return error(
            ErrorCode::Malformed,
            QStringLiteral("AMF0 type 0x%1 not readable").arg(*marker, 2, 16, QChar(u'0')));
    }
}

// Encoding.

void Encoder::registerReference(int index)
{
    m_written.emplace(index, quint16(m_nextReference++));
}

void Encoder::writeU16(quint16 v)
{
    m_out.append(char(v >> 8));
    m_out.append(char(v & 0xff));
}

void Encoder::writeU32(quint32 v)
{
    writeU16(quint16(v >> 16));
    writeU16(quint16(v & 0xffff));
}

void Encoder::writeF64(double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    writeU32(quint32(bits >> 32));
    writeU32(quint32(bits & 0xffffffffu));
}

void Encoder::writeUtf8Long(const QByteArray &utf8)
{
    writeU32(quint32(utf8.size()));
    m_out.append(utf8);
}

bool Encoder::writeName(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    if (utf8.size() > 0xffff)
        return false;
    writeU16(quint16(utf8.size()));
    m_out.append(utf8);
    return true;
}

void Encoder::writeValue(const Value &value)
{
    writeValueAt(value, 0);
}

void Encoder::writeMembers(const ObjectData &object, int depth)
{
    for (const auto &[name, member] : object.members) {
        // An empty name would read as the end of the object.
        if (name.isEmpty() || name.toUtf8().size() > 0xffff)
            continue;
        writeName(name);
        writeValueAt(member, depth + 1);
    }
    writeU16(0);
    writeByte(Marker::ObjectEnd);
}

void Encoder::writeValueAt(const Value &value, int depth)
{
    switch (value.type) {
    case Type::Undefined:
        writeByte(Marker::Undefined);
        return;
    case Type::Null:
        writeByte(Marker::Null);
        return;
    case Type::Boolean:
        writeByte(Marker::Boolean);
        writeByte(value.boolean ? 1 : 0);
        return;
    case Type::Number:
        writeByte(Marker::Number);
        writeF64(value.number);
        return;
    case Type::String: {
        const QByteArray utf8 = value.text.toUtf8();
        if (utf8.size() <= 0xffff) {
            writeByte(Marker::String);
            writeU16(quint16(utf8.size()));
            m_out.append(utf8);
        } else {
            writeByte(Marker::LongString);
            writeUtf8Long(utf8);
        }
        return;
    }
    case Type::Xml:
        writeByte(Marker::Xml);
        writeUtf8Long(value.text.toUtf8());
        return;
    case Type::Date:
        writeByte(Marker::Date);
        writeF64(value.number);
        writeU16(quint16(value.timezone));
        return;
    case Type::Object:
        break;
    }
    if (value.object < 0 || size_t(value.object) >= m_graph.objects.size()) {
        writeByte(Marker::Undefined);
        return;
    }
    if (const auto it = m_written.find(value.object); it != m_written.end()) {
        writeByte(Marker::Reference);
        writeU16(it->second);
        return;
    }
    // What a reader would refuse is cut here.
    if (depth >= limits::kMaxAmfDepth) {
        writeByte(Marker::Undefined);
        return;
    }
    // References are 16-bit: later objects are written out in full.
    if (m_nextReference <= 0xffff)
        m_written.emplace(value.object, quint16(m_nextReference));
    ++m_nextReference;
    const ObjectData &object = m_graph.objects[size_t(value.object)];
    switch (object.kind) {
    case ObjectKind::Anonymous:
        writeByte(Marker::Object);
        writeMembers(object, depth);
        return;
    case ObjectKind::Typed:
        writeByte(Marker::TypedObject);
        if (!writeName(object.className))
            writeU16(0);
        writeMembers(object, depth);
        return;
    case ObjectKind::EcmaArray:
        writeByte(Marker::EcmaArray);
        writeU32(object.declaredLength);
        writeMembers(object, depth);
        return;
    case ObjectKind::StrictArray:
        writeByte(Marker::StrictArray);
        writeU32(quint32(object.elements.size()));
        for (const Value &element : object.elements)
            writeValueAt(element, depth + 1);
        return;
    }
}

} // namespace swf::amf
