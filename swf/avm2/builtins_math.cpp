// Math.
#include "swf/avm2/natives.h"

#include <QRandomGenerator>

#include <cmath>

namespace swf::avm2::builtins {
namespace {

double num(Vm &vm, const Value *args, int argc, int i)
{
    return argNumber(vm, args, argc, i, std::nan(""));
}

#define MATH1(name, expr)                                \
    NATIVE(name)                                         \
    {                                                    \
        Q_UNUSED(self);                                  \
        const double x = num(vm, args, argc, 0);         \
        return Value::number(expr);                      \
    }

MATH1(mathAbs, std::fabs(x))
MATH1(mathAcos, std::acos(x))
MATH1(mathAsin, std::asin(x))
MATH1(mathAtan, std::atan(x))
MATH1(mathCeil, std::ceil(x))
MATH1(mathCos, std::cos(x))
MATH1(mathExp, std::exp(x))
MATH1(mathFloor, std::floor(x))
MATH1(mathLog, std::log(x))
MATH1(mathSin, std::sin(x))
MATH1(mathSqrt, std::sqrt(x))
MATH1(mathTan, std::tan(x))

NATIVE(mathRound)
{
    Q_UNUSED(self);
    const double x = num(vm, args, argc, 0);
    if (!std::isfinite(x) || x == 0)
        return Value::number(x);
    if (x < 0 && x >= -0.5)
        return Value::number(-0.0);
    return Value::number(std::floor(x + 0.5));
}

NATIVE(mathAtan2)
{
    Q_UNUSED(self);
    return Value::number(std::atan2(num(vm, args, argc, 0), num(vm, args, argc, 1)));
}

NATIVE(mathPow)
{
    Q_UNUSED(self);
    const double x = num(vm, args, argc, 0), y = num(vm, args, argc, 1);
    if (std::isnan(y) || (std::fabs(x) == 1 && std::isinf(y)))
        return Value::number(std::nan(""));
    return Value::number(std::pow(x, y));
}

Value minMax(Vm &vm, const Value *args, int argc, bool isMax)
{
    double r = isMax ? -INFINITY : INFINITY;
    for (int i = 0; i < argc; ++i) {
        const double x = vm.toNumber(args[i]);
        if (std::isnan(x))
            return Value::number(std::nan(""));
        if (isMax ? (x > r || (x == 0 && r == 0 && !std::signbit(x))) : (x < r || (x == 0 && r == 0 && std::signbit(x))))
            r = x;
    }
    return Value::number(r);
}

NATIVE(mathMax)
{
    Q_UNUSED(self);
    return minMax(vm, args, argc, true);
}

NATIVE(mathMin)
{
    Q_UNUSED(self);
    return minMax(vm, args, argc, false);
}

NATIVE(mathRandom)
{
    Q_UNUSED(vm);
    Q_UNUSED(self);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value::number(QRandomGenerator::global()->generateDouble());
}

Value mathConstruct(Vm &vm, ClassObject *, const Value *, int)
{
    vm.throwError(ErrorType::TypeError, 1076);
}

Value mathCall(Vm &vm, const Value &, const Value *, int)
{
    vm.throwError(ErrorType::TypeError, 1075);
}

void addConstants(ClassBuilder &c)
{
    const struct {
        const char *name;
        double value;
    } constants[] = {
        {"E", M_E}, {"LN10", M_LN10}, {"LN2", M_LN2}, {"LOG10E", M_LOG10E},
        {"LOG2E", M_LOG2E}, {"PI", M_PI}, {"SQRT1_2", M_SQRT1_2}, {"SQRT2", M_SQRT2},
    };
    for (const auto &k : constants)
        c.constant(QString::fromLatin1(k.name), Value::number(k.value));
}

} // namespace

void installMath(Vm &vm)
{
    ClassBuilder c(vm, QString(), QStringLiteral("Math"), vm.objectClass);
    c.finalClass().construct(mathConstruct).callAs(mathCall);
    addConstants(c);
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } fns[] = {
        {"abs", mathAbs, 1}, {"acos", mathAcos, 1}, {"asin", mathAsin, 1}, {"atan", mathAtan, 1},
        {"atan2", mathAtan2, 2}, {"ceil", mathCeil, 1}, {"cos", mathCos, 1}, {"exp", mathExp, 1},
        {"floor", mathFloor, 1}, {"log", mathLog, 1}, {"max", mathMax, 2}, {"min", mathMin, 2},
        {"pow", mathPow, 2}, {"random", mathRandom, 0}, {"round", mathRound, 1}, {"sin", mathSin, 1},
        {"sqrt", mathSqrt, 1}, {"tan", mathTan, 1},
    };
    for (const auto &f : fns)
        c.staticMethod(QString::fromLatin1(f.name), f.fn, f.length);
    // From SWF 16 on, Number carries Math's functions and constants too.
    if (vm.options.swfVersion < 16)
        return;
    ClassBuilder n(vm, vm.numberClass);
    for (const auto &f : fns)
        n.staticMethod(QString::fromLatin1(f.name), f.fn, f.length);
    addConstants(n);
}

} // namespace swf::avm2::builtins
