// AsBroadcaster: objects that keep a list of listeners and call a method
// on each of them (Key and Mouse are such objects).
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

ArrayObject *listenersOf(Machine &m, const Value &self)
{
    Object *object = self.asObject();
    return object
               ? dynamic_cast<ArrayObject *>(m.get(object, QStringLiteral("_listeners")).asObject())
               : nullptr;
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

Value initialize(Machine &m, const Value &, const Args &args)
{
    if (Object *object = args[0].asObject())
        makeBroadcaster(m, object);
    return Value();
}

} // namespace

Value broadcasterMessage(Machine &m, const Value &self, const Args &args)
{
    if (args.size() == 0)
        return Value();
    const std::vector<Value> rest(args.begin() + 1, args.end());
    m.broadcastToListeners(self, m.toString(args[0]).text(), rest);
    return Value();
}

void makeBroadcaster(Machine &m, Object *object)
{
    const quint32 flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    m.defineValue(object, QStringLiteral("_listeners"), Value(m.newLiteralArray()), flags);
    Object *broadcaster = m.get(m.global(), QStringLiteral("AsBroadcaster")).asObject();
    for (const char *name : {"addListener", "removeListener"}) {
        const QString method = QString::fromLatin1(name);
        m.defineValue(object, method, broadcaster ? m.get(broadcaster, method) : Value(), flags);
    }
    // Each broadcaster gets a function of its own for broadcastMessage.
    m.defineValue(object, QStringLiteral("broadcastMessage"),
                  Value(m.newNative(broadcasterMessage)), flags);
}

void installAsBroadcaster(Machine &m)
{
    Object *broadcaster = m.newObject();
    m.defineValue(m.global(), QStringLiteral("AsBroadcaster"), Value(broadcaster));
    m.defineMethod(broadcaster, QStringLiteral("initialize"), initialize);
    m.defineMethod(broadcaster, QStringLiteral("addListener"), addListener);
    m.defineMethod(broadcaster, QStringLiteral("removeListener"), removeListener);
    m.defineMethod(broadcaster, QStringLiteral("broadcastMessage"), broadcasterMessage);
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
