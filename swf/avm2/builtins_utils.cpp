// flash.utils: class names and definitions, getTimer, timers, Dictionary
// with weak keys, and Proxy.
#include "swf/avm2/natives.h"

#include <QHash>

namespace swf::avm2 {

// Dictionary: keys compared by identity (objects) or by value (the rest).
class DictionaryObject final : public Object {
public:
    DictionaryObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Dictionary)
    {
    }
    void trace(Tracer &t) const override
    {
        Object::trace(t);
        for (const auto &e : entries) {
            if (!weakKeys)
                t.mark(e.key);
            t.mark(e.value);
        }
    }
    bool getOwn(Vm &vm, const Name &name, Value &out) override
    {
        if (const Entry *e = findKey(vm, keyOf(vm, name))) {
            out = e->value;
            return true;
        }
        return false;
    }
    bool setOwn(Vm &vm, const Name &name, const Value &v) override
    {
        const Value key = keyOf(vm, name);
        if (Entry *e = findKey(vm, key))
            e->value = v;
        else
            entries.push_back({key, v});
        return true;
    }
    bool deleteOwn(Vm &vm, const Name &name) override
    {
        const Value key = keyOf(vm, name);
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (vm.strictEquals(it->key, key)) {
                entries.erase(it);
                return true;
            }
        }
        return false;
    }
    bool hasOwn(Vm &vm, const Name &name) override { return findKey(vm, keyOf(vm, name)); }
    int nextIndex(Vm &, int index) override { return size_t(index) < entries.size() ? index + 1 : 0; }
    Value nameAt(Vm &, int index) override
    {
        return index >= 1 && size_t(index) <= entries.size() ? entries[size_t(index) - 1].key : Value();
    }
    Value valueAt(Vm &, int index) override
    {
        return index >= 1 && size_t(index) <= entries.size() ? entries[size_t(index) - 1].value : Value();
    }

    struct Entry {
        Value key, value;
    };
    // The key a property name stands for: an object key arrives as it was.
    Value keyOf(Vm &vm, const Name &name)
    {
        if (name.key.isObject())
            return name.key;
        if (name.hasIndex)
            return Value::uinteger(name.index);
        return vm.sv(name.name);
    }
    Entry *findKey(Vm &vm, const Value &key)
    {
        for (auto &e : entries) {
            if (e.key.isObject() || key.isObject() ? (e.key.isObject() && key.isObject() && e.key.o == key.o)
                                                   : vm.strictEquals(e.key, key) ||
                                                         vm.toString(e.key) == vm.toString(key))
                return &e;
        }
        return nullptr;
    }

    std::vector<Entry> entries;
    bool weakKeys = false;
};

namespace builtins {
namespace {

QString qualifiedClassName(Vm &vm, const Value &v)
{
    if (v.isNull())
        return QStringLiteral("null");
    if (v.isUndefined())
        return QStringLiteral("void");
    ClassObject *c = nullptr;
    if (Object *o = v.obj(); o && o->kind == ObjKind::Class)
        c = static_cast<ClassObject *>(o);
    else
        c = vm.classOf(v);
    if (v.isInt())
        c = vm.intClass;
    if (!c)
        return QStringLiteral("Object");
    if (v.obj() && v.o->kind == ObjKind::Function && v.o->klass == vm.functionClass)
        return QStringLiteral("builtin.as$0::MethodClosure");
    QString name = c->qualifiedName();
    if (c->isVector && c->vectorElement)
        name = QStringLiteral("__AS3__.vec::Vector.<") + qualifiedClassName(vm, Value::object(c->vectorElement)) + QLatin1Char('>');
    else if (c->isVector && c != vm.vectorClass)
        name = QStringLiteral("__AS3__.vec::Vector.<*>");
    return name;
}

NATIVE(getQualifiedClassName)
{
    return vm.sv(qualifiedClassName(vm, arg(args, argc, 0)));
}

NATIVE(getQualifiedSuperclassName)
{
    const Value v = arg(args, argc, 0);
    ClassObject *c = v.obj() && v.o->kind == ObjKind::Class ? static_cast<ClassObject *>(v.o) : vm.classOf(v);
    if (!c || !c->base)
        return Value::null();
    return vm.sv(qualifiedClassName(vm, Value::object(c->base)));
}

NATIVE(getDefinitionByName)
{
    const QString name = argString(vm, args, argc, 0);
    const Value v = vm.definitionByName(name);
    if (v.isUndefined())
        vm.throwError(ErrorType::ReferenceError, 1065, name);
    return v;
}

NATIVE(getTimer)
{
    return Value::integer(int(vm.nowMs()));
}

NATIVE(setTimeoutFn)
{
    Vm::Timer t;
    t.fn = arg(args, argc, 0);
    t.delay = qMax(0.0, argNumber(vm, args, argc, 1, 0));
    t.args.assign(args + qMin(argc, 2), args + argc);
    t.due = double(vm.nowMs()) + t.delay;
    t.id = ++vm.lastTimerId;
    vm.timers.push_back(t);
    return Value::integer(t.id);
}

NATIVE(setIntervalFn)
{
    setTimeoutFn(vm, self, args, argc);
    vm.timers.back().repeat = true;
    return Value::integer(vm.timers.back().id);
}

NATIVE(clearTimer)
{
    const int id = argInt(vm, args, argc, 0, 0);
    std::erase_if(vm.timers, [id](const Vm::Timer &t) { return t.id == id; });
    return Value();
}

Object *allocDictionary(Vm &vm, ClassObject *cls)
{
    auto *d = vm.heap.make<DictionaryObject>(cls, cls->instanceTraits.get(), cls->prototype);
    vm.weakDictionaries.push_back(d);
    return d;
}

NATIVE(dictionaryInit)
{
    if (Object *o = self.obj(); o && o->kind == ObjKind::Dictionary)
        static_cast<DictionaryObject *>(o)->weakKeys = vm.toBoolean(arg(args, argc, 0));
    return Value();
}

} // namespace

void sweepWeak(Vm &vm)
{
    std::vector<Object *> alive;
    for (Object *o : vm.weakDictionaries) {
        if (!o->marked)
            continue;
        alive.push_back(o);
        auto *d = static_cast<DictionaryObject *>(o);
        if (d->weakKeys)
            std::erase_if(d->entries, [](const DictionaryObject::Entry &e) { return e.key.isObject() && !e.key.o->marked; });
    }
    vm.weakDictionaries = std::move(alive);
}

void installUtils(Vm &vm)
{
    const QString utils = QStringLiteral("flash.utils");
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } fns[] = {
        {"getQualifiedClassName", getQualifiedClassName, 1},
        {"getQualifiedSuperclassName", getQualifiedSuperclassName, 1},
        {"getDefinitionByName", getDefinitionByName, 1},
        {"getTimer", getTimer, 0},
        {"setTimeout", setTimeoutFn, 2},
        {"setInterval", setIntervalFn, 2},
        {"clearTimeout", clearTimer, 1},
        {"clearInterval", clearTimer, 1},
    };
    for (const auto &f : fns)
        defineGlobal(vm, utils, QString::fromLatin1(f.name),
                     Value::object(nativeFunction(vm, QString::fromLatin1(f.name), f.fn, f.length)));
    // The virtual machine's shell package offers the same reflection.
    for (const auto &f : fns) {
        if (QByteArrayView(f.name).startsWith("getQualified"))
            defineGlobal(vm, QStringLiteral("avmplus"), QString::fromLatin1(f.name),
                         Value::object(nativeFunction(vm, QString::fromLatin1(f.name), f.fn, f.length)));
    }
    ClassBuilder(vm, utils, QStringLiteral("Dictionary"), vm.objectClass, false)
        .alloc(allocDictionary, ObjKind::Dictionary)
        .init(dictionaryInit);
}

} // namespace builtins
} // namespace swf::avm2
