// SharedObject: local saved data in the Flash Player's .sol files
// (swf/amf/), one file per name in the movie's folder of the user's data
// folder. A movie's SharedObjects stay open for its life; each is written
// when the movie calls flush() and again when the movie ends.
#include "swf/amf/sharedobjectstore.h"
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/limits.h"
#include "swf/log.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <map>
#include <unordered_map>

namespace swf::avm1 {

namespace {

class SharedObject final : public Object {
public:
    SharedObject(Object *proto, QString file) : Object(proto), file(std::move(file)) {}
    ObjectClass objectClass() const override { return ObjectClass::Other; }

    QString file; // empty: kept in memory only
    // Its file could not be read: it is not written over unless asked to.
    bool unread = false;
};

// The SharedObjects a movie opened, by file (or by name, for those kept in
// memory), so getLocal gives the same object each time.
class OpenSharedObjects final : public MachineExtension {
public:
    explicit OpenSharedObjects(QString root) : store(std::move(root)) {}

    void markRoots(Heap &heap) override
    {
        for (const auto &[key, object] : open)
            heap.mark(object);
    }
    void closing(Machine &m) override;

    amf::SharedObjectStore store;
    std::map<QString, SharedObject *> open;
};

// Members scripts see and saved data keeps: enumerable own properties.
template <typename F> void forEachMember(Object *object, F f)
{
    for (const Property &p : object->properties().entries()) {
        if (!(p.flags & PropertyFlag::DontEnum) && !p.getter)
            f(p.name.text(), p.value);
    }
}

Object *globalClass(Machine &m, const char *name)
{
    return m.get(m.global(), QString::fromLatin1(name)).asObject();
}

// Script values to an AMF0 graph.
class ToAmf {
public:
    explicit ToAmf(Machine &m) : m(m), date(globalClass(m, "Date")), xml(globalClass(m, "XML")) {}

    // Writes the members of `data` into graph object `index`.
    void fill(int index, Object *data)
    {
        seen.emplace(data, index);
        members(index, data);
    }

    amf::Graph graph;

private:
    // Functions and display objects are not data: such members are left out.
    static bool kept(const Value &value)
    {
        Object *o = value.asObject();
        if (!o)
            return true;
        switch (o->objectClass()) {
        case ObjectClass::Function:
        case ObjectClass::MovieClip:
        case ObjectClass::Button:
        case ObjectClass::TextField:
            return false;
        default:
            return true;
        }
    }

    void members(int index, Object *object)
    {
        forEachMember(object, [&](const QString &name, const Value &value) {
            if (kept(value))
                add(index, name, convert(value));
        });
    }

    void add(int index, const QString &name, amf::Value value)
    {
        graph.objects[size_t(index)].members.emplace_back(name, std::move(value));
    }

    amf::Value convert(const Value &value)
    {
        switch (value.type()) {
        case ValueType::Undefined:
            return amf::Value();
        case ValueType::Null:
            return amf::Value::null();
        case ValueType::Boolean:
            return amf::Value::fromBool(value.boolean());
        case ValueType::Number:
            return amf::Value::fromNumber(value.number());
        case ValueType::String:
            return amf::Value::fromString(value.string()->text());
        case ValueType::Object:
            break;
        }
        Object *object = value.object();
        if (const auto it = seen.find(object); it != seen.end())
            return amf::Value::fromObject(it->second);
        if (const Value *primitive = object->primitive())
            return convert(*primitive);
        if (date && m.instanceOf(value, date)) {
            const Value time = m.call(m.get(object, QStringLiteral("getTime")), value, Args());
            return amf::Value::fromDate(m.toNumber(time));
        }
        if (xml && m.instanceOf(value, xml))
            return amf::Value::fromXml(m.toString(value).text());
        amf::ObjectData data;
        auto *array = asArray(object);
        if (array) {
            data.kind = amf::ObjectKind::EcmaArray;
            data.declaredLength = quint32(array->length());
        }
        const int index = graph.add(std::move(data));
        seen.emplace(object, index);
        if (array) {
            // Copied: converting an element may run a script's getTime.
            const std::vector<Value> elements = array->elements();
            for (size_t i = 0; i < elements.size(); ++i) {
                if (kept(elements[i]))
                    add(index, QString::number(i), convert(elements[i]));
            }
        }
        members(index, object);
        return amf::Value::fromObject(index);
    }

    Machine &m;
    Object *date;
    Object *xml;
    std::unordered_map<Object *, int> seen;
};

// Indices of saved arrays beyond this are dropped rather than allocated.
constexpr qint64 kMaxLoadedArrayIndex = qint64(1) << 20;

} // namespace

// An AMF0 graph to script values: every object first, then their members,
// so references and cycles land on the same objects.
void fromAmf(Machine &m, const amf::Graph &graph, int root, Object *data)
{
    std::vector<Object *> made(graph.objects.size(), nullptr);
    made[size_t(root)] = data;
    for (size_t i = 0; i < graph.objects.size(); ++i) {
        if (made[i])
            continue;
        const amf::ObjectData &object = graph.objects[i];
        if (object.kind == amf::ObjectKind::EcmaArray ||
            object.kind == amf::ObjectKind::StrictArray) {
            ArrayObject *array = m.newArray();
            array->setLength(qMin<qint64>(object.declaredLength, kMaxLoadedArrayIndex));
            made[i] = array;
        } else {
            made[i] = m.newObject();
        }
    }
    Object *date = globalClass(m, "Date");
    Object *xml = globalClass(m, "XML");
    auto convert = [&](const amf::Value &value) -> Value {
        switch (value.type) {
        case amf::Type::Undefined:
            return Value();
        case amf::Type::Null:
            return Value::null();
        case amf::Type::Boolean:
            return Value(value.boolean);
        case amf::Type::Number:
            return Value(value.number);
        case amf::Type::String:
            return Value(value.text);
        case amf::Type::Object:
            return Value(made[size_t(value.object)]);
        case amf::Type::Date:
            if (date)
                return m.construct(Value(date), Args(std::vector<Value>{Value(value.number)}));
            return Value(value.number);
        case amf::Type::Xml:
            if (xml)
                return m.construct(Value(xml), Args(std::vector<Value>{Value(value.text)}));
            return Value(value.text);
        }
        return Value();
    };
    for (size_t i = 0; i < graph.objects.size(); ++i) {
        const amf::ObjectData &object = graph.objects[i];
        auto *array = asArray(made[i]);
        for (size_t e = 0; e < object.elements.size(); ++e)
            array->elements()[e] = convert(object.elements[e]);
        if (array && object.kind == amf::ObjectKind::StrictArray)
            array->setLength(qint64(object.elements.size()));
        for (const auto &[name, member] : object.members) {
            if (array && ArrayObject::indexOf(name) >= kMaxLoadedArrayIndex)
                continue;
            m.set(made[i], name, convert(member));
        }
    }
}

namespace {

Object *dataOf(Machine &m, Object *so)
{
    return m.get(so, QStringLiteral("data")).asObject();
}

QString solName(const SharedObject *so)
{
    const QString base = so->file.section(u'/', -1);
    return base.left(base.size() - 4);
}

QByteArray encode(Machine &m, SharedObject *so, const QString &name)
{
    amf::SolFile file;
    file.name = name;
    ToAmf converter(m);
    converter.graph.objects.emplace_back();
    if (Object *data = dataOf(m, so))
        converter.fill(0, data);
    file.graph = std::move(converter.graph);
    return amf::writeSol(file);
}

bool write(Machine &m, OpenSharedObjects &opened, SharedObject *so)
{
    if (so->file.isEmpty())
        return false;
    return opened.store.save(so->file, encode(m, so, solName(so)));
}

void OpenSharedObjects::closing(Machine &m)
{
    for (const auto &[key, object] : open) {
        if (object->file.isEmpty() || object->unread)
            continue;
        // A SharedObject that never held anything leaves no file behind.
        Object *data = dataOf(m, object);
        if ((!data || data->properties().size() == 0) && !QFileInfo::exists(object->file))
            continue;
        write(m, *this, object);
    }
}

OpenSharedObjects *opened(Machine &m)
{
    if (auto *found = m.extension<OpenSharedObjects>())
        return found;
    auto made = std::make_unique<OpenSharedObjects>(m.services().sharedObjectRoot());
    OpenSharedObjects *raw = made.get();
    m.addExtension(std::move(made));
    return raw;
}

QString moviePath(Machine &m)
{
    const QUrl url(m.services().movieUrl());
    return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

Value getLocal(Machine &m, const Value &, const Args &args)
{
    const QString name = m.toString(args[0]).text();
    const QString localPath = args[1].isNullish() ? QString() : m.toString(args[1]).text();
    OpenSharedObjects &so = *opened(m);
    if (!amf::SharedObjectStore::validName(name)) {
        qCWarning(lcSwfScript).noquote() << "SharedObject name refused:" << name;
        return Value::null();
    }
    const QString movie = moviePath(m);
    QString file;
    if (so.store.onDisk() && !movie.isEmpty()) {
        file = so.store.filePath(movie, name, localPath);
        if (file.isEmpty())
            return Value::null();
    }
    const QString key = file.isEmpty() ? QStringLiteral("memory:") + localPath + u'|' + name : file;
    if (const auto it = so.open.find(key); it != so.open.end())
        return Value(it->second);

    Object *proto = nullptr;
    if (Object *cls = globalClass(m, "SharedObject"))
        proto = m.get(cls, QStringLiteral("prototype")).asObject();
    auto *made = m.heap().make<SharedObject>(proto ? proto : m.protos().object, file);
    Object *data = m.newObject();
    m.defineValue(made, QStringLiteral("data"), Value(data), PropertyFlag::DontDelete);
    so.open.emplace(key, made);
    if (!file.isEmpty()) {
        auto loaded = so.store.load(file);
        if (loaded)
            fromAmf(m, loaded->graph, loaded->root, data);
        else {
            made->unread = true;
            qCWarning(lcSwfScript).noquote()
                << "SharedObject" << file << "not read:" << loaded.error().toString();
        }
    }
    return Value(made);
}

SharedObject *self(const Value &v)
{
    return dynamic_cast<SharedObject *>(v.asObject());
}

Value flush(Machine &m, const Value &thisValue, const Args &)
{
    SharedObject *so = self(thisValue);
    if (!so)
        return Value();
    return Value(write(m, *opened(m), so));
}

Value clear(Machine &m, const Value &thisValue, const Args &)
{
    SharedObject *so = self(thisValue);
    if (!so)
        return Value();
    if (Object *data = dataOf(m, so)) {
        std::vector<StrRef> names;
        for (const Property &p : data->properties().entries())
            names.push_back(p.key);
        for (const StrRef &name : names)
            m.deleteProperty(data, name.data());
    }
    if (!so->file.isEmpty())
        opened(m)->store.remove(so->file);
    return Value();
}

Value getSize(Machine &m, const Value &thisValue, const Args &)
{
    SharedObject *so = self(thisValue);
    if (!so)
        return Value();
    // The bytes its data members take in the file: all of it but the
    // header (22 bytes with an empty name).
    constexpr int kHeader = 22;
    return Value(int(encode(m, so, QString()).size() - kHeader));
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

Value noDiskUsage(Machine &, const Value &, const Args &)
{
    return Value(0);
}

Value noRemote(Machine &, const Value &, const Args &)
{
    return Value::null();
}

} // namespace

void installSharedObject(Machine &m)
{
    Object *proto = m.newObject();
    FunctionObject *cls = m.defineClass(QStringLiteral("SharedObject"), proto, nothing);
    m.defineValue(proto, QStringLiteral("constructor"), Value(cls),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    // The class's own functions are classes of their own, as the Flash
    // Player's are.
    const struct {
        const char *name;
        NativeFunction call;
        quint32 flags;
    } statics[] = {
        {"deleteAll", noDiskUsage, PropertyFlag::DontEnum},
        {"getDiskUsage", noDiskUsage, PropertyFlag::DontEnum},
        {"getLocal", getLocal, 0},
        {"getRemote", noRemote, 0},
    };
    for (const auto &s : statics) {
        Object *fproto = m.newObject();
        FunctionObject *f = m.defineClass(QString(), fproto, s.call);
        m.defineValue(fproto, QStringLiteral("constructor"), Value(f),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        m.defineValue(cls, QString::fromLatin1(s.name), Value(f), s.flags);
    }
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {
        {"clear", clear},     {"close", nothing}, {"connect", nothing}, {"flush", flush},
        {"getSize", getSize}, {"send", nothing},  {"setFps", nothing},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete);
}

} // namespace swf::avm1
