// Object: the root of every prototype chain.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

Value construct(Machine &m, const Value &, const Args &args)
{
    if (args.size() > 0 && !args[0].isNullish())
        return Value(m.toObject(args[0]));
    return Value(m.newObject());
}

// Object(), Object(undefined) or Object(null) as a function gives an
// object of no prototype at all, which reads as undefined in sums.
Value call(Machine &m, const Value &self, const Args &args)
{
    if (args.size() == 0 || args[0].isNullish())
        return Value(m.heap().make<Object>(nullptr));
    return construct(m, self, args);
}

Value toString(Machine &, const Value &self, const Args &)
{
    // Functions inherit this one too, and read as their kind.
    if (self.isObject() && self.object()->isFunction())
        return Value(QStringLiteral("[type Function]"));
    return Value(QStringLiteral("[object Object]"));
}

Value valueOf(Machine &, const Value &self, const Args &)
{
    return self;
}

Value hasOwnProperty(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    if (!object || args.size() == 0)
        return Value(false);
    const StringData *key = m.key(m.toString(args[0]).data());
    Value ignored;
    return Value(m.hasOwnProperty(object, const_cast<StringData *>(key)) ||
                 object->getBuiltin(m, const_cast<StringData *>(key), ignored));
}

Value isPropertyEnumerable(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    if (!object)
        return Value(false);
    const Property *p = object->properties().find(m.key(m.toString(args[0]).data()));
    return Value(p && !(p->flags & PropertyFlag::DontEnum));
}

Value isPrototypeOf(Machine &m, const Value &self, const Args &args)
{
    Object *prototype = self.asObject();
    Object *object = args[0].asObject();
    if (!prototype || !object)
        return Value(false);
    int depth = 0;
    for (Object *o = m.linkedProto(object, true); o && ++depth < 256; o = m.linkedProto(o, true)) {
        if (o == prototype)
            return Value(true);
    }
    return Value(false);
}

// addProperty(name, getter, setter): false unless the name is a string,
// the getter a function and the setter a function or null; a null setter
// makes the property read-only.
Value addProperty(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    auto *getter = dynamic_cast<FunctionObject *>(args[1].asObject());
    const StrRef name = m.toString(args[0]);
    if (!object || !getter || name.text().isEmpty())
        return Value(false);
    auto *setter = dynamic_cast<FunctionObject *>(args[2].asObject());
    if (!setter && !args[2].isNull())
        return Value(false);
    const StrRef key(m.key(name.data()));
    Property *p = object->properties().find(key.data());
    if (!p)
        p = &object->properties().add(key, name);
    p->getter = getter;
    p->setter = setter;
    p->value = Value();
    return Value(true);
}

Value registerClass(Machine &m, const Value &, const Args &args)
{
    const QString name = m.toString(args[0]).text();
    const auto id = m.movie().symbols().exported(name);
    if (!id)
        return Value(false);
    m.registerClass(*id, args[1].asObject());
    return Value(true);
}

} // namespace

void installObjectClass(Machine &m)
{
    Object *proto = m.protos().object;
    FunctionObject *object = m.defineClass(QStringLiteral("Object"), proto, call, construct);
    m.defineMethod(proto, QStringLiteral("toString"), toString);
    // toLocaleString is written in ActionScript in the player: it has a
    // prototype, though hidden as the natives are.
    defineScriptMethod(m, proto, QStringLiteral("toLocaleString"), toString);
    if (Property *p = proto->properties().find(m.key(QStringLiteral("toLocaleString")).data()))
        p->flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    m.defineMethod(proto, QStringLiteral("valueOf"), valueOf);
    m.defineMethod(proto, QStringLiteral("hasOwnProperty"), hasOwnProperty);
    // Added after version 5: hidden from older movies.
    const quint32 since6 =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf6;
    m.defineValue(proto, QStringLiteral("isPropertyEnumerable"),
                  Value(m.newNative(isPropertyEnumerable)), since6);
    m.defineValue(proto, QStringLiteral("isPrototypeOf"), Value(m.newNative(isPrototypeOf)),
                  since6);
    m.defineValue(proto, QStringLiteral("addProperty"), Value(m.newNative(addProperty)), since6);
    m.defineValue(object, QStringLiteral("registerClass"), Value(m.newNative(registerClass)),
                  since6);
}

} // namespace swf::avm1
