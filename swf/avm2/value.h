// The machine's values: undefined, null, booleans, numbers (an int32 form
// for integral values and a double form), strings and objects. Strings and
// objects live on the collected heap; a Value only points at them.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cmath>
#include <memory>

namespace swf::avm2 {

class Object;

// Every collected thing derives from Cell; trace() reports what it points to.
class Tracer;
class Cell {
public:
    Cell() = default;
    virtual ~Cell() = default;
    Cell(const Cell &) = delete;
    Cell &operator=(const Cell &) = delete;
    virtual void trace(Tracer &) const {}
    // Bytes held outside the cell, for the collector's pacing.
    virtual size_t extraBytes() const { return 0; }

    bool marked = false;
};

// An immutable string. A string built by appending views a prefix of a
// buffer that later appends extend, so a loop of `s += x` copies each
// character about once; the text is made when it is first read.
class Str final : public Cell {
public:
    explicit Str(QString s) : m_text(std::move(s)), m_length(m_text.size()) {}
    Str(std::shared_ptr<QString> buffer, qsizetype length)
        : m_buffer(std::move(buffer)), m_length(length)
    {
    }
    size_t extraBytes() const override { return size_t(m_length) * 2; }
    qsizetype length() const { return m_length; }
    const QString &text() const
    {
        if (m_buffer) {
            m_text = m_buffer->left(m_length);
            m_buffer.reset();
        }
        return m_text;
    }
    // The buffer this string may append to in place: it is the whole of it.
    std::shared_ptr<QString> appendable() const
    {
        return m_buffer && m_buffer->size() == m_length ? m_buffer : nullptr;
    }

private:
    mutable QString m_text;
    mutable std::shared_ptr<QString> m_buffer;
    qsizetype m_length;
};

// Hole marks a missing element inside an array's dense storage; it never
// leaves the array.
enum class Tag : quint8 { Undefined, Null, Bool, Int, Number, String, Object, Hole };

struct Value {
    Tag tag = Tag::Undefined;
    union {
        bool b;
        qint32 i;
        double d;
        Str *s;
        Object *o;
    };

    Value() : d(0) {}
    static Value undefined() { return Value(); }
    static Value null()
    {
        Value v;
        v.tag = Tag::Null;
        return v;
    }
    static Value boolean(bool x)
    {
        Value v;
        v.tag = Tag::Bool;
        v.b = x;
        return v;
    }
    static Value integer(qint32 x)
    {
        Value v;
        v.tag = Tag::Int;
        v.i = x;
        return v;
    }
    // A number, kept in the int form when it is an integral int32 (not -0).
    static Value number(double x)
    {
        Value v;
        const qint32 n = (x >= -2147483648.0 && x <= 2147483647.0) ? qint32(x) : 0;
        if (double(n) == x && !(x == 0 && std::signbit(x))) {
            v.tag = Tag::Int;
            v.i = n;
        } else {
            v.tag = Tag::Number;
            v.d = x;
        }
        return v;
    }
    static Value uinteger(quint32 x) { return x <= 0x7fffffffu ? integer(qint32(x)) : number(double(x)); }
    static Value string(Str *x)
    {
        Value v;
        v.tag = Tag::String;
        v.s = x;
        return v;
    }
    static Value object(Object *x)
    {
        if (!x)
            return null();
        Value v;
        v.tag = Tag::Object;
        v.o = x;
        return v;
    }

    static Value hole()
    {
        Value v;
        v.tag = Tag::Hole;
        return v;
    }
    bool isHole() const { return tag == Tag::Hole; }
    bool isUndefined() const { return tag == Tag::Undefined; }
    bool isNull() const { return tag == Tag::Null; }
    bool isNullish() const { return tag <= Tag::Null; }
    bool isBool() const { return tag == Tag::Bool; }
    bool isInt() const { return tag == Tag::Int; }
    bool isNumeric() const { return tag == Tag::Int || tag == Tag::Number; }
    bool isString() const { return tag == Tag::String; }
    bool isObject() const { return tag == Tag::Object; }
    bool isPrimitive() const { return tag != Tag::Object; }
    double num() const { return tag == Tag::Int ? double(i) : d; }
    Object *obj() const { return tag == Tag::Object ? o : nullptr; }
};

} // namespace swf::avm2
