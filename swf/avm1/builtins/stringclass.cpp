// String.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/primitiveobject.h"
#include "swf/limits.h"

#include <cmath>

namespace swf::avm1 {

namespace {

QString textOf(Machine &m, const Value &self)
{
    if (Object *object = self.asObject()) {
        if (const Value *primitive = object->primitive())
            return m.toString(*primitive).text();
    }
    return m.toString(self).text();
}

Value call(Machine &m, const Value &, const Args &args)
{
    return args.size() == 0 ? Value(QString()) : Value(m.toString(args[0]));
}

Value construct(Machine &m, const Value &, const Args &args)
{
    return Value(m.toObject(args.size() == 0 ? Value(QString()) : Value(m.toString(args[0]))));
}

Value toString(Machine &m, const Value &self, const Args &)
{
    return Value(textOf(m, self));
}

Value charAt(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int i = intArg(m, args, 0, 0);
    return Value(i >= 0 && i < text.size() ? QString(text[i]) : QString());
}

Value charCodeAt(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int i = intArg(m, args, 0, 0);
    if (i >= 0 && i < text.size())
        return Value(int(text[i].unicode()));
    // Past the end: NaN from version 6, zero before.
    return Value(m.version() >= 6 ? std::nan("") : 0.0);
}

Value concat(Machine &m, const Value &self, const Args &args)
{
    QString text = textOf(m, self);
    for (const Value &value : args) {
        text += m.toString(value).text();
        if (text.size() > limits::kMaxScriptStringLength)
            break;
    }
    return Value(text);
}

Value indexOf(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int from = qBound(0, intArg(m, args, 1, 0), int(text.size()));
    return Value(int(text.indexOf(m.toString(args[0]).text(), from)));
}

Value lastIndexOf(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int from = intArg(m, args, 1, int(text.size()));
    if (from < 0)
        return Value(-1);
    return Value(int(text.lastIndexOf(m.toString(args[0]).text(), qMin(from, int(text.size())))));
}

Value slice(Machine &m, const Value &self, const Args &args)
{
    if (args.size() == 0)
        return Value(); // no start: no slice

    const QString text = textOf(m, self);
    const int size = int(text.size());
    int start = intArg(m, args, 0, 0);
    int end = intArg(m, args, 1, size);
    if (start < 0)
        start = qMax(0, size + start);
    if (end < 0)
        end = qMax(0, size + end);
    start = qMin(start, size);
    end = qMin(end, size);
    return Value(start < end ? text.mid(start, end - start) : QString());
}

Value substring(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int size = int(text.size());
    int start = qBound(0, intArg(m, args, 0, 0), size);
    // From the end on there is nothing, whichever way the other bound lies.
    if (start == size)
        return Value(QString());
    int end = qBound(0, intArg(m, args, 1, size), size);
    if (start > end)
        std::swap(start, end);
    return Value(text.mid(start, end - start));
}

Value substr(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    const int size = int(text.size());
    int start = intArg(m, args, 0, 0);
    if (start < 0)
        start = qMax(0, size + start);
    start = qMin(start, size);
    int length = intArg(m, args, 1, size - start);
    // A negative length counts back from the end of the whole string, and
    // gives nothing if what it reaches runs to the end.
    if (length < 0) {
        length += size;
        if (start + length >= size)
            return Value(QString());
    }
    length = qBound(0, length, size - start);
    return Value(text.mid(start, length));
}

// split(separator, limit). A given limit is a 32-bit integer (NaN and the
// infinities make it 0). Version 5 splits only at a separator of one
// character and keeps the text whole for any other; later versions split
// at any separator, into characters at an empty one, and split an empty
// text into one empty part whatever the limit.
Value split(Machine &m, const Value &self, const Args &args)
{
    const QString text = textOf(m, self);
    ArrayObject *result = m.newArray();
    // A limit given is taken as a 32-bit integer: Infinity and NaN are 0.
    qint64 limit =
        args[1].isUndefined() ? limits::kMaxScriptArrayLength : qint64(m.toInt32(args[1]));
    const QString separator = args[0].isUndefined() ? QString() : m.toString(args[0]).text();
    // From version 6 the empty string split by something is itself,
    // whatever the limit.
    if (m.version() >= 6 && text.isEmpty() && !separator.isEmpty())
        limit = 1;
    // From version 6 no separator gives the whole string, whatever the limit.
    if (m.version() >= 6 && args[0].isUndefined())
        limit = 1;
    QStringList parts;
    // Before version 6 only a one-character separator splits.
    if (args[0].isUndefined() || (m.version() < 6 && separator.size() != 1)) {
        parts.append(text);
    } else if (separator.isEmpty()) {
        for (QChar c : text)
            parts.append(QString(c));
    } else {
        parts = text.split(separator);
    }
    for (const QString &part : parts) {
        if (result->length() >= limit || result->length() >= limits::kMaxScriptArrayLength)
            break;
        result->push(Value(part));
    }
    return Value(result);
}

Value toLowerCase(Machine &m, const Value &self, const Args &)
{
    return Value(textOf(m, self).toLower());
}

Value toUpperCase(Machine &m, const Value &self, const Args &)
{
    return Value(textOf(m, self).toUpper());
}

// A zero code ends the string. Before version 6 strings are bytes: a code
// above 255 gives its high byte, then its low byte.
Value fromCharCode(Machine &m, const Value &, const Args &args)
{
    QString text;
    for (const Value &value : args) {
        const char16_t code = char16_t(quint32(m.toInt32(value)) & 0xffff);
        if (m.version() >= 6 || code <= 0xff) {
            if (code == 0)
                break;
            text += QChar(code);
            continue;
        }
        text += QChar(char16_t(code >> 8));
        if ((code & 0xff) == 0)
            break;
        text += QChar(char16_t(code & 0xff));
    }
    return Value(text);
}

} // namespace

void installStringClass(Machine &m)
{
    Object *proto =
        m.heap().make<PrimitiveObject>(m.protos().object, Value(QString()), ObjectClass::String);
    m.protos().string = proto;
    FunctionObject *string = m.defineClass(QStringLiteral("String"), proto, call, construct);
    m.defineMethod(proto, QStringLiteral("toString"), toString);
    m.defineMethod(proto, QStringLiteral("valueOf"), toString);
    m.defineMethod(proto, QStringLiteral("charAt"), charAt);
    m.defineMethod(proto, QStringLiteral("charCodeAt"), charCodeAt);
    m.defineMethod(proto, QStringLiteral("concat"), concat);
    m.defineMethod(proto, QStringLiteral("indexOf"), indexOf);
    m.defineMethod(proto, QStringLiteral("lastIndexOf"), lastIndexOf);
    m.defineMethod(proto, QStringLiteral("slice"), slice);
    m.defineMethod(proto, QStringLiteral("substring"), substring);
    m.defineMethod(proto, QStringLiteral("substr"), substr);
    m.defineMethod(proto, QStringLiteral("split"), split);
    m.defineMethod(proto, QStringLiteral("toLowerCase"), toLowerCase);
    m.defineMethod(proto, QStringLiteral("toUpperCase"), toUpperCase);
    m.defineMethod(string, QStringLiteral("fromCharCode"), fromCharCode);
}

} // namespace swf::avm1
