// A value of ActionScript 1/2: undefined, null, a boolean, a number (a
// double), a string or an object. Copying a value is cheap: strings are
// shared by reference count, objects belong to the machine's heap.
#pragma once

#include "swf/avm1/string.h"

#include <atomic>
#include <bit>

namespace swf::avm1 {

class Object;

enum class ValueType : quint8 { Undefined, Null, Boolean, Number, String, Object };

class Value {
public:
    Value() = default;
    static Value null()
    {
        Value v;
        v.m_type = ValueType::Null;
        return v;
    }
    Value(bool b) : m_type(ValueType::Boolean) { m_u.b = b; }
    // Every NaN made is a value of its own: it equals its copies and no
    // other NaN, so each gets a payload of its own.
    Value(double n) : m_type(ValueType::Number) { m_u.n = n == n ? n : distinctNaN(); }
    Value(int n) : m_type(ValueType::Number) { m_u.n = n; }
    Value(qint64 n) : m_type(ValueType::Number) { m_u.n = double(n); }
    Value(const StrRef &s) : m_type(ValueType::String) { setString(s.data()); }
    Value(StringData *s) : m_type(ValueType::String) { setString(s); }
    Value(const QString &s) : Value(StrRef(s)) {}
    Value(QString &&s) : Value(StrRef(std::move(s))) {}
    Value(Object *o) : m_type(o ? ValueType::Object : ValueType::Null) { m_u.o = o; }
    // Pointers of other kinds must not turn into booleans.
    Value(const char *) = delete;
    Value(const void *) = delete;

    Value(const Value &other) : m_type(other.m_type), m_u(other.m_u)
    {
        if (m_type == ValueType::String)
            m_u.s->ref();
    }
    Value(Value &&other) noexcept : m_type(other.m_type), m_u(other.m_u)
    {
        other.m_type = ValueType::Undefined;
    }
    Value &operator=(const Value &other)
    {
        Value copy(other);
        swap(copy);
        return *this;
    }
    Value &operator=(Value &&other) noexcept
    {
        swap(other);
        return *this;
    }
    ~Value()
    {
        if (m_type == ValueType::String)
            m_u.s->deref();
    }
    void swap(Value &other) noexcept
    {
        std::swap(m_type, other.m_type);
        std::swap(m_u, other.m_u);
    }

    ValueType type() const { return m_type; }
    bool isUndefined() const { return m_type == ValueType::Undefined; }
    bool isNull() const { return m_type == ValueType::Null; }
    bool isNullish() const { return m_type <= ValueType::Null; }
    bool isBoolean() const { return m_type == ValueType::Boolean; }
    bool isNumber() const { return m_type == ValueType::Number; }
    bool isString() const { return m_type == ValueType::String; }
    bool isObject() const { return m_type == ValueType::Object; }

    // Two numbers are the same value: equal, or copies of one NaN.
    static bool sameNumber(double a, double b)
    {
        return a == b || (a != a && std::bit_cast<quint64>(a) == std::bit_cast<quint64>(b));
    }

    bool boolean() const { return m_u.b; }
    double number() const { return m_u.n; }
    StringData *string() const { return m_u.s; }
    StrRef stringRef() const { return StrRef(m_u.s); }
    Object *object() const { return m_u.o; }
    // The object, or null for every other type.
    Object *asObject() const { return m_type == ValueType::Object ? m_u.o : nullptr; }

private:
    static double distinctNaN()
    {
        static std::atomic<quint64> serial{0};
        const quint64 payload = (++serial & 0x0007FFFFFFFFFFFFull) | 1;
        return std::bit_cast<double>(0x7FF8000000000000ull | payload);
    }
    void setString(StringData *s)
    {
        if (!s) {
            s = new StringData(QString());
        }
        m_u.s = s;
        s->ref();
    }

    ValueType m_type = ValueType::Undefined;
    union U {
        bool b;
        double n;
        StringData *s;
        Object *o;
    } m_u{};
};

} // namespace swf::avm1
