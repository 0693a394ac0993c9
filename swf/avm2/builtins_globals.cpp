// The top-level functions and constants: trace, parseInt, parseFloat,
// isNaN, isFinite, escape, unescape and the URI functions.
#include "swf/avm2/natives.h"

#include <cmath>

namespace swf::avm2::builtins {
namespace {

NATIVE(traceFn)
{
    Q_UNUSED(self);
    QString line;
    for (int i = 0; i < argc; ++i) {
        if (i)
            line += QLatin1Char(' ');
        line += vm.toString(args[i]);
    }
    if (vm.options.trace)
        vm.options.trace(line);
    return Value();
}

NATIVE(isNaNFn)
{
    Q_UNUSED(self);
    return Value::boolean(std::isnan(argNumber(vm, args, argc, 0, std::nan(""))));
}

NATIVE(isFiniteFn)
{
    Q_UNUSED(self);
    return Value::boolean(std::isfinite(argNumber(vm, args, argc, 0, std::nan(""))));
}

bool isSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == 9 || u == 10 || u == 11 || u == 12 || u == 13 || u == 32 || u == 0xA0 || u == 0xFEFF ||
           u == 0x2028 || u == 0x2029 || c.category() == QChar::Separator_Space;
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'z')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z')
        return u - 'A' + 10;
    return 99;
}

NATIVE(parseIntFn)
{
    Q_UNUSED(self);
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    qsizetype i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        neg = s[i++] == u'-';
    int radix = argInt(vm, args, argc, 1, 0);
    if (radix != 0 && (radix < 2 || radix > 36))
        return Value::number(std::nan(""));
    if ((radix == 0 || radix == 16) && i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        i += 2;
        radix = 16;
    }
    if (radix == 0)
        radix = 10;
    const qsizetype start = i;
    double r = 0;
    quint64 exact = 0;
    bool fits = true;
    while (i < s.size() && digitValue(s[i]) < radix) {
        const int dv = digitValue(s[i++]);
        if (fits && exact <= (~quint64(0) - quint64(dv)) / quint64(radix))
            exact = exact * quint64(radix) + quint64(dv);
        else
            fits = false;
        r = r * radix + dv;
    }
    if (fits)
        r = double(exact);
    if (i == start)
        return Value::number(std::nan(""));
    if (radix == 10 && i - start > 15)
        r = std::strtod(s.mid(start, i - start).toLatin1().constData(), nullptr);
    return Value::number(neg ? -r : r);
}

NATIVE(parseFloatFn)
{
    Q_UNUSED(self);
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    qsizetype i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    const qsizetype start = i;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
        ++i;
    if (s.mid(i).startsWith(QLatin1String("Infinity")))
        return Value::number(s[start] == u'-' ? -INFINITY : INFINITY);
    bool digits = false;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) ++i, digits = true;
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && s[i].unicode() >= '0' && s[i].unicode() <= '9') ++i, digits = true;
    }
    if (!digits)
        return Value::number(std::nan(""));
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        const qsizetype e = j;
        while (j < s.size() && s[j].unicode() >= '0' && s[j].unicode() <= '9')
            ++j;
        if (j > e)
            i = j;
    }
    return Value::number(std::strtod(s.mid(start, i - start).toLatin1().constData(), nullptr));
}

const char kHex[] = "0123456789ABCDEF";

NATIVE(escapeFn)
{
    Q_UNUSED(self);
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    QString out;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            QByteArrayView("@-_.*+/").contains(char(u < 128 ? u : 0)) ) {
            if (u != 0) {
                out += c;
                continue;
            }
        }
        if (u < 256) {
            out += QLatin1Char('%');
            out += QLatin1Char(kHex[u >> 4]);
            out += QLatin1Char(kHex[u & 15]);
        } else {
            out += QStringLiteral("%u");
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QLatin1Char(kHex[(u >> shift) & 15]);
        }
    }
    return vm.sv(out);
}

NATIVE(unescapeFn)
{
    Q_UNUSED(self);
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'%') {
            if (i + 5 < s.size() + 0 && s[i + 1] == u'u') {
                bool ok = false;
                const int v = s.mid(i + 2, 4).toInt(&ok, 16);
                if (ok && i + 6 <= s.size()) {
                    out += QChar(char16_t(v));
                    i += 5;
                    continue;
                }
            }
            if (i + 2 < s.size()) {
                bool ok = false;
                const int v = s.mid(i + 1, 2).toInt(&ok, 16);
                if (ok && digitValue(s[i + 1]) < 16 && digitValue(s[i + 2]) < 16) {
                    out += QChar(char16_t(v));
                    i += 2;
                    continue;
                }
            }
        }
        out += s[i];
    }
    return vm.sv(out);
}

Value encode(Vm &vm, const Value *args, int argc, const char *keep, const char *fn)
{
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s[i].unicode();
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
            (u < 128 && u && std::strchr(keep, char(u)))) {
            out += s[i];
            continue;
        }
        char32_t cp = u;
        if (QChar::isLowSurrogate(u))
            vm.throwError(ErrorType::URIError, 1052, QString::fromLatin1(fn));
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 >= s.size() || !QChar::isLowSurrogate(s[i + 1].unicode()))
                vm.throwError(ErrorType::URIError, 1052, QString::fromLatin1(fn));
            cp = QChar::surrogateToUcs4(u, s[++i].unicode());
        }
        const QByteArray utf8 = QString::fromUcs4(&cp, 1).toUtf8();
        for (char b : utf8) {
            out += QLatin1Char('%');
            out += QLatin1Char(kHex[quint8(b) >> 4]);
            out += QLatin1Char(kHex[quint8(b) & 15]);
        }
    }
    return vm.sv(out);
}

Value decode(Vm &vm, const Value *args, int argc, const char *reserved, const char *fn)
{
    const QString s = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    QString out;
    const auto bad = [&] { vm.throwError(ErrorType::URIError, 1052, QString::fromLatin1(fn)); };
    const auto hexByte = [&](qsizetype at) -> int {
        if (at + 2 >= s.size() + 0 && at + 2 > s.size() - 1 + 1)
            bad();
        if (s[at] != u'%' || digitValue(s[at + 1]) > 15 || digitValue(s[at + 2]) > 15)
            bad();
        return digitValue(s[at + 1]) * 16 + digitValue(s[at + 2]);
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            bad();
        const int b = hexByte(i);
        if (b < 0x80) {
            if (b && std::strchr(reserved, char(b)))
                out += s.mid(i, 3);
            else
                out += QChar(char16_t(b));
            i += 2;
            continue;
        }
        int n = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (!n)
            bad();
        QByteArray bytes(1, char(b));
        for (int k = 1; k < n; ++k) {
            const qsizetype at = i + 3 * k;
            if (at + 2 >= s.size())
                bad();
            const int c = hexByte(at);
            if ((c & 0xC0) != 0x80)
                bad();
            bytes += char(c);
        }
        const QString dec = QString::fromUtf8(bytes);
        if (dec.contains(QChar::ReplacementCharacter))
            bad();
        out += dec;
        i += 3 * n - 1;
    }
    return vm.sv(out);
}

NATIVE(encodeURIFn) { Q_UNUSED(self); return encode(vm, args, argc, "-_.!~*'();/?:@&=+$,#", "encodeURI"); }
NATIVE(encodeURIComponentFn) { Q_UNUSED(self); return encode(vm, args, argc, "-_.!~*'()", "encodeURIComponent"); }
NATIVE(decodeURIFn) { Q_UNUSED(self); return decode(vm, args, argc, ";/?:@&=+$,#", "decodeURI"); }
NATIVE(decodeURIComponentFn) { Q_UNUSED(self); return decode(vm, args, argc, "", "decodeURIComponent"); }

NATIVE(isXMLNameFn)
{
    Q_UNUSED(self);
    const QString s = argString(vm, args, argc, 0, QString());
    if (s.isEmpty() || !(s[0].isLetter() || s[0] == u'_'))
        return Value::boolean(false);
    for (QChar c : s) {
        if (!(c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.'))
            return Value::boolean(false);
    }
    return Value::boolean(true);
}

} // namespace

void installGlobals(Vm &vm)
{
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } fns[] = {
        {"trace", traceFn, 1}, {"isNaN", isNaNFn, 1}, {"isFinite", isFiniteFn, 1},
        {"parseInt", parseIntFn, 2}, {"parseFloat", parseFloatFn, 1}, {"escape", escapeFn, 1},
        {"unescape", unescapeFn, 1}, {"encodeURI", encodeURIFn, 1},
        {"encodeURIComponent", encodeURIComponentFn, 1}, {"decodeURI", decodeURIFn, 1},
        {"decodeURIComponent", decodeURIComponentFn, 1}, {"isXMLName", isXMLNameFn, 1},
    };
    for (const auto &f : fns)
        defineGlobal(vm, QString(), QString::fromLatin1(f.name),
                     Value::object(nativeFunction(vm, QString::fromLatin1(f.name), f.fn, f.length)));
    defineGlobal(vm, QString(), QStringLiteral("NaN"), Value::number(std::nan("")));
    defineGlobal(vm, QString(), QStringLiteral("Infinity"), Value::number(INFINITY));
    defineGlobal(vm, QString(), QStringLiteral("undefined"), Value());
}

} // namespace swf::avm2::builtins
