// ASnative and its kin: the Flash Player's built-ins reached by number.
// ASnative(group, index) answers a new function object around the
// built-in the number names each time; ASSetNative and ASSetNativeAccessor
// put runs of them on an object, ASconstructor makes a class of one.
#include "swf/avm1/builtins.h"
#include "swf/avm1/interpreter.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/xmlparser.h"

#include <cmath>
#include <map>

namespace swf::avm1 {

namespace {

struct NativeCode {
    NativeFunction call = nullptr;
    NativeFunction construct = nullptr;
};

// Which function of the property a number names: its value, or the
// getter or setter of a built-in accessor.
enum class Part { Value, Getter, Setter };

// The numbers movies are seen to use and the built-in each one names (a
// path from _global), in movies of any version; numbers not listed give a
// function that does nothing.
const struct {
    int group;
    int index;
    const char *path;
    Part part = Part::Value;
} kKnownNatives[] = {
    {5, 0, "Mouse.show"},
    {5, 1, "Mouse.hide"},
    {100, 0, "escape"},
    {101, 0, "Object.prototype.watch"},
    {101, 1, "Object.prototype.unwatch"},
    {101, 2, "Object.prototype.addProperty"},
    {101, 3, "Object.prototype.valueOf"},
    {101, 4, "Object.prototype.toString"},
    {101, 5, "Object.prototype.hasOwnProperty"},
    {101, 6, "Object.prototype.isPrototypeOf"},
    {101, 7, "Object.prototype.isPropertyEnumerable"},
    {101, 8, "Object.registerClass"},
    {101, 9, "Object"},
    {101, 12, "AsBroadcaster.broadcastMessage"},
    {104, 200, "MovieClip.prototype.createTextField"},
    {106, 0, "Number.prototype.valueOf"},
    {106, 1, "Number.prototype.toString"},
    {106, 2, "Number"},
    {107, 0, "Boolean.prototype.valueOf"},
    {107, 1, "Boolean.prototype.toString"},
    {107, 2, "Boolean"},
    {252, 1, "Array.prototype.push"},
    // The loading built-ins LoadVars and XML share.
    {301, 0, "XML.prototype.load"},
    {301, 1, "XML.prototype.send"},
    {301, 2, "XML.prototype.sendAndLoad"},
    {301, 3, "LoadVars.prototype.decode"},
    {666, 2, "Stage.scaleMode", Part::Setter},
};

// XML's escaping of text: & < > " and ' as entities.
Value xmlEscape(Machine &m, const Value &, const Args &args)
{
    if (args.size() == 0)
        return Value();
    return Value(xml::escapeText(m.toString(args[0]).text()));
}

// Numbers for built-ins that no name reaches.
const struct {
    int group;
    int index;
    NativeFunction call;
} kUnnamedNatives[] = {
    {100, 5, xmlEscape},
};

class NativeTable final : public MachineExtension {
public:
    std::map<std::pair<int, int>, NativeCode> entries;

    NativeCode find(int group, int index) const
    {
        const auto it = entries.find({group, index});
        return it == entries.end() ? NativeCode{} : it->second;
    }
};

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

// ASnative(102, 0) and (102, 1): the old case changes of `this` as a
// string, which change only the letters A to Z.
Value asciiCase(Machine &m, const Value &self, bool upper)
{
    QString text = m.toString(self).text();
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (upper && u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - 32));
        else if (!upper && u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + 32));
    }
    return Value(text);
}

Value oldUpperCase(Machine &m, const Value &self, const Args &)
{
    return asciiCase(m, self, true);
}

Value oldLowerCase(Machine &m, const Value &self, const Args &)
{
    return asciiCase(m, self, false);
}

// ASnative(2, 0): whether the function that calls it runs for `new`.
Value asNew(Machine &m, const Value &, const Args &)
{
    return Value(m.interpreter().constructing());
}

// The own property `path` names from _global, dot by dot, whatever its
// flags; of the last, the part asked for.
Object *builtinAt(Machine &m, const char *path, Part part)
{
    Object *object = m.global();
    const QStringList names = QString::fromLatin1(path).split(QLatin1Char('.'));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const Property *p = object ? object->properties().find(m.key(names[i]).data()) : nullptr;
        if (p && i + 1 == names.size() && part != Part::Value)
            return part == Part::Getter ? p->getter : p->setter;
        object = p ? p->value.asObject() : nullptr;
    }
    return object;
}

bool numberArg(Machine &m, const Args &args, int index, int &out)
{
    if (int(args.size()) <= index)
        return false;
    const double n = m.toNumber(args[index]);
    if (std::isnan(n) || n < 0 || n > 1e6)
        return false;
    out = int(n);
    return true;
}

FunctionObject *nativeFunction(Machine &m, int group, int index)
{
    const NativeCode code = m.extension<NativeTable>()->find(group, index);
    return m.newNative(code.call ? code.call : nothing, code.construct);
}

Value asNative(Machine &m, const Value &, const Args &args)
{
    int group = 0;
    int index = 0;
    if (!numberArg(m, args, 0, group) || !numberArg(m, args, 1, index))
        return Value();
    return Value(nativeFunction(m, group, index));
}

Value asConstructor(Machine &m, const Value &, const Args &args)
{
    int group = 0;
    int index = 0;
    if (!numberArg(m, args, 0, group) || !numberArg(m, args, 1, index))
        return Value();
    FunctionObject *constructor = nativeFunction(m, group, index);
    Object *prototype = m.newObject();
    m.defineValue(constructor, QStringLiteral("prototype"), Value(prototype),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    m.defineValue(prototype, QStringLiteral("constructor"), Value(constructor),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return Value(constructor);
}

// A name of ASSetNative's list may start with the version it is for:
// 6 to 9 hide it from older movies.
quint32 versionFlagOf(QString &name)
{
    if (name.size() < 2)
        return 0;
    quint32 flag = 0;
    switch (name.at(0).unicode()) {
    case '6':
        flag = PropertyFlag::OnlySwf6;
        break;
    case '7':
        flag = PropertyFlag::OnlySwf7;
        break;
    case '8':
        flag = PropertyFlag::OnlySwf8;
        break;
    case '9':
        flag = PropertyFlag::OnlySwf9;
        break;
    default:
        return 0;
    }
    name.remove(0, 1);
    return flag;
}

// ASSetNative(object, group, "a,b,c"[, first]): object.a is the native
// (group, first), object.b (group, first + 1) and so on.
Value asSetNative(Machine &m, const Value &, const Args &args)
{
    Object *target = args[0].asObject();
    int group = 0;
    int index = 0;
    if (!target || !numberArg(m, args, 1, group))
        return Value();
    if (args.size() > 3 && !numberArg(m, args, 3, index))
        index = 0;
    const QStringList names = m.toString(args[2]).text().split(QLatin1Char(','));
    for (QString name : names) {
        const quint32 flags = versionFlagOf(name);
        m.defineValue(target, name, Value(nativeFunction(m, group, index++)), flags);
    }
    return Value();
}

// ASSetNativeAccessor(object, group, "a,b", first): a reads through the
// native (group, first) and writes through (group, first + 1); b takes
// the next two.
Value asSetNativeAccessor(Machine &m, const Value &, const Args &args)
{
    Object *target = args[0].asObject();
    int group = 0;
    int index = 0;
    if (!target || !numberArg(m, args, 1, group))
        return Value();
    if (args.size() > 3 && !numberArg(m, args, 3, index))
        index = 0;
    const QStringList names = m.toString(args[2]).text().split(QLatin1Char(','));
    for (QString name : names) {
        const quint32 flags = versionFlagOf(name);
        const StrRef k = m.key(name);
        Property *p = target->properties().find(k.data());
        if (!p)
            p = &target->properties().add(k, StrRef(name));
        p->value = Value();
        p->getter = nativeFunction(m, group, index);
        p->setter = nativeFunction(m, group, index + 1);
        p->flags = flags;
        index += 2;
    }
    return Value();
}

// A function with no properties of its own, not even its prototype
// links, as the player's lowest-level helpers are.
void defineBareFunction(Machine &m, const QString &name, NativeFunction call)
{
    FunctionObject *function = m.newNative(call);
    for (const StrRef &k : {m.names().constructor, m.names().proto})
        function->properties().remove(k.data());
    m.defineValue(m.global(), name, Value(function));
}

// The player's static objects are fixed once all their members are
// there: nothing of theirs is listed, deleted or overwritten.
void fixStaticObjects(Machine &m)
{
    const quint32 fixed =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    const Value objectClass = m.get(m.global(), QStringLiteral("Object"));
    for (const char *name : {"Math", "Key", "Mouse", "Selection"}) {
        Object *object = m.get(m.global(), QString::fromLatin1(name)).asObject();
        if (!object)
            continue;
        if (!object->properties().find(m.names().constructor.data()))
            m.defineValue(object, QStringLiteral("constructor"), objectClass);
        for (Property &p : object->properties().entries())
            p.flags |= fixed;
    }
}

} // namespace

void installNativeTable(Machine &m)
{
    fixStaticObjects(m);
    auto table = std::make_unique<NativeTable>();
    for (const auto &known : kKnownNatives) {
        if (auto *function = dynamic_cast<FunctionObject *>(builtinAt(m, known.path, known.part));
            function && function->isNative())
            table->entries[{known.group, known.index}] = {function->native(),
                                                          function->nativeConstruct()};
    }
    for (const auto &unnamed : kUnnamedNatives)
        table->entries[{unnamed.group, unnamed.index}] = {unnamed.call};
    table->entries[{2, 0}] = {asNew};
    table->entries[{102, 0}] = {oldUpperCase};
    table->entries[{102, 1}] = {oldLowerCase};
    m.addExtension(std::move(table));
    defineBareFunction(m, QStringLiteral("ASnative"), asNative);
    defineBareFunction(m, QStringLiteral("ASconstructor"), asConstructor);
    // There is no debug console to turn on.
    defineBareFunction(m, QStringLiteral("enableDebugConsole"), nothing);
    m.defineMethod(m.global(), QStringLiteral("ASSetNative"), asSetNative);
    m.defineMethod(m.global(), QStringLiteral("ASSetNativeAccessor"), asSetNativeAccessor);
}

} // namespace swf::avm1
