// The connections of a standalone player without network: NetConnection
// connects only to null (local files), NetStream plays FLV files (it tells
// their metadata, status and picture size; the pictures are not shown),
// XMLSocket never connects, and LocalConnection joins the connections of
// this one player.
#include "swf/amf/amf0.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

#include <QSize>

#include <cmath>
#include <map>

namespace swf::avm1 {

namespace {

constexpr quint32 kHidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

bool isFunction(const Value &value)
{
    return value.isObject() && value.object()->isFunction();
}

// What a NetStream learns from an FLV file: the value of its onMetaData
// script tag, the size of its first picture and how long it plays.
struct FlvFacts {
    amf::Graph graph;
    int metadata = -1; // object of graph
    QSize pictureSize;
    double durationMs = 0;
};

quint32 bigEndian(QByteArrayView data, qint64 at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | quint8(data[at + i]);
    return v;
}

// Bits from the front of a byte run, most significant first.
class BitReader {
public:
    explicit BitReader(QByteArrayView data) : m_data(data) {}
    bool take(int count, quint32 &out)
    {
        out = 0;
        for (int i = 0; i < count; ++i, ++m_bit) {
            if (m_bit / 8 >= m_data.size())
                return false;
            out = (out << 1) | ((quint8(m_data[m_bit / 8]) >> (7 - m_bit % 8)) & 1);
        }
        return true;
    }

private:
    QByteArrayView m_data;
    qint64 m_bit = 0;
};

// The picture size a video tag's header announces, for the codecs whose
// headers carry it: Sorenson H.263, Screen Video 1 and 2, VP6.
QSize pictureSizeOf(int codec, QByteArrayView data)
{
    BitReader bits(data);
    quint32 a = 0;
    quint32 b = 0;
    switch (codec) {
    case 2: {
        quint32 skip = 0;
        quint32 format = 0;
        if (!bits.take(17 + 5 + 8, skip) || !bits.take(3, format))
            return {};
        if (format <= 1) {
            const int width = format == 0 ? 8 : 16;
            if (!bits.take(width, a) || !bits.take(width, b))
                return {};
            return QSize(int(a), int(b));
        }
        static const QSize kFixed[] = {{352, 288}, {176, 144}, {128, 96}, {320, 240}, {160, 120}};
        return format <= 6 ? kFixed[format - 2] : QSize();
    }
    case 3:
    case 6:
        if (!bits.take(4, b) || !bits.take(12, a) || !bits.take(4, b) || !bits.take(12, b))
            return {};
        return QSize(int(a), int(b));
    case 4:
    case 5: {
        // An adjustment byte (and for alpha an offset), then a key frame's
        // size in macroblocks.
        const qint64 start = codec == 5 ? 4 : 1;
        if (data.size() < start + 6 || (quint8(data[start]) & 0x80))
            return {};
        const bool skipOffset = (quint8(data[start]) & 1) || !(quint8(data[start + 1]) & 0x06);
        const qint64 at = start + 2 + (skipOffset ? 2 : 0);
        if (data.size() < at + 2)
            return {};
        const int adjust = quint8(data[0]);
        return QSize(quint8(data[at + 1]) * 16 - (adjust >> 4),
                     quint8(data[at]) * 16 - (adjust & 0x0f));
    }
    default:
        return {};
    }
}

// Reads the tags of an FLV file, every length checked against the data.
std::optional<FlvFacts> readFlv(QByteArrayView data)
{
    if (data.size() < 9 || !data.startsWith("FLV"))
        return std::nullopt;
    FlvFacts facts;
    qint64 at = qint64(bigEndian(data, 5, 4)) + 4;
    double lastMs = 0;
    while (at >= 0 && at + 11 <= data.size()) {
        const int type = quint8(data[at]) & 0x1f;
        const qint64 size = bigEndian(data, at + 1, 3);
        const double ms =
            double(bigEndian(data, at + 4, 3) | (quint32(quint8(data[at + 7])) << 24));
        const qint64 body = at + 11;
        if (body + size > data.size())
            break;
        const QByteArrayView payload = data.sliced(body, size);
        lastMs = std::max(lastMs, ms);
        if (type == 18 && facts.metadata < 0) {
            amf::Decoder decoder(payload, facts.graph);
            const auto name = decoder.readValue();
            if (name && name->text == QLatin1String("onMetaData")) {
                const auto value = decoder.readValue();
                if (value && value->type == amf::Type::Object)
                    facts.metadata = value->object;
            }
        } else if (type == 9 && facts.pictureSize.isEmpty() && size > 1) {
            facts.pictureSize = pictureSizeOf(quint8(payload[0]) & 0x0f, payload.sliced(1));
        }
        at = body + size + 4;
    }
    facts.durationMs = lastMs;
    if (facts.metadata >= 0) {
        for (const auto &[name, value] : facts.graph.objects[size_t(facts.metadata)].members) {
            if (name == QLatin1String("duration") && value.type == amf::Type::Number &&
                std::isfinite(value.number) && value.number > 0)
                facts.durationMs = value.number * 1000;
        }
    }
    return facts;
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
    // A NetStream playing a file: it starts, empties its buffer once the
    // whole file is in, shows pictures and stops when its time is up.
    struct Playing {
        Object *stream = nullptr;
        std::shared_ptr<const FlvFacts> facts;
        int stage = 0;
        double elapsedMs = 0;
    };
    std::vector<Event> pending;
    std::vector<Playing> playing;
    // The picture size each stream shows once it plays, and the stream
    // each Video object shows.
    std::map<Object *, QSize> shownSizes;
    std::map<Object *, Object *> attachedStreams;
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
        for (const Playing &p : playing)
            heap.mark(p.stream);
        for (const auto &[stream, size] : shownSizes)
            heap.mark(stream);
        for (const auto &[video, stream] : attachedStreams) {
            heap.mark(video);
            heap.mark(stream);
        }
    }

    void advanceStreams(Machine &m);

    void frameEnded(Machine &m) override
    {
        advanceStreams(m);
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

Value statusInfo(Machine &m, const QString &code, const QString &level);

void ConnectionEvents::advanceStreams(Machine &m)
{
    const double frameMs = 1000.0 / std::max(m.movie().frameRate(), 0.01);
    const auto status = [&](Object *stream, const char *code) {
        pending.push_back({stream,
                           QStringLiteral("onStatus"),
                           {statusInfo(m, QString::fromLatin1(code), QStringLiteral("status"))}});
    };
    for (auto it = playing.begin(); it != playing.end();) {
        Playing &p = *it;
        switch (p.stage++) {
        case 0:
            status(p.stream, "NetStream.Play.Start");
            if (p.facts->metadata >= 0) {
                Object *info = m.newObject();
                fromAmf(m, p.facts->graph, p.facts->metadata, info);
                pending.push_back({p.stream, QStringLiteral("onMetaData"), {Value(info)}});
            }
            break;
        case 1:
            // The whole file is in before the buffer is full: it is
            // flushed, and the pictures begin with the next frame.
            status(p.stream, "NetStream.Buffer.Flush");
            break;
        default:
            shownSizes[p.stream] = p.facts->pictureSize;
            p.elapsedMs += frameMs;
            if (p.elapsedMs < p.facts->durationMs)
                break;
            status(p.stream, "NetStream.Play.Stop");
            it = playing.erase(it);
            continue;
        }
        ++it;
    }
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

// play(name): an FLV file plays from the next frame on; a stream that
// cannot be read is reported at the frame's end.
Value netStreamPlay(Machine &m, const Value &self, const Args &args)
{
    Object *stream = self.asObject();
    if (!stream || args.size() == 0)
        return Value();
    auto &e = events(m);
    std::erase_if(e.playing, [&](const auto &p) { return p.stream == stream; });
    e.shownSizes.erase(stream);
    const auto data = m.services().loadData(m.toString(args[0]).text());
    auto facts = data ? readFlv(*data) : std::nullopt;
    if (!facts) {
        e.pending.push_back({stream,
                             QStringLiteral("onStatus"),
                             {statusInfo(m, QStringLiteral("NetStream.Play.StreamNotFound"),
                                         QStringLiteral("error"))}});
        return Value();
    }
    e.playing.push_back({stream, std::make_shared<const FlvFacts>(std::move(*facts))});
    return Value();
}

// video.attachVideo(stream): the Video object shows the stream's pictures.
Value videoAttach(Machine &m, const Value &self, const Args &args)
{
    if (Object *video = self.asObject()) {
        if (Object *stream = args[0].asObject())
            events(m).attachedStreams[video] = stream;
        else
            events(m).attachedStreams.erase(video);
    }
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
    if (Object *video = m.protos().video) {
        m.defineValue(video, QStringLiteral("attachVideo"), Value(m.newNative(videoAttach)),
                      kHidden);
    }
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
