// LoadVars: variables sent and loaded in URL encoding, kept as the
// object's own properties.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/dataloads.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/urlvariables.h"

namespace swf::avm1 {

namespace {

Value construct(Machine &, const Value &, const Args &)
{
    return Value();
}

Value decode(Machine &m, const Value &self, const Args &args)
{
    Object *object = self.asObject();
    if (!object)
        return Value();
    if (args.size() == 0)
        return Value(false);
    for (const auto &[name, value] : decodeUrlVariables(m.toString(args[0]).text(), m.version()))
        m.set(object, name, Value(value));
    return Value();
}

// name=value pairs of the enumerable variables, each part through the
// movie's escape(), joined by '&'.
Value toString(Machine &m, const Value &self, const Args &)
{
    Object *object = self.asObject();
    if (!object)
        return Value();
    const Value escape = m.get(m.global(), QStringLiteral("escape"));
    ArrayObject *pairs = m.newArray();
    const Value push = m.get(pairs, QStringLiteral("push"));
    std::vector<StrRef> names;
    m.enumerableNames(object, names);
    for (const StrRef &name : names) {
        const Value value = m.get(object, m.key(name.data()));
        if (value.asObject() && value.asObject()->isFunction())
            continue;
        const std::vector<Value> nameArg{Value(name)};
        const QString escapedName = m.toString(m.call(escape, Value(), Args(nameArg))).text();
        const std::vector<Value> valueArg{value};
        const QString escapedValue = m.toString(m.call(escape, Value(), Args(valueArg))).text();
        const std::vector<Value> pair{Value(escapedName + QLatin1Char('=') + escapedValue)};
        m.call(push, Value(static_cast<Object *>(pairs)), Args(pair));
        if (m.aborted())
            return Value();
    }
    const std::vector<Value> separator{Value(QStringLiteral("&"))};
    return m.call(m.get(pairs, QStringLiteral("join")), Value(static_cast<Object *>(pairs)),
                  Args(separator));
}

Value onData(Machine &m, const Value &self, const Args &args)
{
    return onDataWith(m, self, args, QStringLiteral("decode"));
}

} // namespace

void installLoadVars(Machine &m)
{
    DataLoads::of(m);
    Object *proto = m.newObject();
    m.defineClass(QStringLiteral("LoadVars"), proto, construct);
    // A class of later players: movies of version 5 see it, but none of
    // its members.
    constexpr quint32 hidden =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf6;
    m.defineValue(proto, QStringLiteral("contentType"),
                  Value(QStringLiteral("application/x-www-form-urlencoded")), hidden);
    defineMethods(m, proto,
                  {
                      {"addRequestHeader", addRequestHeaderMethod, true},
                      {"decode", decode, false},
                      {"getBytesLoaded", getBytesLoadedMethod, true},
                      {"getBytesTotal", getBytesTotalMethod, true},
                      {"load", loadMethod, false},
                      {"onData", onData, true},
                      {"onLoad", onLoadMethod, true},
                      {"send", sendMethod, false},
                      {"sendAndLoad", sendAndLoadMethod, false},
                      {"toString", toString, true},
                  },
                  hidden);
}

} // namespace swf::avm1
