// Functions of the global object: number parsing, URL escaping,
// intervals, ASSetPropFlags and the few values that live there.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/io/reader.h"
#include "swf/runtime/player.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

int digitValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return c.unicode() - '0';
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return c.unicode() - 'a' + 10;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return c.unicode() - 'A' + 10;
    return 99;
}

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QChar(0x0b) || c == QChar(0x0c);
}

// parseInt: an optional sign, then digits of the radix; 0x means 16 and a
// leading 0 means 8 when no radix is given, as in the Flash Player.
Value parseInt(Machine &m, const Value &, const Args &args)
{
    const QString text = m.toString(args[0]).text();
    int radix = args.size() > 1 && !args[1].isUndefined() ? m.toInt32(args[1]) : 0;
    const auto hexAt = [&text](int at) {
        return at + 1 < text.size() && text[at] == QLatin1Char('0') &&
               (text[at + 1] == QLatin1Char('x') || text[at + 1] == QLatin1Char('X'));
    };
    const auto isSign = [&text](int at) {
        return at < text.size() && (text[at] == QLatin1Char('-') || text[at] == QLatin1Char('+'));
    };
    // "0x" counts only as the very first characters, and then for every
    // radix; the sign comes after it. A sign before it gives NaN. Without
    // a radix, a string of octal digits only that starts with 0 is octal.
    int i = 0;
    bool negative = false;
    if (hexAt(0)) {
        i = 2;
        if (radix == 0)
            radix = 16;
        if (isSign(i))
            negative = text[i++] == QLatin1Char('-');
    } else if (isSign(0) && hexAt(1)) {
        return Value(std::nan(""));
    } else {
        while (i < text.size() && isSpace(text[i]))
            ++i;
        if (isSign(i))
            negative = text[i++] == QLatin1Char('-');
        const bool octal = text.size() > 1 && text[0] == QLatin1Char('0') &&
                           std::all_of(text.begin(), text.end(), [](QChar c) {
                               return c >= QLatin1Char('0') && c <= QLatin1Char('7');
                           });
        if (radix == 0)
            radix = octal ? 8 : 10;
    }
    if (radix < 2 || radix > 36)
        return Value(std::nan(""));
    double value = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        const int d = digitValue(text[i]);
        if (d >= radix)
            break;
        value = value * radix + d;
        ++digits;
    }
    if (digits == 0)
        return Value(std::nan(""));
    return Value(negative ? -value : value);
}

// parseFloat: the longest prefix that reads as a decimal number.
Value parseFloat(Machine &m, const Value &, const Args &args)
{
    if (args.size() == 0)
        return Value();
    const QString text = m.toString(args[0]).text();
    int i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    const int start = i;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    int mantissa = 0;
    while (i < text.size() && text[i].isDigit()) {
        ++i;
        ++mantissa;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit()) {
            ++i;
            ++mantissa;
        }
    }
    if (mantissa == 0)
        return Value(std::nan(""));
    int end = i;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < text.size() && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+')))
            ++j;
        const int digitsFrom = j;
        while (j < text.size() && text[j].isDigit())
            ++j;
        if (j > digitsFrom)
            end = j;
    }
    return Value(text.mid(start, end - start).toDouble());
}

Value isNaN(Machine &m, const Value &, const Args &args)
{
    return Value(std::isnan(m.toNumber(args[0])));
}

Value isFinite(Machine &m, const Value &, const Args &args)
{
    return Value(std::isfinite(m.toNumber(args[0])));
}

// From version 6 text is UTF-8 in URLs, before that one byte a character.
QByteArray urlBytes(Machine &m, const QString &text)
{
    return m.version() >= 6 ? text.toUtf8() : text.toLatin1();
}

Value escape(Machine &m, const Value &, const Args &args)
{
    const QByteArray bytes = urlBytes(m, m.toString(args[0]).text());
    QByteArray out;
    for (char c : bytes) {
        const uchar u = uchar(c);
        if ((u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z'))
            out += c;
        else
            out += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
    }
    return Value(QString::fromLatin1(out));
}

// unescape works on the string's bytes (UTF-8 from version 6): "%" and two
// hex digits is that byte, "+" a space. A "%" whose next character is no
// hex digit is dropped with that character; one with a single hex digit
// is dropped with both that follow.
Value unescape(Machine &m, const Value &, const Args &args)
{
    const QString text = m.toString(args[0]).text();
    const bool utf8 = m.version() >= 6;
    const QByteArray in = utf8 ? text.toUtf8() : text.toLatin1();
    const auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    QByteArray out;
    for (qsizetype i = 0; i < in.size();) {
        const char c = in[i];
        if (c == '%') {
            if (i + 1 < in.size() && hex(in[i + 1])) {
                if (i + 2 < in.size() && hex(in[i + 2]))
                    out += char(QByteArray(in.constData() + i + 1, 2).toInt(nullptr, 16));
                i += 3;
            } else {
                i += 2;
            }
            continue;
        }
        out += c == '+' ? ' ' : c;
        ++i;
    }
    if (utf8)
        return Value(swf::decodeUtf8(out));
    // Before version 6 nothing at all is undefined; a zero byte ends it.
    if (out.isEmpty())
        return Value();
    const qsizetype end = out.indexOf('\0');
    return Value(QString::fromLatin1(end < 0 ? out : out.left(end)));
}

// setInterval(function, ms, args…) or setInterval(object, "method", ms, args…).
Value addTimer(Machine &m, const Args &args, bool once)
{
    if (args.size() < 2)
        return Value();
    Value object;
    Value function;
    int next = 0;
    if (args[0].isObject() && args[0].object()->isFunction()) {
        function = args[0];
        next = 1;
    } else if (args[0].isObject() && args.size() >= 3) {
        object = args[0];
        function = args[1];
        next = 2;
    } else {
        return Value();
    }
    const double ms = m.toNumber(args[next]);
    std::vector<Value> rest(args.begin() + next + 1, args.end());
    return Value(m.addInterval(object, function, rest, std::isnan(ms) ? 0 : ms, once));
}

Value setInterval(Machine &m, const Value &, const Args &args)
{
    return addTimer(m, args, false);
}

Value setTimeout(Machine &m, const Value &, const Args &args)
{
    return addTimer(m, args, true);
}

Value clearInterval(Machine &m, const Value &, const Args &args)
{
    m.clearInterval(m.toInt32(args[0]));
    return Value();
}

// ASSetPropFlags(object, names, set, clear): names a comma list, an array
// of names, or null for every property.
Value setPropFlags(Machine &m, const Value &, const Args &args)
{
    Object *object = args[0].asObject();
    if (!object)
        return Value();
    const quint32 set = quint32(m.toInt32(args[2]));
    const quint32 clear = quint32(m.toInt32(args[3]));
    const auto apply = [&](Property &p) { p.flags = (p.flags & ~clear) | set; };
    if (args[1].isNull()) {
        for (Property &p : object->properties().entries())
            apply(p);
        return Value();
    }
    QStringList names;
    if (auto *array = asArray(args[1].asObject())) {
        for (const Value &v : array->elements())
            names.append(m.toString(v).text());
    } else {
        names = m.toString(args[1]).text().split(QLatin1Char(','));
    }
    for (const QString &name : names) {
        if (Property *p = object->properties().find(m.key(name).data()))
            apply(*p);
    }
    return Value();
}

Value getTimer(Machine &m, const Value &, const Args &)
{
    return Value(double(m.player().timeMs()));
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

// trace as a function value, for movies that call it through _global.
Value traceFunction(Machine &m, const Value &, const Args &args)
{
    m.trace(args[0].isUndefined() ? QStringLiteral("undefined") : m.toString(args[0]).text());
    return Value();
}

Value getVersion(Machine &, const Value &, const Args &)
{
    return Value(playerVersion());
}

} // namespace

int intArg(Machine &m, const Args &args, int index, int fallback)
{
    if (index >= args.size() || args[index].isUndefined())
        return fallback;
    const double n = m.toNumber(args[index]);
    if (std::isnan(n))
        return fallback;
    return int(qBound(-2147483648.0, std::trunc(n), 2147483647.0));
}

QString playerVersion()
{
    return QStringLiteral("LNX 9,0,280,0");
}

FunctionObject *defineScriptMethod(Machine &m, Object *target, const QString &name,
                                   NativeFunction call, quint32 flags)
{
    FunctionObject *f = m.defineClass(QString(), m.newObject(), call);
    m.defineValue(target, name, Value(f), flags);
    return f;
}

void defineMethods(Machine &m, Object *target, std::initializer_list<MethodSpec> methods,
                   quint32 flags)
{
    for (const MethodSpec &method : methods) {
        const QString name = QString::fromLatin1(method.name);
        if (method.scripted)
            defineScriptMethod(m, target, name, method.call, flags);
        else
            m.defineValue(target, name, Value(m.newNative(method.call)), flags);
    }
}

void protectProperties(Object *object)
{
    for (Property &p : object->properties().entries())
        p.flags |= PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
}

void installGlobalFunctions(Machine &m)
{
    Object *g = m.global();
    m.defineMethod(g, QStringLiteral("parseInt"), parseInt);
    m.defineMethod(g, QStringLiteral("parseFloat"), parseFloat);
    m.defineMethod(g, QStringLiteral("isNaN"), isNaN);
    m.defineMethod(g, QStringLiteral("isFinite"), isFinite);
    m.defineMethod(g, QStringLiteral("escape"), escape);
    m.defineMethod(g, QStringLiteral("unescape"), unescape);
    m.defineMethod(g, QStringLiteral("setInterval"), setInterval);
    m.defineMethod(g, QStringLiteral("clearInterval"), clearInterval);
    m.defineMethod(g, QStringLiteral("setTimeout"), setTimeout);
    // One function clears both kinds of timer.
    m.defineValue(g, QStringLiteral("clearTimeout"), m.get(g, QStringLiteral("clearInterval")));
    m.defineMethod(g, QStringLiteral("ASSetPropFlags"), setPropFlags);
    m.defineMethod(g, QStringLiteral("getTimer"), getTimer);
    m.defineMethod(g, QStringLiteral("updateAfterEvent"), nothing);
    m.defineMethod(g, QStringLiteral("showRedrawRegions"), nothing);
    m.defineMethod(g, QStringLiteral("trace"), traceFunction);
    m.defineMethod(g, QStringLiteral("getVersion"), getVersion);
    m.defineValue(g, QStringLiteral("NaN"), Value(std::nan("")));
    m.defineValue(g, QStringLiteral("Infinity"), Value(INFINITY));
    // The Flash Player's globals include an "o" that holds null.
    m.defineValue(g, QStringLiteral("o"), Value::null());
}

// Intervals run on the movie's own time, checked once a frame, those due
// in the order they fell due; one that fell due more than once since is
// called once.
int Machine::addInterval(const Value &object, const Value &function, const std::vector<Value> &args,
                         double ms, bool once)
{
    if (m_intervals.size() >= 10000)
        return 0;
    Interval interval;
    interval.id = m_nextIntervalId++;
    interval.object = object;
    interval.function = function;
    interval.args = args;
    interval.intervalMs = qMax(ms, 1.0);
    interval.nextMs = double(m_player ? m_player->timeMs() : 0) + interval.intervalMs;
    interval.once = once;
    m_intervals.push_back(std::move(interval));
    return m_intervals.back().id;
}

void Machine::clearInterval(int id)
{
    std::erase_if(m_intervals, [id](const Interval &i) { return i.id == id; });
}

void Machine::runIntervals()
{
    const double now = double(m_player->timeMs());
    std::vector<std::pair<double, int>> due;
    for (const Interval &i : m_intervals) {
        if (i.nextMs <= now)
            due.emplace_back(i.nextMs, i.id);
    }
    std::sort(due.begin(), due.end());
    for (const auto &entry : due) {
        const int id = entry.second;
        const auto it = std::find_if(m_intervals.begin(), m_intervals.end(),
                                     [id](const Interval &i) { return i.id == id; });
        if (it == m_intervals.end())
            continue;
        const Interval interval = *it;
        if (interval.once) {
            m_intervals.erase(it);
        } else {
            while (it->nextMs <= now)
                it->nextMs += it->intervalMs;
        }
        Value function = interval.function;
        Value self = interval.object;
        if (Object *object = interval.object.asObject())
            function = get(object, key(toString(interval.function).data()));
        else
            self = Value();
        call(function, self, Args(interval.args));
        if (m_aborted)
            return;
    }
}

} // namespace swf::avm1
