// Math.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <QRandomGenerator>

#include <cmath>

namespace swf::avm1 {

namespace {

// Every function of Math reads its first two arguments, the first before
// the second, whether it uses them or not; one that is missing is NaN.
struct Operands {
    double x;
    double y;
};

Operands operands(Machine &m, const Args &args)
{
    Operands o{std::nan(""), std::nan("")};
    if (args.size() > 0)
        o.x = m.toNumber(args[0]);
    if (args.size() > 1)
        o.y = m.toNumber(args[1]);
    return o;
}

template <double (*F)(double)> Value unary(Machine &m, const Value &, const Args &args)
{
    return Value(F(operands(m, args).x));
}

double roundHalfUp(double x)
{
    return std::floor(x + 0.5);
}

Value atan2(Machine &m, const Value &, const Args &args)
{
    const Operands o = operands(m, args);
    return Value(std::atan2(o.x, o.y));
}

Value pow(Machine &m, const Value &, const Args &args)
{
    const Operands o = operands(m, args);
    return Value(std::pow(o.x, o.y));
}

// max and min of the first two arguments; with none, the end of the range.
Value max(Machine &m, const Value &, const Args &args)
{
    if (args.size() == 0)
        return Value(-INFINITY);
    const Operands o = operands(m, args);
    if (std::isnan(o.x) || std::isnan(o.y))
        return Value(std::nan(""));
    return Value(std::max(o.x, o.y));
}

Value min(Machine &m, const Value &, const Args &args)
{
    if (args.size() == 0)
        return Value(INFINITY);
    const Operands o = operands(m, args);
    if (std::isnan(o.x) || std::isnan(o.y))
        return Value(std::nan(""));
    return Value(std::min(o.x, o.y));
}

Value random(Machine &m, const Value &, const Args &args)
{
    operands(m, args);
    return Value(QRandomGenerator::global()->generateDouble());
}

} // namespace

void installMath(Machine &m)
{
    Object *math = m.newObject();
    m.defineValue(m.global(), QStringLiteral("Math"), Value(math));
    m.defineMethod(math, QStringLiteral("abs"), unary<std::fabs>);
    m.defineMethod(math, QStringLiteral("acos"), unary<std::acos>);
    m.defineMethod(math, QStringLiteral("asin"), unary<std::asin>);
    m.defineMethod(math, QStringLiteral("atan"), unary<std::atan>);
    m.defineMethod(math, QStringLiteral("ceil"), unary<std::ceil>);
    m.defineMethod(math, QStringLiteral("cos"), unary<std::cos>);
    m.defineMethod(math, QStringLiteral("exp"), unary<std::exp>);
    m.defineMethod(math, QStringLiteral("floor"), unary<std::floor>);
    m.defineMethod(math, QStringLiteral("log"), unary<std::log>);
    m.defineMethod(math, QStringLiteral("round"), unary<roundHalfUp>);
    m.defineMethod(math, QStringLiteral("sin"), unary<std::sin>);
    m.defineMethod(math, QStringLiteral("sqrt"), unary<std::sqrt>);
    m.defineMethod(math, QStringLiteral("tan"), unary<std::tan>);
    m.defineMethod(math, QStringLiteral("atan2"), atan2);
    m.defineMethod(math, QStringLiteral("pow"), pow);
    m.defineMethod(math, QStringLiteral("max"), max);
    m.defineMethod(math, QStringLiteral("min"), min);
    m.defineMethod(math, QStringLiteral("random"), random);
    const quint32 constant =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    m.defineValue(math, QStringLiteral("E"), Value(M_E), constant);
    m.defineValue(math, QStringLiteral("LN10"), Value(M_LN10), constant);
    m.defineValue(math, QStringLiteral("LN2"), Value(M_LN2), constant);
    m.defineValue(math, QStringLiteral("LOG10E"), Value(M_LOG10E), constant);
    m.defineValue(math, QStringLiteral("LOG2E"), Value(M_LOG2E), constant);
    m.defineValue(math, QStringLiteral("PI"), Value(M_PI), constant);
    m.defineValue(math, QStringLiteral("SQRT1_2"), Value(M_SQRT1_2), constant);
    m.defineValue(math, QStringLiteral("SQRT2"), Value(M_SQRT2), constant);
    protectProperties(math);
}

} // namespace swf::avm1
