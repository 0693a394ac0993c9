// Conversions and comparisons of values, as the movie's version has them.
#include "swf/avm1/clipobject.h"
#include "swf/avm1/interpreter.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/primitiveobject.h"
#include "swf/avm1/superobject.h"
#include "swf/limits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace swf::avm1 {

namespace {

// `value` (positive) as "%.14e" would print it, but with a tie at the
// sixteenth digit rounded up rather than to even: the digits are taken
// from a longer, exact enough expansion.
void roundToFifteenDigits(double value, char *out, size_t size)
{
    char wide[64];
    std::snprintf(wide, sizeof wide, "%.40e", value);
    const QByteArray text(wide);
    const int e = text.indexOf('e');
    QByteArray digits = text.left(e);
    digits.remove(1, 1);
    int exponent = text.mid(e + 1).toInt();
    const bool up = digits.at(15) >= '5';
    digits.truncate(15);
    if (up) {
        int i = 14;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.prepend('1');
            digits.chop(1);
            ++exponent;
        }
    }
    std::snprintf(out, size, "%c.%se%+03d", digits.at(0), digits.mid(1).constData(), exponent);
}

} // namespace

namespace {

// a + b, cut at the longest string a script may make.
QString concatenate(const QString &a, const QString &b)
{
    const qsizetype room = qMax<qsizetype>(0, limits::kMaxScriptStringLength - a.size());
    const qsizetype taken = qMin(b.size(), room);
    // One allocation of the exact size: most joins are short-lived names.
    QString joined(a.size() + taken, Qt::Uninitialized);
    std::copy_n(a.constData(), a.size(), joined.data());
    std::copy_n(b.constData(), taken, joined.data() + a.size());
    return joined;
}

} // namespace

StrRef Machine::join(const StrRef &a, const StrRef &b)
{
    if (b.text().isEmpty())
        return a;
    if (a.text().isEmpty())
        return b;
    constexpr qsizetype kShortJoin = 64;
    constexpr size_t kJoins = 256;
    if (a.text().size() + b.text().size() > kShortJoin)
        return StrRef(concatenate(a.text(), b.text()));
    if (m_joins.empty())
        m_joins.resize(kJoins);
    const auto bits = [](const StringData *s) { return quint64(reinterpret_cast<quintptr>(s)); };
    const size_t slot =
        size_t(((bits(a.data()) >> 4) * 31 + (bits(b.data()) >> 4)) * 0x9E3779B97F4A7C15ull >> 56);
    Join &join = m_joins[slot % kJoins];
    if (join.a.data() != a.data() || join.b.data() != b.data())
        join = Join{a, b, StrRef(concatenate(a.text(), b.text()))};
    return join.joined;
}

StrRef Machine::numberText(double n)
{
    constexpr int kWholeNumbers = 1024;
    if (!(n >= 0 && n < kWholeNumbers) || n != double(int(n)))
        return StrRef(numberToString(n));
    if (m_texts.wholeNumbers.empty())
        m_texts.wholeNumbers.resize(kWholeNumbers);
    StrRef &text = m_texts.wholeNumbers[size_t(n)];
    if (!text)
        text = StrRef(QString::number(int(n)));
    return text;
}

QString Machine::numberToString(double n)
{
    if (std::isnan(n))
        return QStringLiteral("NaN");
    if (std::isinf(n))
        return n > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (n == 0)
        return QStringLiteral("0");
    if (std::abs(n) < 1e15 && n == std::trunc(n))
        return QString::number(qint64(n));
    // Fifteen significant digits, positional from 1e-5 up to 1e15; a value
    // halfway between two is rounded up.
    char buffer[64];
    roundToFifteenDigits(std::abs(n), buffer, sizeof buffer);
    if (std::isinf(std::strtod(buffer, nullptr))) {
        // Rounded up past the largest double: the Flash Player cuts the
        // digits off instead.
        std::snprintf(buffer, sizeof buffer, "%.20e", std::abs(n));
        const QByteArray full(buffer);
        const int e = full.indexOf('e');
        std::snprintf(buffer, sizeof buffer, "%se%s", full.left(16).constData(),
                      full.mid(e + 1).constData());
    }
    const QByteArray text(buffer);
    const int e = text.indexOf('e');
    QByteArray digits = text.left(e);
    digits.remove(1, 1); // the decimal point
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    const int exponent = text.mid(e + 1).toInt();
    QByteArray out;
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            out = digits.left(exponent + 1);
            while (out.size() < exponent + 1)
                out += '0';
            if (digits.size() > exponent + 1)
                out += '.' + digits.mid(exponent + 1);
        } else {
            out = "0." + QByteArray(-exponent - 1, '0') + digits;
        }
    } else {
        out = digits.left(1);
        if (digits.size() > 1)
            out += '.' + digits.mid(1);
        out += exponent > 0 ? "e+" : "e-";
        out += QByteArray::number(std::abs(exponent));
    }
    if (n < 0)
        out.prepend('-');
    return QString::fromLatin1(out);
}

// Strings to numbers: decimal with an optional exponent; surrounding
// white space is allowed; anything else is NaN. From version 6 a string
// that starts with 0x is hexadecimal (a sign may follow the 0x), and one
// of octal digits only that starts with 0 is octal.
double Machine::stringToNumber(const QString &text, int version)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return version >= 5 ? std::nan("") : 0.0;
    bool ok = false;
    if (version >= 6 && text.size() > 2 && text[0] == QLatin1Char('0') &&
        (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'))) {
        QString digits = t.mid(2);
        const bool negative = digits.startsWith(QLatin1Char('-'));
        if (negative || digits.startsWith(QLatin1Char('+')))
            digits.remove(0, 1);
        const qlonglong value = digits.toLongLong(&ok, 16);
        if (!ok || digits.startsWith(QLatin1Char('-')) || digits.startsWith(QLatin1Char('+')))
            return std::nan("");
        return negative ? -double(qint32(value)) : double(qint32(value));
    }
    if (version >= 6 && text.size() > 1 && text[0] == QLatin1Char('0') &&
        std::all_of(text.begin(), text.end(),
                    [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('7'); }))
        return double(text.toLongLong(&ok, 8));
    // Only digits, signs, points and exponents: toDouble takes more
    // ("inf", "nan") than the Flash Player does.
    for (QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') ||
              c == QLatin1Char('+') || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return std::nan("");
    }
    const double value = t.toDouble(&ok);
    return ok ? value : std::nan("");
}

double Machine::toNumber(const Value &value)
{
    switch (value.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return m_version >= 7 ? std::nan("") : 0.0;
    case ValueType::Boolean:
        return value.boolean() ? 1.0 : 0.0;
    case ValueType::Number:
        return value.number();
    case ValueType::String:
        return stringToNumber(value.string()->text(), m_version);
    case ValueType::Object: {
        const Value primitive = toPrimitive(value, Hint::Number);
        return primitive.isObject() ? std::nan("") : toNumber(primitive);
    }
    }
    return std::nan("");
}

StrRef Machine::toString(const Value &value)
{
    switch (value.type()) {
    case ValueType::Undefined:
        return m_version >= 7 ? m_texts.undefined : m_names.empty;
    case ValueType::Null:
        return m_texts.null;
    case ValueType::Boolean:
        if (m_version < 5)
            return value.boolean() ? m_texts.one : m_texts.zero;
        return value.boolean() ? m_texts.trueText : m_texts.falseText;
    case ValueType::Number:
        return numberText(value.number());
    case ValueType::String:
        return value.stringRef();
    case ValueType::Object: {
        // A String object reads as the string it holds, whatever its
        // toString says.
        if (const Object *object = value.object(); object->objectClass() == ObjectClass::String &&
                                                   object->primitive() &&
                                                   object->primitive()->isString())
            return object->primitive()->stringRef();
        const Value primitive = toPrimitive(value, Hint::String);
        // A toString method that gives no string leaves the object's kind
        // (even when it gives a clip).
        if (primitive.isObject())
            return objectString(value);
        if (!primitive.isString()) {
            const Value method = get(value.object(), m_names.toString.data());
            if (method.isObject() && method.object()->isFunction())
                return objectString(value);
        }
        return toString(primitive);
    }
    }
    return StrRef(QString());
}

bool Machine::toBoolean(const Value &value)
{
    switch (value.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return false;
    case ValueType::Boolean:
        return value.boolean();
    case ValueType::Number:
        return value.number() != 0 && !std::isnan(value.number());
    case ValueType::String:
        // Before version 7 a string is true when it reads as a number
        // other than zero.
        if (m_version >= 7)
            return !value.string()->text().isEmpty();
        {
            const double n = stringToNumber(value.string()->text(), m_version);
            return n != 0 && !std::isnan(n);
        }
    case ValueType::Object:
        return true;
    }
    return false;
}

Value Machine::toPrimitive(const Value &value, Hint hint)
{
    Object *object = value.asObject();
    if (!object)
        return value;
    // A clip reads as its path; as a number it is what valueOf gives.
    auto *clip = asClip(object);
    const auto clipPath = [&] {
        if (DisplayObject *display = displayObjectOf(value))
            return Value(targetPathOf(*display));
        return Value(clip->pathWhileUnloading());
    };
    if (hint == Hint::String && clip)
        return clipPath();
    // From version 6 a Date with no hint reads as its string.
    if (hint == Hint::None && m_version >= 6 && object->objectClass() == ObjectClass::Date)
        hint = Hint::String;
    // One method: valueOf, or toString for a string hint, the other only
    // when the first is no function. What it gives stands, even an object.
    const StringData *first =
        hint == Hint::String ? m_names.toString.data() : m_names.valueOf.data();
    const StringData *second =
        hint == Hint::String ? m_names.valueOf.data() : m_names.toString.data();
    for (const StringData *k : {first, second}) {
        const Value method = get(object, const_cast<StringData *>(k));
        if (m_hasException || m_aborted)
            return Value();
        if (!method.isObject() || !method.object()->isFunction())
            continue;
        // Through super, the method runs on the caller's this.
        const auto *super = dynamic_cast<const SuperObject *>(object);
        const Value result = call(method, super ? super->self() : value, Args());
        if (m_hasException || m_aborted)
            return Value();
        // A method refused for going too deep leaves the object as it is.
        if (m_interpreter->recursionExceeded())
            return value;
        return result;
    }
    // An object with neither method (its prototype cut off, or hidden by
    // variables of the same name before version 7) reads as undefined in
    // sums, as its kind in strings; a clip still reads as its path.
    if (clip)
        return clipPath();
    return hint == Hint::String ? value : Value();
}

StrRef Machine::objectString(const Value &value)
{
    Object *object = value.asObject();
    if (!object)
        return toString(value);
    if (asClip(object)) {
        if (DisplayObject *display = displayObjectOf(value))
            return StrRef(targetPathOf(*display));
        return StrRef(static_cast<ClipObject *>(object)->pathWhileUnloading());
    }
    if (object->isFunction())
        return StrRef(QStringLiteral("[type Function]"));
    return StrRef(QStringLiteral("[type Object]"));
}

Object *Machine::toObject(const Value &value)
{
    switch (value.type()) {
    case ValueType::Object:
        return value.object();
    case ValueType::String: {
        // Its length is an own property, written over as any other.
        Object *object = m_heap.make<PrimitiveObject>(m_protos.string, value, ObjectClass::String);
        addLengthProperty(object);
        object->properties().find(m_names.length.data())->value =
            Value(int(value.string()->text().size()));
        return object;
    }
    case ValueType::Number:
        return m_heap.make<PrimitiveObject>(m_protos.number, value, ObjectClass::Number);
    case ValueType::Boolean:
        return m_heap.make<PrimitiveObject>(m_protos.boolean, value, ObjectClass::Boolean);
    default:
        return nullptr;
    }
}

qint32 Machine::wrapToInt32(double n)
{
    if (!std::isfinite(n))
        return 0;
    const double wrapped = std::fmod(std::trunc(n), 4294967296.0);
    return qint32(quint32(qint64(wrapped < 0 ? wrapped + 4294967296.0 : wrapped)));
}

StrRef Machine::typeOf(const Value &value)
{
    switch (value.type()) {
    case ValueType::Undefined:
        return StrRef(QStringLiteral("undefined"));
    case ValueType::Null:
        return StrRef(QStringLiteral("null"));
    case ValueType::Boolean:
        return StrRef(QStringLiteral("boolean"));
    case ValueType::Number:
        return StrRef(QStringLiteral("number"));
    case ValueType::String:
        return StrRef(QStringLiteral("string"));
    case ValueType::Object:
        // A removed object's reference is of the kind now at its path.
        switch (liveObject(value.object())->objectClass()) {
        case ObjectClass::Function:
            return StrRef(QStringLiteral("function"));
        case ObjectClass::MovieClip:
            return StrRef(QStringLiteral("movieclip"));
        default:
            return StrRef(QStringLiteral("object"));
        }
    }
    return StrRef(QStringLiteral("undefined"));
}

bool Machine::instanceOf(const Value &value, Object *constructor)
{
    Object *object = value.asObject();
    if (!object || !constructor)
        return false;
    Object *prototype = get(constructor, m_names.prototype.data()).asObject();
    if (!prototype)
        return false;
    const auto implements = [&](const auto &self, Object *o, int depth) -> bool {
        if (depth > 64)
            return false;
        for (Object *i : o->interfaces()) {
            if (i == constructor)
                return true;
            Object *ip = get(i, m_names.prototype.data()).asObject();
            if (ip && self(self, ip, depth + 1))
                return true;
        }
        return false;
    };
    int depth = 0;
    for (Object *o = linkedProto(object, true); o && ++depth < 256; o = linkedProto(o, true)) {
        if (o == prototype || implements(implements, o, 0))
            return true;
    }
    return false;
}

bool Machine::strictEquals(const Value &a, const Value &b)
{
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return true;
    case ValueType::Boolean:
        return a.boolean() == b.boolean();
    case ValueType::Number:
        return Value::sameNumber(a.number(), b.number());
    case ValueType::String:
        return a.string()->text() == b.string()->text();
    case ValueType::Object:
        if (a.object() == b.object())
            return true;
        // Clip references are the same when they name the same clip now,
        // or when neither names one any more.
        if (asClip(a.object()) && asClip(b.object()))
            return displayObjectOf(a) == displayObjectOf(b);
        return false;
    }
    return false;
}

bool Machine::abstractEquals(const Value &a, const Value &b)
{
    // Before version 6 two function objects around the same built-in
    // (ASnative makes a new one each time) are equal.
    const auto *fa = m_version < 6 ? dynamic_cast<const FunctionObject *>(a.asObject()) : nullptr;
    const auto *fb = dynamic_cast<const FunctionObject *>(b.asObject());
    if (fa && fb && fa->isNative() && fa->native() == fb->native() &&
        fa->nativeConstruct() == fb->nativeConstruct())
        return true;
    if (a.type() == b.type())
        return strictEquals(a, b);
    if (a.isNullish() && b.isNullish())
        return true;
    // An object against undefined or null is its primitive value against it.
    if (a.isNullish() != b.isNullish()) {
        const Value &object = a.isNullish() ? b : a;
        if (!object.isObject())
            return false;
        const Value primitive = toPrimitive(object, Hint::Number);
        return primitive.isNullish();
    }
    if (a.isNumber() && b.isString())
        return a.number() == toNumber(b);
    if (a.isString() && b.isNumber())
        return toNumber(a) == b.number();
    if (a.isBoolean())
        return abstractEquals(Value(a.boolean() ? 1.0 : 0.0), b);
    if (b.isBoolean())
        return abstractEquals(a, Value(b.boolean() ? 1.0 : 0.0));
    if (a.isObject() && !b.isObject()) {
        const Value primitive = toPrimitive(a, Hint::Number);
        return !primitive.isObject() && abstractEquals(primitive, b);
    }
    if (b.isObject() && !a.isObject()) {
        const Value primitive = toPrimitive(b, Hint::Number);
        return !primitive.isObject() && abstractEquals(a, primitive);
    }
    return false;
}

Value Machine::lessThan(const Value &a, const Value &b)
{
    const Value pa = toPrimitive(a, Hint::Number);
    const Value pb = toPrimitive(b, Hint::Number);
    // An object that stays one (its valueOf gives an object) is not less
    // and not more than anything; a clip still reads as a number.
    const auto staysObject = [](const Value &v) { return v.isObject() && !asClip(v.object()); };
    if (staysObject(pa) || staysObject(pb))
        return Value(false);
    if (pa.isString() && pb.isString())
        return Value(QString::compare(pa.string()->text(), pb.string()->text()) < 0);
    const double x = toNumber(pa);
    const double y = toNumber(pb);
    if (std::isnan(x) || std::isnan(y))
        return Value();
    return Value(x < y);
}

} // namespace swf::avm1
