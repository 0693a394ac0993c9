// Conversions between the machine's types, as ECMAScript defines them and
// the Flash Player formats them.
#include "swf/avm2/vm.h"

#include "swf/avm2/builtins.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>

namespace swf::avm2 {

QString Vm::numberToString(double d)
{
    if (std::isnan(d))
        return QStringLiteral("NaN");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (d == 0)
        return QStringLiteral("0");
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
    std::string s(buf, res.ptr);
    bool neg = false;
    if (s[0] == '-') {
        neg = true;
        s.erase(0, 1);
    }
    const size_t e = s.find('e');
    std::string digits = s.substr(0, e);
    const int exp = std::stoi(s.substr(e + 1));
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int k = int(digits.size());
    const int n = exp + 1;
    std::string out;
    if (k <= n && n <= 21) {
        out = digits + std::string(size_t(n - k), '0');
    } else if (0 < n && n <= 21) {
        out = digits.substr(0, size_t(n)) + "." + digits.substr(size_t(n));
    } else if (-6 < n && n <= 0) {
        out = "0." + std::string(size_t(-n), '0') + digits;
    } else {
        // The Flash Player writes large exponent forms with 15 significant
        // digits (Number.MAX_VALUE is 1.79769313486231e+308).
        if (n > 21 && k > 15) {
            char b15[64];
            std::snprintf(b15, sizeof b15, "%.14e", std::fabs(d));
            std::string s15(b15);
            digits = s15.substr(0, s15.find('e'));
            digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
            while (digits.size() > 1 && digits.back() == '0')
                digits.pop_back();
        }
        out = digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += (n - 1 >= 0 ? "e+" : "e-") + std::to_string(std::abs(n - 1));
    }
    return QString::fromLatin1((neg ? "-" : "") + out);
}

QString Vm::toString(const Value &v)
{
    switch (v.tag) {
    case Tag::Undefined: case Tag::Hole: return QStringLiteral("undefined");
    case Tag::Null: return QStringLiteral("null");
    case Tag::Bool: return v.b ? QStringLiteral("true") : QStringLiteral("false");
    case Tag::Int: return QString::number(v.i);
    case Tag::Number: return numberToString(v.d);
    case Tag::String: return v.s->text();
    case Tag::Object: return toString(toPrimitive(v, Hint::String));
    }
    return {};
}

static bool isJsSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == 9 || u == 10 || u == 11 || u == 12 || u == 13 || u == 32 || u == 0xA0 ||
           u == 0x2028 || u == 0x2029 || u == 0xFEFF || c.category() == QChar::Separator_Space;
}

double stringToNumber(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && isJsSpace(text[b]))
        ++b;
    while (e > b && isJsSpace(text[e - 1]))
        --e;
    if (b == e)
        return 0;
    QStringView s = QStringView(text).mid(b, e - b);
    bool neg = false;
    QStringView body = s;
    if (body.startsWith(u'-') || body.startsWith(u'+')) {
        neg = body[0] == u'-';
        body = body.mid(1);
    }
    if (body.size() > 2 && body[0] == u'0' && (body[1] == u'x' || body[1] == u'X')) {
        double r = 0;
        for (QChar c : body.mid(2)) {
            const int d = QChar::fromUcs2(c.unicode()).isDigit() ? c.unicode() - '0'
                          : (c.toLower() >= u'a' && c.toLower() <= u'f') ? c.toLower().unicode() - 'a' + 10
                                                                       : -1;
            if (d < 0)
                return std::numeric_limits<double>::quiet_NaN();
            r = r * 16 + d;
        }
        return neg ? -r : r;
    }
    if (body == u"Infinity")
        return neg ? -INFINITY : INFINITY;
    // Digits, an optional fraction, an optional exponent; nothing else.
    qsizetype i = 0;
    const qsizetype n = body.size();
    bool digits = false;
    while (i < n && body[i].isDigit() && body[i].unicode() < 128) ++i, digits = true;
    if (i < n && body[i] == u'.') {
        ++i;
        while (i < n && body[i].unicode() >= '0' && body[i].unicode() <= '9') ++i, digits = true;
    }
    if (!digits)
        return std::numeric_limits<double>::quiet_NaN();
    if (i < n && (body[i] == u'e' || body[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (body[j] == u'+' || body[j] == u'-'))
            ++j;
        const qsizetype start = j;
        while (j < n && body[j].unicode() >= '0' && body[j].unicode() <= '9') ++j;
        if (j == start)
            return std::numeric_limits<double>::quiet_NaN();
        i = j;
    }
    if (i != n)
        return std::numeric_limits<double>::quiet_NaN();
    const QByteArray latin = s.toLatin1();
    return std::strtod(latin.constData(), nullptr);
}

double Vm::toNumber(const Value &v)
{
    switch (v.tag) {
    case Tag::Undefined: case Tag::Hole: return std::numeric_limits<double>::quiet_NaN();
    case Tag::Null: return 0;
    case Tag::Bool: return v.b ? 1 : 0;
    case Tag::Int: return v.i;
    case Tag::Number: return v.d;
    case Tag::String: return stringToNumber(v.s->text());
    case Tag::Object: return toNumber(toPrimitive(v, Hint::Number));
    }
    return 0;
}

static qint32 doubleToInt32(double d)
{
    if (!std::isfinite(d))
        return 0;
    if (d >= -2147483648.0 && d <= 2147483647.0)
        return qint32(d);
    double m = std::fmod(std::trunc(d), 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return qint32(quint32(m));
}

qint32 Vm::toInt32(const Value &v)
{
    if (v.tag == Tag::Int)
        return v.i;
    return doubleToInt32(toNumber(v));
}

quint32 Vm::toUint32(const Value &v)
{
    return quint32(toInt32(v));
}

bool Vm::toBoolean(const Value &v) const
{
    switch (v.tag) {
    case Tag::Bool: return v.b;
    case Tag::Int: return v.i != 0;
    case Tag::Number: return !(v.d == 0 || std::isnan(v.d));
    case Tag::String: return !v.s->text().isEmpty();
    case Tag::Object: return true;
    default: return false;
    }
}

Value Vm::toPrimitive(const Value &v, Hint hint)
{
    Object *o = v.obj();
    if (!o)
        return v;
    if (o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList)
        return callPublic(v, QStringLiteral("toString"), {});
    if (hint == Hint::None)
        hint = o->kind == ObjKind::Date ? Hint::String : Hint::Number;
    const QString first = hint == Hint::String ? QStringLiteral("toString") : QStringLiteral("valueOf");
    const QString second = hint == Hint::String ? QStringLiteral("valueOf") : QStringLiteral("toString");
    for (const QString &m : {first, second}) {
        const Value fn = getProperty(v, publicName(m));
        if (fn.obj() && (fn.o->kind == ObjKind::Function || fn.o->kind == ObjKind::Class)) {
            const Value r = call(fn, v, nullptr, 0);
            if (r.isPrimitive())
                return r;
        }
    }
    throwError(ErrorType::TypeError, 1050, o->klass ? o->klass->name : QStringLiteral("Object"));
}

Object *Vm::toObject(const Value &v)
{
    if (v.isUndefined())
        throwError(ErrorType::TypeError, 1010);
    if (v.isNull())
        throwError(ErrorType::TypeError, 1009);
    return v.obj();
}

QString Vm::typeOf(const Value &v)
{
    switch (v.tag) {
    case Tag::Undefined: case Tag::Hole: return QStringLiteral("undefined");
    case Tag::Null: return QStringLiteral("object");
    case Tag::Bool: return QStringLiteral("boolean");
    case Tag::Int: case Tag::Number: return QStringLiteral("number");
    case Tag::String: return QStringLiteral("string");
    case Tag::Object:
        if (v.o->kind == ObjKind::Function)
            return QStringLiteral("function");
        if (v.o->kind == ObjKind::Xml || v.o->kind == ObjKind::XmlList)
            return QStringLiteral("xml");
        return QStringLiteral("object");
    }
    return {};
}

ClassObject *Vm::classOf(const Value &v)
{
    switch (v.tag) {
    case Tag::Bool: return booleanClass;
    case Tag::Int: return intClass;
    case Tag::Number: return numberClass;
    case Tag::String: return stringClass;
    case Tag::Object: return v.o->klass;
    default: return nullptr;
    }
}

QString Vm::displayName(const Value &v)
{
    switch (v.tag) {
    case Tag::Undefined: case Tag::Hole: return QStringLiteral("undefined");
    case Tag::Null: return QStringLiteral("null");
    case Tag::Object:
        if (v.o->kind == ObjKind::Class)
            return static_cast<ClassObject *>(v.o)->qualifiedName().replace(QStringLiteral("::"), QStringLiteral("."));
        if (v.o->kind == ObjKind::Function)
            return QStringLiteral("Function");
        return v.o->klass ? v.o->klass->qualifiedName().replace(QStringLiteral("::"), QStringLiteral(".")) : QStringLiteral("Object");
    default: {
        ClassObject *c = classOf(v);
        return c ? c->name : QStringLiteral("Object");
    }
    }
}

static bool isIntegral(double d) { return d == std::floor(d) && std::isfinite(d); }

bool Vm::isType(const Value &v, ClassObject *type)
{
    if (!type || type == objectClass)
        return !v.isNullish() || (type == nullptr);
    if (v.isNullish())
        return false;
    if (type == numberClass)
        return v.isNumeric();
    if (type == intClass)
        return v.isInt() || (v.tag == Tag::Number && isIntegral(v.d) && v.d >= -2147483648.0 && v.d <= 2147483647.0 && !(v.d == 0 && std::signbit(v.d)));
    if (type == uintClass)
        return (v.isInt() && v.i >= 0) || (v.tag == Tag::Number && isIntegral(v.d) && v.d >= 0 && v.d <= 4294967295.0);
    if (type == stringClass)
        return v.isString();
    if (type == booleanClass)
        return v.isBool();
    ClassObject *c = classOf(v);
    if (!c)
        return false;
    if (type->isInterface)
        return c->implements(type);
    return c->isSubclassOf(type);
}

Value Vm::coerce(const Value &v, ClassObject *type)
{
    if (!type)
        return v.isHole() ? Value() : v;
    if (type == intClass)
        return Value::integer(toInt32(v));
    if (type == uintClass)
        return Value::uinteger(toUint32(v));
    if (type == numberClass)
        return Value::number(toNumber(v));
    if (type == booleanClass)
        return Value::boolean(toBoolean(v));
    if (type == stringClass)
        return v.isNullish() ? Value::null() : (v.isString() ? v : sv(toString(v)));
    if (type == objectClass)
        return v.isUndefined() ? Value::null() : v;
    if (type == voidClass)
        return Value();
    if (v.isNullish())
        return Value::null();
    if (isType(v, type))
        return v;
    throwError(ErrorType::TypeError, 1034, displayName(v).contains(QLatin1Char('@')) ? displayName(v) : displayName(v) + QStringLiteral("@") + QString::number(quintptr(v.obj()) & 0xffffff, 16),
               type->qualifiedName().replace(QStringLiteral("::"), QStringLiteral(".")));
}

bool Vm::strictEquals(const Value &a, const Value &b)
{
    if (a.isNumeric() && b.isNumeric())
        return a.num() == b.num();
    if (a.tag != b.tag)
        return false;
    switch (a.tag) {
    case Tag::Undefined: case Tag::Null: case Tag::Hole: return true;
    case Tag::Bool: return a.b == b.b;
    case Tag::String: return a.s == b.s || a.s->text() == b.s->text();
    case Tag::Object:
        if (a.o == b.o)
            return true;
        return builtins::specialEquals(*this, a, b, true);
    default: return false;
    }
}

bool Vm::looseEquals(const Value &a, const Value &b)
{
    if (a.isNumeric() && b.isNumeric())
        return a.num() == b.num();
    if (a.isNullish() && b.isNullish())
        return true;
    if (a.isNullish() || b.isNullish())
        return false;
    NoGc noGc(*this);
    if (a.tag == b.tag) {
        if (a.isObject() && a.o != b.o)
            return builtins::specialEquals(*this, a, b, false);
        return strictEquals(a, b);
    }
    if (a.isObject() && b.isObject())
        return builtins::specialEquals(*this, a, b, false);
    if ((a.isObject() && (a.o->kind == ObjKind::Xml || a.o->kind == ObjKind::XmlList)) ||
        (b.isObject() && (b.o->kind == ObjKind::Xml || b.o->kind == ObjKind::XmlList)))
        return builtins::specialEquals(*this, a, b, false);
    if (a.isNumeric() && b.isString())
        return a.num() == toNumber(b);
    if (a.isString() && b.isNumeric())
        return toNumber(a) == b.num();
    if (a.isBool())
        return looseEquals(Value::integer(a.b ? 1 : 0), b);
    if (b.isBool())
        return looseEquals(a, Value::integer(b.b ? 1 : 0));
    if (a.isObject())
        return looseEquals(toPrimitive(a, Hint::None), b);
    if (b.isObject())
        return looseEquals(a, toPrimitive(b, Hint::None));
    return false;
}

int Vm::lessThan(const Value &a, const Value &b)
{
    if (a.isInt() && b.isInt())
        return a.i < b.i ? 1 : 0;
    NoGc noGc(*this);
    const Value pa = toPrimitive(a, Hint::Number);
    const Value pb = toPrimitive(b, Hint::Number);
    if (pa.isString() && pb.isString())
        return pa.s->text() < pb.s->text() ? 1 : 0;
    const double x = toNumber(pa), y = toNumber(pb);
    if (std::isnan(x) || std::isnan(y))
        return -1;
    return x < y ? 1 : 0;
}

Str *Vm::concat(Str *a, Str *b)
{
    if (b->length() == 0)
        return a;
    if (a->length() == 0)
        return b;
    const qsizetype total = a->length() + b->length();
    if (total > (qsizetype(1) << 28))
        throwError(ErrorType::Error, 1000);
    if (auto buf = a->appendable()) {
        buf->append(b->text());
        heap.charge(size_t(b->length()) * 2);
        return heap.make<Str>(std::move(buf), total);
    }
    if (total < 64)
        return str(a->text() + b->text());
    auto buf = std::make_shared<QString>();
    buf->reserve(total * 2);
    buf->append(a->text());
    buf->append(b->text());
    heap.charge(size_t(total) * 4);
    return heap.make<Str>(std::move(buf), total);
}

Value Vm::add(const Value &a, const Value &b)
{
    if (a.isInt() && b.isInt())
        return Value::number(double(a.i) + double(b.i));
    if (a.isNumeric() && b.isNumeric())
        return Value::number(a.num() + b.num());
    if (a.isString() && b.isString())
        return Value::string(concat(a.s, b.s));
    NoGc noGc(*this);
    if (a.isObject() && b.isObject()) {
        const bool ax = a.o->kind == ObjKind::Xml || a.o->kind == ObjKind::XmlList;
        const bool bx = b.o->kind == ObjKind::Xml || b.o->kind == ObjKind::XmlList;
        if (ax && bx)
            return builtins::xmlConcat(*this, a, b);
    }
    const Value pa = toPrimitive(a, Hint::None);
    const Value pb = toPrimitive(b, Hint::None);
    if (pa.isString() || pb.isString()) {
        Str *x = pa.isString() ? pa.s : str(toString(pa));
        Str *y = pb.isString() ? pb.s : str(toString(pb));
        return Value::string(concat(x, y));
    }
    return Value::number(toNumber(pa) + toNumber(pb));
}

} // namespace swf::avm2
