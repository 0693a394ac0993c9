// Number and Boolean.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/primitiveobject.h"

#include <cfloat>
#include <cmath>

namespace swf::avm1 {

namespace {

Value primitiveOf(const Value &self)
{
    if (Object *object = self.asObject()) {
        if (const Value *primitive = object->primitive())
            return *primitive;
    }
    return self;
}

// The number a Number method runs on: a number or a Number object; any
// other `this` (Number.prototype itself) has none.
bool numberOf(const Value &self, double &out)
{
    const Object *object = self.asObject();
    const Value value =
        object && object->objectClass() == ObjectClass::Number && object->primitive()
            ? *object->primitive()
            : self;
    if (!value.isNumber())
        return false;
    out = value.number();
    return true;
}

Value numberCall(Machine &m, const Value &, const Args &args)
{
    return Value(args.size() == 0 ? 0.0 : m.toNumber(args[0]));
}

Value numberConstruct(Machine &m, const Value &, const Args &args)
{
    const Value n(args.size() == 0 ? 0.0 : m.toNumber(args[0]));
    return Value(m.heap().make<PrimitiveObject>(m.protos().number, n, ObjectClass::Number));
}

QString inRadix(double n, int radix)
{
    if (std::isnan(n) || std::isinf(n) || radix == 10)
        return Machine::numberToString(n);
    // Other radices show the integer part, as the Flash Player does.
    qint64 v = qint64(std::trunc(qBound(-9.2e18, n, 9.2e18)));
    const bool negative = v < 0;
    quint64 u = negative ? quint64(-v) : quint64(v);
    QString out;
    do {
        const int d = int(u % quint64(radix));
        out.prepend(QChar(d < 10 ? '0' + d : 'a' + d - 10));
        u /= quint64(radix);
    } while (u);
    return negative ? QLatin1Char('-') + out : out;
}

Value numberToString(Machine &m, const Value &self, const Args &args)
{
    double n = 0;
    if (!numberOf(self, n))
        return Value();
    const int radix = intArg(m, args, 0, 10);
    return Value(inRadix(n, radix >= 2 && radix <= 36 ? radix : 10));
}

Value numberValueOf(Machine &, const Value &self, const Args &)
{
    double n = 0;
    return numberOf(self, n) ? Value(n) : Value();
}

Value booleanCall(Machine &m, const Value &, const Args &args)
{
    // Called without a value, it has nothing to convert.
    return args.size() == 0 ? Value() : Value(m.toBoolean(args[0]));
}

Value booleanConstruct(Machine &m, const Value &, const Args &args)
{
    const Value b(args.size() > 0 && m.toBoolean(args[0]));
    return Value(m.heap().make<PrimitiveObject>(m.protos().boolean, b, ObjectClass::Boolean));
}

Value booleanToString(Machine &m, const Value &self, const Args &)
{
    return Value(m.toString(Value(m.toBoolean(primitiveOf(self)))));
}

Value booleanValueOf(Machine &m, const Value &self, const Args &)
{
    return Value(m.toBoolean(primitiveOf(self)));
}

} // namespace

void installNumberAndBoolean(Machine &m)
{
    Object *numberProto = m.newObject();
    m.protos().number = numberProto;
    FunctionObject *number =
        m.defineClass(QStringLiteral("Number"), numberProto, numberCall, numberConstruct);
    m.defineMethod(numberProto, QStringLiteral("toString"), numberToString);
    m.defineMethod(numberProto, QStringLiteral("valueOf"), numberValueOf);
    const quint32 constant =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    m.defineValue(number, QStringLiteral("MAX_VALUE"), Value(DBL_MAX), constant);
    m.defineValue(number, QStringLiteral("MIN_VALUE"), Value(4.9406564584124654e-324), constant);
    m.defineValue(number, QStringLiteral("NaN"), Value(std::nan("")), constant);
    m.defineValue(number, QStringLiteral("NEGATIVE_INFINITY"), Value(-INFINITY), constant);
    m.defineValue(number, QStringLiteral("POSITIVE_INFINITY"), Value(INFINITY), constant);
    protectProperties(number);

    Object *booleanProto =
        m.heap().make<PrimitiveObject>(m.protos().object, Value(false), ObjectClass::Boolean);
    m.protos().boolean = booleanProto;
    m.defineClass(QStringLiteral("Boolean"), booleanProto, booleanCall, booleanConstruct);
    m.defineMethod(booleanProto, QStringLiteral("toString"), booleanToString);
    m.defineMethod(booleanProto, QStringLiteral("valueOf"), booleanValueOf);
}

} // namespace swf::avm1
