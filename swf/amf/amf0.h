// AMF0, the Flash Player's format for ActionScript values in saved data
// (.sol files) and messages. Values form a graph: objects and arrays live
// in a table and values refer to them by index, so shared objects and
// cycles survive a round trip. Engine-level: both script machines convert
// their own values to and from this graph.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QString>

#include <unordered_map>
#include <utility>
#include <vector>

namespace swf::amf {

enum class Type : quint8 { Undefined, Null, Boolean, Number, String, Object, Date, Xml };

struct Value {
    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;   // a number, or a date's milliseconds since 1970 (UTC)
    qint16 timezone = 0; // a date's zone, as written (minutes); kept, not used
    int object = -1;     // index into Graph::objects
    QString text;        // a string, or an XML document's source

    static Value null()
    {
        Value v;
        v.type = Type::Null;
        return v;
    }
    static Value fromBool(bool b)
    {
        Value v;
        v.type = Type::Boolean;
        v.boolean = b;
        return v;
    }
    static Value fromNumber(double n)
    {
        Value v;
        v.type = Type::Number;
        v.number = n;
        return v;
    }
    static Value fromString(QString s)
    {
        Value v;
        v.type = Type::String;
        v.text = std::move(s);
        return v;
    }
    static Value fromObject(int index)
    {
        Value v;
        v.type = Type::Object;
        v.object = index;
        return v;
    }
    static Value fromDate(double ms, qint16 zone = 0)
    {
        Value v;
        v.type = Type::Date;
        v.number = ms;
        v.timezone = zone;
        return v;
    }
    static Value fromXml(QString source)
    {
        Value v;
        v.type = Type::Xml;
        v.text = std::move(source);
        return v;
    }
};

enum class ObjectKind : quint8 {
    Anonymous,  // an object of no class
    Typed,      // an object of a registered class (className)
    EcmaArray,  // an array with named members (how ActionScript 2 writes arrays)
    StrictArray // a dense array (elements only)
};

struct ObjectData {
    ObjectKind kind = ObjectKind::Anonymous;
    QString className;
    // Named members in file order; for ECMA arrays, indices are names too.
    std::vector<std::pair<QString, Value>> members;
    std::vector<Value> elements; // strict arrays
    // The count an ECMA array announces (its length when written by
    // ActionScript 2).
    quint32 declaredLength = 0;
};

struct Graph {
    std::vector<ObjectData> objects;

    int add(ObjectData object)
    {
        objects.push_back(std::move(object));
        return int(objects.size()) - 1;
    }
};

// Reads AMF0 values from big-endian bytes into a graph. The reference
// table (which objects a reference index names) is shared by every value
// the reader reads, as in a .sol file.
class Decoder {
public:
    Decoder(QByteArrayView data, Graph &graph) : m_data(data), m_graph(graph) {}

    // Makes graph object `index` reference number `number` of the table,
    // for containers that are implicitly first (a .sol file's data).
    void registerReference(int index) { m_references.push_back(index); }

    Result<Value> readValue();
    // A u16-length UTF-8 string (member names).
    Result<QString> readName();
    Result<quint8> readByte();
    bool atEnd() const { return m_pos >= m_data.size(); }
    qint64 position() const { return m_pos; }

private:
    Result<Value> readValueAt(int depth);
    Result<bool> readMembers(int index, int depth);
    bool need(qint64 count) const { return count >= 0 && m_data.size() - m_pos >= count; }
    quint16 u16();
    quint32 u32();
    double f64();
    Error error(ErrorCode code, const QString &message) const;

    QByteArrayView m_data;
    Graph &m_graph;
    qint64 m_pos = 0;
    std::vector<int> m_references;
};

// Writes AMF0 values of a graph. An object met again is written as a
// reference to its first writing; so is a cycle.
class Encoder {
public:
    explicit Encoder(const Graph &graph) : m_graph(graph) {}

    // Object `index` is reference 0 of the table (a .sol file's data)
    // without being written.
    void registerReference(int index);

    void writeValue(const Value &value);
    // A u16-length UTF-8 name; false (nothing written) when too long.
    bool writeName(const QString &name);
    void writeByte(quint8 byte) { m_out.append(char(byte)); }
    QByteArray &bytes() { return m_out; }

private:
    void writeValueAt(const Value &value, int depth);
    void writeMembers(const ObjectData &object, int depth);
    void writeU16(quint16 v);
    void writeU32(quint32 v);
    void writeF64(double v);
    void writeUtf8Long(const QByteArray &utf8);

    const Graph &m_graph;
    QByteArray m_out;
    std::unordered_map<int, quint16> m_written; // graph index -> reference number
    int m_nextReference = 0;
};

} // namespace swf::amf
