// String: every method of the class, RegExp arguments handed to the
// RegExp code.
#include "swf/avm2/natives.h"

#include <cmath>

namespace swf::avm2::builtins {
namespace {

QString thisString(Vm &vm, const Value &self)
{
    if (self.isString())
        return self.s->text();
    if (self.obj() && self.o == vm.stringClass->prototype)
        return QString();
    if (self.isNullish())
        vm.throwError(ErrorType::TypeError, self.isNull() ? 1009 : 1010);
    return vm.toString(self);
}

// ToInteger of an optional Number argument, clamped to [lo, hi].
double integerArg(Vm &vm, const Value *args, int argc, int i, double dflt)
{
    const double d = argNumber(vm, args, argc, i, dflt);
    if (std::isnan(d))
        return 0;
    return std::trunc(d);
}

qsizetype clampIndex(double d, qsizetype len)
{
    if (d < 0)
        return 0;
    if (d > double(len))
        return len;
    return qsizetype(d);
}

NATIVE(stringLength)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value::integer(int(thisString(vm, self).size()));
}

NATIVE(charAt)
{
    const QString s = thisString(vm, self);
    const double pos = integerArg(vm, args, argc, 0, 0);
    if (pos < 0 || pos >= double(s.size()))
        return vm.sv(QString());
    return vm.sv(QString(s[qsizetype(pos)]));
}

NATIVE(charCodeAt)
{
    const QString s = thisString(vm, self);
    const double pos = integerArg(vm, args, argc, 0, 0);
    if (pos < 0 || pos >= double(s.size()))
        return Value::number(std::nan(""));
    return Value::integer(s[qsizetype(pos)].unicode());
}

NATIVE(concat)
{
    QString s = thisString(vm, self);
    for (int i = 0; i < argc; ++i)
        s += vm.toString(args[i]);
    return vm.sv(s);
}

NATIVE(fromCharCode)
{
    Q_UNUSED(self);
    QString s;
    s.reserve(argc);
    for (int i = 0; i < argc; ++i)
        s += QChar(char16_t(vm.toUint32(args[i]) & 0xffff));
    return vm.sv(s);
}

NATIVE(indexOf)
{
    const QString s = thisString(vm, self);
    const QString search = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    const qsizetype from = clampIndex(integerArg(vm, args, argc, 1, 0), s.size());
    return Value::integer(int(s.indexOf(search, from)));
}

NATIVE(lastIndexOf)
{
    const QString s = thisString(vm, self);
    const QString search = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    const double d = argNumber(vm, args, argc, 1, 0x7fffffff);
    qsizetype from = std::isnan(d) ? s.size() : clampIndex(std::trunc(d), s.size());
    if (from + search.size() > s.size())
        from = s.size() - search.size();
    if (from < 0)
        return Value::integer(search.isEmpty() ? 0 : -1);
    return Value::integer(int(s.lastIndexOf(search, from)));
}

NATIVE(localeCompare)
{
    const QString s = thisString(vm, self);
    const QString other = argString(vm, args, argc, 0, QStringLiteral("undefined"));
    const int c = s.compare(other);
    return Value::integer(c < 0 ? -1 : (c > 0 ? 1 : 0));
}

NATIVE(match)
{
    return stringMatch(vm, thisString(vm, self), arg(args, argc, 0));
}

NATIVE(replace)
{
    return stringReplace(vm, thisString(vm, self), arg(args, argc, 0), arg(args, argc, 1));
}

NATIVE(search)
{
    return stringSearch(vm, thisString(vm, self), arg(args, argc, 0));
}

NATIVE(split)
{
    const QString s = thisString(vm, self);
    const Value limit = arg(args, argc, 1);
    const quint32 lim = limit.isUndefined() ? 0xffffffffu : vm.toUint32(limit);
    return stringSplit(vm, s, arg(args, argc, 0), lim);
}

NATIVE(slice)
{
    const QString s = thisString(vm, self);
    const qsizetype len = s.size();
    double a = integerArg(vm, args, argc, 0, 0);
    double b = integerArg(vm, args, argc, 1, 0x7fffffff);
    if (a < 0)
        a += double(len);
    if (b < 0)
        b += double(len);
    const qsizetype from = clampIndex(a, len), to = clampIndex(b, len);
    return vm.sv(to > from ? s.mid(from, to - from) : QString());
}

NATIVE(substr)
{
    const QString s = thisString(vm, self);
    const qsizetype len = s.size();
    double a = integerArg(vm, args, argc, 0, 0);
    if (a < 0)
        a = std::max(0.0, a + double(len));
    const qsizetype from = clampIndex(a, len);
    const double count = integerArg(vm, args, argc, 1, 0x7fffffff);
    const qsizetype n = clampIndex(count, len - from);
    return vm.sv(s.mid(from, n));
}

NATIVE(substring)
{
    const QString s = thisString(vm, self);
    const qsizetype len = s.size();
    qsizetype a = clampIndex(integerArg(vm, args, argc, 0, 0), len);
    qsizetype b = clampIndex(integerArg(vm, args, argc, 1, 0x7fffffff), len);
    if (a > b)
        std::swap(a, b);
    return vm.sv(s.mid(a, b - a));
}

NATIVE(toLowerCase)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(thisString(vm, self).toLower());
}

NATIVE(toUpperCase)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(thisString(vm, self).toUpper());
}

NATIVE(stringToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    if (self.obj() && self.o == vm.stringClass->prototype)
        return vm.sv(QString());
    if (!self.isString())
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("String.prototype.toString"));
    return self;
}

NATIVE(stringValueOf)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    if (self.obj() && self.o == vm.stringClass->prototype)
        return vm.sv(QString());
    if (!self.isString())
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("String.prototype.valueOf"));
    return self;
}

Value stringConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    return argc ? (args[0].isString() ? args[0] : vm.sv(vm.toString(args[0]))) : vm.sv(QString());
}

Value stringCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return stringConstruct(vm, nullptr, args, argc);
}

} // namespace

void installString(Vm &vm)
{
    vm.stringClass = ClassBuilder(vm, QString(), QStringLiteral("String"), vm.objectClass)
                         .finalClass()
                         .getter(QStringLiteral("length"), stringLength)
                         .method(QStringLiteral("charAt"), charAt, 1)
                         .method(QStringLiteral("charCodeAt"), charCodeAt, 1)
                         .method(QStringLiteral("concat"), concat, 0)
                         .method(QStringLiteral("indexOf"), indexOf, 2)
                         .method(QStringLiteral("lastIndexOf"), lastIndexOf, 2)
                         .method(QStringLiteral("localeCompare"), localeCompare, 1)
                         .method(QStringLiteral("match"), match, 1)
                         .method(QStringLiteral("replace"), replace, 2)
                         .method(QStringLiteral("search"), search, 1)
                         .method(QStringLiteral("slice"), slice, 2)
                         .method(QStringLiteral("split"), split, 2)
                         .method(QStringLiteral("substr"), substr, 2)
                         .method(QStringLiteral("substring"), substring, 2)
                         .method(QStringLiteral("toLowerCase"), toLowerCase, 0)
                         .method(QStringLiteral("toUpperCase"), toUpperCase, 0)
                         .method(QStringLiteral("toLocaleLowerCase"), toLowerCase, 0)
                         .method(QStringLiteral("toLocaleUpperCase"), toUpperCase, 0)
                         .method(QStringLiteral("toString"), stringToString, 0)
                         .method(QStringLiteral("valueOf"), stringValueOf, 0)
                         .staticMethod(QStringLiteral("fromCharCode"), fromCharCode, 0)
                         .construct(stringConstruct)
                         .callAs(stringCall)
                         .constant(QStringLiteral("length"), Value::integer(1));
}

} // namespace swf::avm2::builtins
