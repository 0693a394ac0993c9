// The connections of a standalone player without network: NetConnection
// connects only to null (local files), NetStream finds no stream it cannot
// read, XMLSocket never connects, and LocalConnection joins the
// connections of this one player.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <map>

namespace swf::avm1 {

namespace {

constexpr quint32 kHidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

bool isFunction(const Value &value)
{
    return value.isObject() && value.object()->isFunction();
}

// Answers scripts wait for, given at the end of the frame: a method of an
// object called with its arguments.
class ConnectionEvents final : public MachineExtension {
public:
    struct Event {
        Object *target = nullptr;
        QString method;
        std::vector<Value> args;
    };
    std::vector<Event> pending;
    // LocalConnection names taken in this player, and who took them.
    std::map<QString, Object *> localNames;

    void markRoots(Heap &heap) override
    {
        for (const Event &event : pending) {
            heap.mark(event.target);
            for (const Value &arg : event.args)
                heap.mark(arg);
        }
        for (const auto &[name, owner] : localNames)
            heap.mark(owner);
    }

    void frameEnded(Machine &m) override
    {
        const std::vector<Event> due = std::exchange(pending, {});
        for (const Event &event : due) {
            const Value handler = m.get(event.target, event.method);
            // A status nobody takes goes to System.onStatus.
            Object *system = m.get(m.global(), QStringLiteral("System")).asObject();
            if (event.method == QLatin1String("onStatus") && !isFunction(handler) && system)
                m.call(m.get(system, event.method), Value(system), Args(event.args));
            else
                m.call(handler, Value(event.target), Args(event.args));
        }
    }
};

ConnectionEvents &events(Machine &m)
{
    return *m.extension<ConnectionEvents>();
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

Value statusInfo(Machine &m, const QString &code, const QString &level)
{
    Object *info = m.newObject();
    m.set(info, QStringLiteral("code"), Value(code));
    m.set(info, QStringLiteral("level"), Value(level));
    return Value(info);
}

// connect(null) opens the local connection at once; any server fails.
Value netConnectionConnect(Machine &m, const Value &self, const Args &args)
{
    Object *connection = self.asObject();
    if (!connection)
        return Value();
    const bool local = args[0].isNull();
    const Value info = local ? statusInfo(m, QStringLiteral("NetConnection.Connect.Success"),
                                          QStringLiteral("status"))
                             : statusInfo(m, QStringLiteral("NetConnection.Connect.Failed"),
                                          QStringLiteral("error"));
    m.set(connection, QStringLiteral("isConnected"), Value(local));
    m.call(m.get(connection, QStringLiteral("onStatus")), self, Args(&info, 1));
    return Value(local);
}

// play(name): a stream that cannot be read is reported at the frame's end.
Value netStreamPlay(Machine &m, const Value &self, const Args &args)
{
    Object *stream = self.asObject();
    if (!stream || args.size() == 0)
        return Value();
    if (!m.services().loadData(m.toString(args[0]).text()))
        events(m).pending.push_back({stream,
                                     QStringLiteral("onStatus"),
                                     {statusInfo(m, QStringLiteral("NetStream.Play.StreamNotFound"),
                                                 QStringLiteral("error"))}});
    return Value();
}

// connect(host, port) starts, and onConnect(false) tells it failed.
Value xmlSocketConnect(Machine &m, const Value &self, const Args &)
{
    Object *socket = self.asObject();
    if (!socket)
        return Value(false);
    events(m).pending.push_back({socket, QStringLiteral("onConnect"), {Value(false)}});
    return Value(true);
}

// A LocalConnection name: given names cannot hold a colon, and the
// player's connection names are compared without case.
QString connectionName(Machine &m, const Value &name)
{
    return m.toString(name).text().toLower();
}

Value localConnect(Machine &m, const Value &self, const Args &args)
{
    Object *connection = self.asObject();
    if (!connection || !args[0].isString())
        return Value(false);
    const QString name = connectionName(m, args[0]);
    auto &names = events(m).localNames;
    if (name.isEmpty() || name.contains(QLatin1Char(':')) || names.count(name))
        return Value(false);
    for (const auto &[taken, owner] : names) {
        if (owner == connection)
            return Value(false);
    }
    names.emplace(name, connection);
    return Value(true);
}

Value localClose(Machine &m, const Value &self, const Args &)
{
    auto &names = events(m).localNames;
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (it->second == self.asObject()) {
            names.erase(it);
            break;
        }
    }
    return Value();
}

// send(name, method, ...): the connection that took the name runs the
// method at the frame's end; the sender hears of it through onStatus.
Value localSend(Machine &m, const Value &self, const Args &args)
{
    Object *sender = self.asObject();
    if (!sender || args.size() < 2)
        return Value(false);
    auto &e = events(m);
    const auto receiver = e.localNames.find(connectionName(m, args[0]));
    const bool found = receiver != e.localNames.end();
    if (found)
        e.pending.push_back({receiver->second, m.toString(args[1]).text(),
                             std::vector<Value>(args.begin() + 2, args.end())});
    e.pending.push_back(
        {sender,
         QStringLiteral("onStatus"),
         {statusInfo(m, QString(), found ? QStringLiteral("status") : QStringLiteral("error"))}});
    return Value(true);
}

// onData(source): the text that came is read as XML and given to onXML.
Value xmlSocketData(Machine &m, const Value &self, const Args &args)
{
    Object *socket = self.asObject();
    if (!socket)
        return Value();
    const Value xml = m.construct(m.get(m.global(), QStringLiteral("XML")), args);
    m.call(m.get(socket, QStringLiteral("onXML")), self, Args(&xml, 1));
    return Value();
}

Value localDomain(Machine &, const Value &, const Args &)
{
    return Value(QStringLiteral("localhost"));
}

struct Method {
    const char *name;
    NativeFunction call;
};

Object *defineConnectionClass(Machine &m, const char *name, std::initializer_list<Method> methods)
{
    Object *prototype = m.newObject();
    m.defineClass(QString::fromLatin1(name), prototype, nothing);
    for (const Method &method : methods)
        m.defineValue(prototype, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      kHidden);
    return prototype;
}

} // namespace

void installConnections(Machine &m)
{
    m.addExtension(std::make_unique<ConnectionEvents>());
    defineConnectionClass(m, "NetConnection",
                          {{"addHeader", nothing},
                           {"call", nothing},
                           {"close", nothing},
                           {"connect", netConnectionConnect}});
    defineConnectionClass(m, "NetStream",
                          {{"attachAudio", nothing},
                           {"attachVideo", nothing},
                           {"close", nothing},
                           {"pause", nothing},
                           {"play", netStreamPlay},
                           {"publish", nothing},
                           {"receiveAudio", nothing},
                           {"receiveVideo", nothing},
                           {"seek", nothing},
                           {"send", nothing},
                           {"setBufferTime", nothing}});
    Object *socket = defineConnectionClass(
        m, "XMLSocket", {{"close", nothing}, {"connect", xmlSocketConnect}, {"send", nothing}});
    // The player writes this one in ActionScript: it has a prototype.
    FunctionObject *onData = m.newNative(xmlSocketData);
    Object *onDataProto = m.newObject();
    m.defineValue(onData, QStringLiteral("prototype"), Value(onDataProto), kHidden);
    m.defineValue(onDataProto, QStringLiteral("constructor"), Value(onData), kHidden);
    m.defineValue(socket, QStringLiteral("onData"), Value(onData), kHidden);
    defineConnectionClass(m, "LocalConnection",
                          {{"close", localClose},
                           {"connect", localConnect},
                           {"domain", localDomain},
                           {"send", localSend}});
}

} // namespace swf::avm1
