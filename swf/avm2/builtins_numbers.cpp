// Number, int, uint and Boolean: conversions and the Flash Player's
// number formatting (toString with a radix, toFixed, toPrecision,
// toExponential).
#include "swf/avm2/natives.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace swf::avm2::builtins {
namespace {

double thisNumber(Vm &vm, const Value &self, const char *method)
{
    if (self.isNumeric())
        return self.num();
    // The prototypes stand for zero, as ECMAScript's Number.prototype.
    if (Object *o = self.obj(); o && (o == vm.numberClass->prototype || o == vm.intClass->prototype || o == vm.uintClass->prototype))
        return 0;
    vm.throwError(ErrorType::TypeError, 1004, QString::fromLatin1(method));
}

// The exact decimal expansion of |d| with `frac` digits after the point,
// rounded half up as ECMAScript's toFixed asks.
QString fixedDigits(double d, int frac)
{
    std::vector<char> buf(400 + size_t(frac));
    std::snprintf(buf.data(), buf.size(), "%.*f", frac + 40, std::fabs(d));
    std::string s(buf.data());
    const size_t dot = s.find('.');
    std::string intPart = s.substr(0, dot);
    std::string fracPart = s.substr(dot + 1);
    const bool up = fracPart[size_t(frac)] >= '5';
    std::string digits = intPart + fracPart.substr(0, size_t(frac));
    if (up) {
        int i = int(digits.size()) - 1;
        while (i >= 0) {
            if (digits[size_t(i)] == '9') {
                digits[size_t(i)] = '0';
                --i;
            } else {
                ++digits[size_t(i)];
                break;
            }
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            intPart.insert(intPart.begin(), '0');
        }
    }
    const size_t il = intPart.size();
    std::string out = digits.substr(0, il);
    if (frac > 0)
        out += "." + digits.substr(il);
    return QString::fromLatin1(out.c_str());
}

QString radixString(double d, int radix)
{
    static const char digitChars[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    if (std::isnan(d))
        return QStringLiteral("NaN");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    const bool neg = d < 0;
    double x = std::fabs(d);
    double ip = std::floor(x);
    double fp = x - ip;
    QString intDigits;
    if (ip == 0)
        intDigits = QStringLiteral("0");
    while (ip >= 1) {
        const double q = std::floor(ip / radix);
        const int r = int(ip - q * radix);
        intDigits.prepend(QLatin1Char(digitChars[qBound(0, r, radix - 1)]));
        ip = q;
    }
    QString out = intDigits;
    if (fp > 0) {
        out += QLatin1Char('.');
        for (int i = 0; i < 52 && fp > 0; ++i) {
            fp *= radix;
            const int digit = int(fp);
            out += QLatin1Char(digitChars[digit]);
            fp -= digit;
        }
    }
    return neg ? QLatin1Char('-') + out : out;
}

QString numberToStringRadix(Vm &vm, double d, const Value *args, int argc)
{
    const Value r = arg(args, argc, 0);
    const int radix = r.isUndefined() ? 10 : vm.toInt32(r);
    if (radix < 2 || radix > 36)
        vm.throwError(ErrorType::RangeError, 1003, QString::number(radix));
    // Other radixes print the integer part only, as the Flash Player does.
    return radix == 10 ? Vm::numberToString(d) : radixString(std::trunc(d), radix);
}

NATIVE(numberToString)
{
    return vm.sv(numberToStringRadix(vm, thisNumber(vm, self, "Number.prototype.toString"), args, argc));
}

NATIVE(numberValueOf)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value::number(thisNumber(vm, self, "Number.prototype.valueOf"));
}

NATIVE(numberToFixed)
{
    const double d = thisNumber(vm, self, "Number.prototype.toFixed");
    const double f = argNumber(vm, args, argc, 0, 0);
    if (!(f >= 0 && f <= 20))
        vm.throwError(ErrorType::RangeError, 1002);
    if (std::isnan(d) || std::fabs(d) >= 1e21)
        return vm.sv(Vm::numberToString(d));
    QString s = fixedDigits(d, int(f));
    bool zero = true;
    for (QChar c : s)
        zero = zero && (c == u'0' || c == u'.');
    return vm.sv(d < 0 && !zero ? QLatin1Char('-') + s : s);
}

// Digits and exponent of |d| rounded to `p` significant digits.
std::pair<std::string, int> significant(double d, int p)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", p - 1, std::fabs(d));
    std::string s(buf);
    const size_t e = s.find('e');
    std::string digits = s.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    return {digits, std::atoi(s.c_str() + e + 1)};
}

QString exponential(const std::string &digits, int e, bool neg)
{
    std::string out = digits.substr(0, 1);
    if (digits.size() > 1)
        out += "." + digits.substr(1);
    out += (e >= 0 ? "e+" : "e-") + std::to_string(std::abs(e));
    return QString::fromLatin1(((neg ? "-" : "") + out).c_str());
}

NATIVE(numberToPrecision)
{
    const double d = thisNumber(vm, self, "Number.prototype.toPrecision");
    const Value pv = arg(args, argc, 0);
    if (pv.isUndefined())
        return vm.sv(Vm::numberToString(d));
    const double p = vm.toNumber(pv);
    if (!(p >= 1 && p <= 21))
        vm.throwError(ErrorType::RangeError, 1002);
    if (!std::isfinite(d))
        return vm.sv(Vm::numberToString(d));
    if (d == 0)
        return vm.sv(int(p) > 1 ? QStringLiteral("0.") + QString(int(p) - 1, u'0') : QStringLiteral("0"));
    const auto [digits, e] = significant(d, int(p));
    if (e < -6 || e >= int(p))
        return vm.sv(exponential(digits, e, d < 0));
    std::string out;
    if (e >= 0) {
        out = digits.substr(0, size_t(e) + 1);
        if (int(p) > e + 1)
            out += "." + digits.substr(size_t(e) + 1);
    } else {
        out = "0." + std::string(size_t(-e - 1), '0') + digits;
    }
    return vm.sv(QString::fromLatin1(((d < 0 ? "-" : "") + out).c_str()));
}

NATIVE(numberToExponential)
{
    const double d = thisNumber(vm, self, "Number.prototype.toExponential");
    if (arg(args, argc, 0).isUndefined() && std::isfinite(d)) {
        // As many digits as the number needs.
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", d);
        for (int p = 1; p <= 17; ++p) {
            std::snprintf(buf, sizeof buf, "%.*e", p - 1, d);
            if (std::strtod(buf, nullptr) == d) {
                const auto [digits, e] = significant(d, p);
                return vm.sv(exponential(digits, d == 0 ? 0 : e, d < 0));
            }
        }
    }
    const double f = argNumber(vm, args, argc, 0, 0);
    if (!(f >= 0 && f <= 20))
        vm.throwError(ErrorType::RangeError, 1002);
    if (!std::isfinite(d))
        return vm.sv(Vm::numberToString(d));
    const auto [digits, e] = significant(d, int(f) + 1);
    return vm.sv(exponential(digits, d == 0 ? 0 : e, d < 0));
}

Value numberConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    return Value::number(argc ? vm.toNumber(args[0]) : 0);
}
Value numberCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return numberConstruct(vm, nullptr, args, argc);
}
Value intConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    return Value::integer(argc ? vm.toInt32(args[0]) : 0);
}
Value intCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return intConstruct(vm, nullptr, args, argc);
}
Value uintConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    return Value::uinteger(argc ? vm.toUint32(args[0]) : 0);
}
Value uintCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return uintConstruct(vm, nullptr, args, argc);
}
Value booleanConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    return Value::boolean(argc ? vm.toBoolean(args[0]) : false);
}
Value booleanCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return booleanConstruct(vm, nullptr, args, argc);
}

NATIVE(booleanToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    if (self.obj() && self.o == vm.booleanClass->prototype)
        return vm.sv(QStringLiteral("false"));
    if (!self.isBool())
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Boolean.prototype.toString"));
    return vm.sv(self.b ? QStringLiteral("true") : QStringLiteral("false"));
}

NATIVE(booleanValueOf)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    if (self.obj() && self.o == vm.booleanClass->prototype)
        return Value::boolean(false);
    if (!self.isBool())
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Boolean.prototype.valueOf"));
    return self;
}

ClassBuilder numberLike(Vm &vm, const QString &name)
{
    ClassBuilder c(vm, QString(), name, vm.objectClass);
    c.finalClass()
        .method(QStringLiteral("toString"), numberToString, 1)
        .method(QStringLiteral("toLocaleString"), numberToString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("valueOf"), numberValueOf, 0)
        .method(QStringLiteral("toFixed"), numberToFixed, 1)
        .method(QStringLiteral("toPrecision"), numberToPrecision, 1)
        .method(QStringLiteral("toExponential"), numberToExponential, 1)
        .constant(QStringLiteral("length"), Value::integer(1));
    return c;
}

} // namespace

void installNumbers(Vm &vm)
{
    const double inf = std::numeric_limits<double>::infinity();
    vm.numberClass = numberLike(vm, QStringLiteral("Number"))
                         .construct(numberConstruct)
                         .callAs(numberCall)
                         .constant(QStringLiteral("MAX_VALUE"), Value::number(std::numeric_limits<double>::max()))
                         .constant(QStringLiteral("MIN_VALUE"), Value::number(std::numeric_limits<double>::denorm_min()))
                         .constant(QStringLiteral("NaN"), Value::number(std::nan("")))
                         .constant(QStringLiteral("NEGATIVE_INFINITY"), Value::number(-inf))
                         .constant(QStringLiteral("POSITIVE_INFINITY"), Value::number(inf));
    vm.intClass = numberLike(vm, QStringLiteral("int"))
                      .construct(intConstruct)
                      .callAs(intCall)
                      .constant(QStringLiteral("MAX_VALUE"), Value::integer(2147483647))
                      .constant(QStringLiteral("MIN_VALUE"), Value::integer(-2147483647 - 1));
    vm.uintClass = numberLike(vm, QStringLiteral("uint"))
                       .construct(uintConstruct)
                       .callAs(uintCall)
                       .constant(QStringLiteral("MAX_VALUE"), Value::uinteger(4294967295u))
                       .constant(QStringLiteral("MIN_VALUE"), Value::integer(0));
    vm.booleanClass = ClassBuilder(vm, QString(), QStringLiteral("Boolean"), vm.objectClass)
                          .finalClass()
                          .method(QStringLiteral("toString"), booleanToString, 0)
                          .method(QStringLiteral("valueOf"), booleanValueOf, 0)
                          .construct(booleanConstruct)
                          .callAs(booleanCall)
                          .constant(QStringLiteral("length"), Value::integer(1));
}

} // namespace swf::avm2::builtins
