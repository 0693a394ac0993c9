// Error: what scripts throw.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

Value construct(Machine &m, const Value &self, const Args &args)
{
    Object *error = self.asObject();
    if (!error) {
        error = m.newObject();
        m.setPrototypeOf(error, m.protos().error);
    }
    if (args.size() > 0 && !args[0].isUndefined())
        m.set(error, QStringLiteral("message"), args[0]);
    return Value(error);
}

Value toString(Machine &m, const Value &self, const Args &)
{
    Object *error = self.asObject();
    return error ? Value(m.toString(m.get(error, QStringLiteral("message")))) : Value();
}

} // namespace

void installErrorClass(Machine &m)
{
    Object *proto = m.newObject();
    m.protos().error = proto;
    m.defineClass(QStringLiteral("Error"), proto, construct);
    // Error is one of the player's ActionScript classes: all shows to for..in.
    m.defineValue(proto, QStringLiteral("message"), Value(QStringLiteral("Error")), 0);
    m.defineValue(proto, QStringLiteral("name"), Value(QStringLiteral("Error")), 0);
    defineScriptMethod(m, proto, QStringLiteral("toString"), toString);
}

} // namespace swf::avm1
