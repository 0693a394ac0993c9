// Function: call and apply.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <cmath>

namespace swf::avm1 {

namespace {

Value functionConstructor(Machine &m, const Value &, const Args &)
{
    // Functions are made by DefineFunction; new Function() gives an empty
    // object of Function's prototype.
    Object *object = m.newObject();
    m.setPrototypeOf(object, m.protos().function);
    return Value(object);
}

// this: null and undefined stand for the global object.
Value thisFor(Machine &m, const Value &value)
{
    return value.isNullish() ? Value(m.global()) : value;
}

Value call(Machine &m, const Value &self, const Args &args)
{
    std::vector<Value> rest(args.size() > 1 ? args.begin() + 1 : args.end(), args.end());
    return m.call(self, thisFor(m, args[0]), Args(rest));
}

// apply(this, list): the list may be any object with a length; an
// undefined `this` stays undefined.
Value apply(Machine &m, const Value &self, const Args &args)
{
    std::vector<Value> list;
    if (auto *array = asArray(args[1].asObject())) {
        list = array->elements();
    } else if (Object *object = args[1].asObject()) {
        const double length = m.toNumber(m.get(object, QStringLiteral("length")));
        const int count = std::isnan(length) ? 0 : int(qBound(0.0, length, 65535.0));
        for (int i = 0; i < count; ++i)
            list.push_back(m.get(object, QString::number(i)));
    }
    return m.call(self, args[0].isUndefined() ? Value() : thisFor(m, args[0]), Args(list));
}

} // namespace

void installFunctionClass(Machine &m)
{
    Object *proto = m.protos().function;
    FunctionObject *constructor = m.defineClass(QString(), proto, functionConstructor);
    m.protos().functionClass = constructor;
    // The class itself is not a global for version 5 movies.
    m.defineValue(m.global(), QStringLiteral("Function"), Value(constructor),
                  PropertyFlag::DontEnum | PropertyFlag::OnlySwf6);
    // call and apply came after version 5.
    const quint32 since6 =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf6;
    m.defineValue(proto, QStringLiteral("call"), Value(m.newNative(call)), since6);
    m.defineValue(proto, QStringLiteral("apply"), Value(m.newNative(apply)), since6);
    // Object came before Function: it gets its constructor link now, and
    // all its own properties are fixed.
    if (Object *object = m.get(m.global(), QStringLiteral("Object")).asObject()) {
        m.linkFunction(object);
        protectProperties(object);
    }
}

} // namespace swf::avm1
