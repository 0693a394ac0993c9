#include "swf/avm1/machine.h"

#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/interpreter.h"
#include "swf/avm1/movieloads.h"
#include "swf/log.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

Machine::Machine(std::shared_ptr<const Movie> movie, std::shared_ptr<ScriptServices> services)
    : m_movie(std::move(movie)), m_services(std::move(services)), m_version(m_movie->version()),
      m_keys(m_version >= 7), m_names(m_keys), m_interpreter(std::make_unique<Interpreter>(*this))
{
    const qint64 asked = m_services->scriptTimeoutMs();
    m_timeoutMs = asked > 0 ? asked : qint64(m_movie->scriptLimits().timeoutSeconds) * 1000;
    m_maxRecursion = m_movie->scriptLimits().maxRecursionDepth;
    for (int i = 0; i < DisplayProperty::Count; ++i) {
        m_pinnedKeys.push_back(key(QString::fromLatin1(DisplayProperty::name(i))));
        m_displayPropertyKeys.emplace(m_pinnedKeys.back().data(), i);
    }
    m_heap.setProtoKey(m_names.proto);
    installBuiltins();
}

Machine::~Machine()
{
    for (const auto &extension : m_extensions)
        extension->closing(*this);
    // The heap goes before the keys its objects refer to.
    m_displayObjects.clear();
}

void Machine::installBuiltins()
{
    m_protos.object = m_heap.make<Object>(nullptr);
    m_protos.function = m_heap.make<Object>(m_protos.object);
    m_global = m_heap.make<Object>(m_protos.object);
    installObjectClass(*this);
    installFunctionClass(*this);
    installGlobalFunctions(*this);
    installArrayClass(*this);
    installStringClass(*this);
    installNumberAndBoolean(*this);
    installMath(*this);
    installMovieClipClass(*this);
    installButtonAndTextField(*this);
    installKeyAndMouse(*this);
    installAsBroadcaster(*this);
    installErrorClass(*this);
    installSharedObject(*this);
    installGeom(*this);
    installColor(*this);
    installStageAndSystem(*this);
    installDateClass(*this);
    installSoundClass(*this);
    installXmlClasses(*this);
    installLoadVars(*this);
    installTextField(*this);
    installTextFormat(*this);
    installSelection(*this);
    installFilters(*this);
    installBitmapData(*this);
    installStandaloneClasses(*this);
    installConnections(*this);
    installMovieClipLoader(*this);
    // The natives made before Function was there get their constructor.
    m_heap.forEach([this](Object *object) {
        if (object->isFunction())
            linkFunction(object);
    });
    // Its lowest-level helpers have no constructor link.
    installNativeTable(*this);
}

void Machine::linkFunction(Object *function)
{
    if (!m_protos.functionClass || function->properties().find(m_names.constructor.data()))
        return;
    // Function.prototype came with version 6: older movies do not see a
    // function's link to it.
    if (Property *link = function->properties().find(m_names.proto.data()))
        link->flags |= PropertyFlag::OnlySwf6;
    Property &p = function->properties().add(m_names.constructor, m_names.constructor);
    p.value = Value(m_protos.functionClass);
    p.flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
}

void Machine::setPrototypeOf(Object *object, Object *proto)
{
    object->setProto(proto);
    Property *p = object->properties().find(m_names.proto.data());
    if (!p) {
        if (!proto)
            return;
        p = &object->properties().add(m_names.proto, m_names.proto);
        p->flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    }
    p->value = proto ? Value(proto) : Value();
}

void Machine::attach(Player &player)
{
    m_player = &player;
}

int Machine::displayPropertyIndex(StringData *key) const
{
    const auto it = m_displayPropertyKeys.find(key);
    return it == m_displayPropertyKeys.end() ? -1 : it->second;
}

// Objects.

Object *Machine::newObject()
{
    return m_heap.make<Object>(m_protos.object);
}

ArrayObject *Machine::newArray()
{
    ArrayObject *array = m_heap.make<ArrayObject>(m_protos.array);
    addLengthProperty(array);
    return array;
}

void Machine::addLengthProperty(Object *object)
{
    // The array answers for its value; the entry holds its flags, so
    // ASSetPropFlags, hasOwnProperty and for..in see it.
    Property &p = object->properties().add(m_names.length, m_names.length);
    p.flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
}

Object *Machine::newLiteralObject()
{
    Object *object = newObject();
    const Value constructor = get(global(), key(QStringLiteral("Object")).data());
    if (constructor.isObject())
        defineValue(object, QStringLiteral("constructor"), constructor,
                    PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return object;
}

ArrayObject *Machine::newLiteralArray()
{
    const Value constructor = get(global(), key(QStringLiteral("Array")).data());
    Object *proto = constructor.isObject()
                        ? get(constructor.object(), m_names.prototype.data()).asObject()
                        : nullptr;
    ArrayObject *array = newArray();
    setPrototypeOf(array, proto);
    // Arrays made without a constructor call name Array as their own.
    if (constructor.isObject())
        defineValue(array, QStringLiteral("constructor"), constructor,
                    PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return array;
}

namespace {

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

} // namespace

FunctionObject *Machine::newNative(NativeFunction call, NativeFunction construct)
{
    // A class with no function of its own (MovieClip) still makes objects.
    auto *function =
        m_heap.make<FunctionObject>(m_protos.function, call ? call : nothing, construct);
    linkFunction(function);
    return function;
}

void Machine::defineMethod(Object *target, const QString &name, NativeFunction call)
{
    // Built-in methods are hidden and stay when a movie deletes them.
    defineValue(target, name, Value(newNative(call)),
                PropertyFlag::DontEnum | PropertyFlag::DontDelete);
}

void Machine::defineValue(Object *target, const QString &name, const Value &value, quint32 flags)
{
    const StrRef k = key(name);
    Property *property = target->properties().find(k.data());
    if (!property)
        property = &target->properties().add(k, StrRef(name));
    property->value = value;
    property->flags = flags;
}

FunctionObject *Machine::defineClass(const QString &name, Object *prototype, NativeFunction call,
                                     NativeFunction construct)
{
    FunctionObject *constructor = newNative(call, construct);
    defineValue(constructor, QStringLiteral("prototype"), Value(prototype),
                PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    defineValue(prototype, QStringLiteral("constructor"), Value(constructor),
                PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    if (!name.isEmpty())
        defineValue(m_global, name, Value(constructor));
    return constructor;
}

void Machine::initializeConstructed(Object *made, FunctionObject *constructor)
{
    setPrototypeOf(made, get(constructor, m_names.prototype.data()).asObject());
    linkConstructed(made, constructor);
}

void Machine::linkConstructed(Object *made, FunctionObject *constructor)
{
    if (made->properties().find(m_names.constructor2.data()))
        return;
    // __constructor__ is there for every version, seen from version 6;
    // constructor only before version 7.
    Property &c2 = made->properties().add(m_names.constructor2, m_names.constructor2);
    c2.value = Value(constructor);
    c2.flags = PropertyFlag::DontEnum | PropertyFlag::OnlySwf6;
    if (m_version < 7) {
        Property *c = made->properties().find(m_names.constructor.data());
        if (!c)
            c = &made->properties().add(m_names.constructor, m_names.constructor);
        c->value = Value(constructor);
        c->flags = PropertyFlag::DontEnum;
    }
}

// Calls.

Value Machine::call(const Value &function, const Value &self, const Args &args)
{
    auto *callee = dynamic_cast<FunctionObject *>(function.asObject());
    if (!callee || m_aborted)
        return Value();
    return m_interpreter->call(*callee, self, args, false);
}

Value Machine::construct(const Value &constructor, const Args &args)
{
    auto *callee = dynamic_cast<FunctionObject *>(constructor.asObject());
    if (!callee || m_aborted)
        return Value();
    if (callee->isNative() && callee->nativeConstruct()) {
        const Value made = m_interpreter->call(*callee, Value(), args, true);
        if (Object *object = made.asObject())
            linkConstructed(object, callee);
        return made;
    }
    Object *made = newObject();
    initializeConstructed(made, callee);
    const Value result = m_interpreter->call(*callee, Value(made), args, true);
    return result.isObject() ? result : Value(made);
}

void Machine::throwValue(const Value &value)
{
    m_hasException = true;
    m_exception = value;
}

Value Machine::takeException()
{
    m_hasException = false;
    return std::exchange(m_exception, Value());
}

void Machine::abortScripts(const QString &reason)
{
    if (m_aborted)
        return;
    m_aborted = true;
    qCWarning(lcSwfScript).noquote()
        << reason + QStringLiteral("; the movie's scripts are stopped for good");
}

void Machine::getUrl(const QString &url, const QString &target)
{
    if (url.startsWith(QLatin1String("FSCommand:"), Qt::CaseInsensitive)) {
        const QString command = url.mid(10);
        qCInfo(lcSwfScript).noquote() << "fscommand" << command << target;
        if (command.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0)
            m_quit = true;
        m_services->fsCommand(command, target);
        return;
    }
    // loadMovieNum and unloadMovieNum.
    if (loadIntoLevelTarget(*this, url, target))
        return;
    const QString scheme = url.section(QLatin1Char(':'), 0, 0).toLower();
    if (url.contains(QLatin1Char(':')) &&
        (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
         scheme == QLatin1String("mailto"))) {
        m_services->openUrl(url);
        return;
    }
    qCInfo(lcSwfScript).noquote() << "getURL of" << url << "ignored";
}

// Garbage.

void Machine::markRoots(Heap &heap)
{
    heap.mark(m_global);
    // The prototypes built-ins make objects with, even those a movie has
    // taken off _global.
    for (Object *object :
         {m_protos.object, m_protos.function, m_protos.array, m_protos.string, m_protos.number,
          m_protos.boolean, m_protos.movieClip, m_protos.button, m_protos.textField, m_protos.error,
          m_protos.date, m_protos.dateClass, m_protos.functionClass})
        heap.mark(object);
    for (const auto &[serial, object] : m_displayObjects)
        heap.mark(object);
    for (const auto &queue : m_queues) {
        for (const Queued &item : queue)
            heap.mark(item.object);
    }
    heap.mark(m_exception);
    for (const auto &extension : m_extensions)
        extension->markRoots(heap);
    m_interpreter->markRoots(heap);
}

void Machine::collectGarbage()
{
    m_heap.collect([this](Heap &heap) { markRoots(heap); });
    m_keys.trim();
}

} // namespace swf::avm1
