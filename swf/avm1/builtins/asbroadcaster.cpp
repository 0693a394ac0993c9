// AsBroadcaster: objects that keep a list of listeners and call a method
// on each of them (Key and Mouse are such objects).
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <algorithm>

namespace swf::avm1 {

namespace {

ArrayObject *listenersOf(Machine &m, const Value &self)
{
    Object *object = self.asObject();
    return object ? asArray(m.get(object, QStringLiteral("_listeners")).asObject()) : nullptr;
}

Value addListener(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *listeners = listenersOf(m, self);
    if (!listeners)
        return Value(false);
    auto &list = listeners->elements();
    // A listener is added once.
    for (const Value &v : list) {
        if (m.strictEquals(v, args[0]))
            return Value(true);
    }
    if (list.size() < 100000)
        list.push_back(args[0]);
    return Value(true);
}

Value removeListener(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *listeners = listenersOf(m, self);
    if (!listeners)
        return Value(false);
    auto &list = listeners->elements();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (m.strictEquals(*it, args[0])) {
            list.erase(it);
            return Value(true);
        }
    }
    return Value(false);
}

// The object's broadcastMessage is whatever _global.ASnative answers for
// the built-in's number at the time, so a movie that replaced ASnative
// gets none.
Value initialize(Machine &m, const Value &, const Args &args)
{
    Object *object = args[0].asObject();
    if (!object)
        return Value();
    // What a script makes a broadcaster lists its members in for..in.
    makeBroadcaster(m, object, 0);
    const Value asNative = m.get(m.global(), QStringLiteral("ASnative"));
    Value message;
    if (asNative.isObject() && asNative.object()->isFunction()) {
        const Value number[2] = {Value(101), Value(12)};
        message = m.call(asNative, Value(), Args(number, 2));
    }
    m.defineValue(object, QStringLiteral("broadcastMessage"), message);
    for (const char *name : {"_listeners", "addListener", "removeListener", "broadcastMessage"}) {
        if (Property *p = object->properties().find(m.key(QString::fromLatin1(name)).data()))
            p->flags |= PropertyFlag::DontDelete;
    }
    return Value();
}

} // namespace

// True when the list holds any listener at all, whether or not it has a
// handler for the message.
Value broadcasterMessage(Machine &m, const Value &self, const Args &args)
{
    if (args.size() == 0)
        return Value();
    const ArrayObject *listeners = listenersOf(m, self);
    const bool any =
        listeners && std::any_of(listeners->elements().begin(), listeners->elements().end(),
                                 [](const Value &v) { return !v.isNullish(); });
    const std::vector<Value> rest(args.begin() + 1, args.end());
    m.broadcastToListeners(self, m.toString(args[0]).text(), rest);
    return any ? Value(true) : Value();
}

void makeBroadcaster(Machine &m, Object *object, quint32 flags)
{
    m.defineValue(object, QStringLiteral("_listeners"), Value(m.newLiteralArray()), flags);
    Object *broadcaster = m.get(m.global(), QStringLiteral("AsBroadcaster")).asObject();
    for (const char *name : {"addListener", "removeListener"}) {
        const QString method = QString::fromLatin1(name);
        // The own method whatever its flags: version 5 movies cannot see it.
        const Property *p =
            broadcaster ? broadcaster->properties().find(m.key(method).data()) : nullptr;
        m.defineValue(object, method, p ? p->value : Value(), flags);
    }
    // Each broadcaster has a function object of its own.
    m.defineValue(object, QStringLiteral("broadcastMessage"),
                  Value(m.newNative(broadcasterMessage)), flags);
}

void installAsBroadcaster(Machine &m)
{
    Object *broadcaster = m.newObject();
    m.defineValue(m.global(), QStringLiteral("AsBroadcaster"), Value(broadcaster));
    // Movies before version 6 see none of its methods.
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {{"initialize", initialize},
                   {"addListener", addListener},
                   {"removeListener", removeListener},
                   {"broadcastMessage", broadcasterMessage}};
    for (const auto &method : methods)
        m.defineValue(broadcaster, QString::fromLatin1(method.name),
                      Value(m.newNative(method.call)),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::OnlySwf6);
    // Key and Mouse were made before; they broadcast too, and all their
    // properties are fixed.
    for (const char *name : {"Key", "Mouse"}) {
        if (Object *object = m.get(m.global(), QString::fromLatin1(name)).asObject()) {
            makeBroadcaster(m, object);
            protectProperties(object);
            // Version 5 movies do not see them broadcast.
            for (const char *name :
                 {"_listeners", "addListener", "removeListener", "broadcastMessage"}) {
                if (Property *p =
                        object->properties().find(m.key(QString::fromLatin1(name)).data()))
                    p->flags |= PropertyFlag::OnlySwf6;
            }
        }
    }
}

} // namespace swf::avm1
