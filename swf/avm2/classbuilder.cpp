#include "swf/avm2/classbuilder.h"

namespace swf::avm2 {

void setHidden(Object *o, const QString &name, const Value &v)
{
    o->dyn().set(name, v);
    o->dyn().find(name)->dontEnum = true;
}

FunctionObject *nativeFunction(Vm &vm, const QString &name, NativeFn fn, int length)
{
    return vm.newNative(name, fn, length);
}

void defineGlobal(Vm &vm, const QString &pkg, const QString &name, const Value &v)
{
    Object *g = vm.builtinGlobal;
    auto *t = const_cast<Traits *>(g->traits);
    SlotInfo s;
    s.name = name;
    s.initial = v;
    s.isConst = true;
    Binding b;
    b.kind = Binding::Const;
    b.slot = t->addSlot(s);
    g->slotv.push_back(v);
    const Ns *ns = vm.names.intern(NsCat::Public, pkg);
    t->add(ns, name, b);
    vm.domain[name].emplace_back(ns, vm.scripts.front().get());
}

ClassBuilder::ClassBuilder(Vm &vm, const QString &pkg, const QString &name, ClassObject *base, bool sealed)
    : m_vm(vm)
{
    auto *c = vm.heap.make<ClassObject>(vm.classClass, nullptr, vm.classClass ? vm.classClass->prototype : nullptr);
    c->name = name;
    c->ns = vm.names.intern(NsCat::Public, pkg);
    c->base = base;
    c->sealed = sealed;
    c->instanceTraits = std::make_unique<Traits>(base ? base->instanceTraits.get() : nullptr);
    c->ownTraits = std::make_unique<Traits>(vm.classClass ? vm.classClass->instanceTraits.get() : nullptr);
    c->traits = c->ownTraits.get();
    if (base) {
        c->allocFn = base->allocFn;
        c->instanceKind = base->instanceKind;
    }
    c->prototype = vm.heap.make<Object>(vm.objectClass, nullptr, base ? base->prototype : nullptr);
    setHidden(c->prototype, QStringLiteral("constructor"), Value::object(c));
    auto *noop = new Method();
    noop->native = [](Vm &, const Value &, const Value *, int) { return Value(); };
    noop->name = name;
    noop->declaringClass = c;
    vm.nativeMethods.emplace_back(noop);
    c->iinit = noop;
    m_class = c;
    defineGlobal(vm, pkg, name, Value::object(c));
}

Method *ClassBuilder::native(const QString &name, NativeFn fn, int length)
{
    auto m = std::make_unique<Method>();
    m->native = fn;
    m->name = name;
    m->nativeLength = length;
    m->declaringClass = m_class;
    Method *raw = m.get();
    m_vm.nativeMethods.push_back(std::move(m));
    return raw;
}

void ClassBuilder::addMethod(const Ns *ns, const QString &name, NativeFn fn, int length)
{
    Traits &t = *m_class->instanceTraits;
    const Binding *old = t.findQName(ns, name);
    if (old && old->kind == Binding::Method) {
        t.vtable[old->slot] = {native(name, fn, length), nullptr, name};
        return;
    }
    Binding b;
    b.kind = Binding::Method;
    b.slot = t.addMethod({native(name, fn, length), nullptr, name});
    t.add(ns, name, b);
}

ClassBuilder &ClassBuilder::method(const QString &name, NativeFn fn, int length, Where where)
{
    if (where & Trait)
        addMethod(m_vm.names.as3Ns(), name, fn, length);
    if (where & Proto)
        setHidden(m_class->prototype, name, Value::object(nativeFunction(m_vm, name, fn, length)));
    return *this;
}

ClassBuilder &ClassBuilder::publicMethod(const QString &name, NativeFn fn, int length)
{
    addMethod(m_vm.names.publicNs(), name, fn, length);
    return *this;
}

void ClassBuilder::addAccessor(Traits &t, const Ns *ns, const QString &name, NativeFn fn, bool isGetter)
{
    Binding b;
    if (const Binding *old = t.findQName(ns, name); old && old->kind == Binding::Accessor)
        b = *old;
    b.kind = Binding::Accessor;
    const qint32 idx = qint32(t.addMethod({native(name, fn, isGetter ? 0 : 1), nullptr, name}));
    (isGetter ? b.getter : b.setter) = idx;
    t.add(ns, name, b);
}

ClassBuilder &ClassBuilder::getter(const QString &name, NativeFn fn)
{
    addAccessor(*m_class->instanceTraits, m_vm.names.publicNs(), name, fn, true);
    return *this;
}

ClassBuilder &ClassBuilder::setter(const QString &name, NativeFn fn)
{
    addAccessor(*m_class->instanceTraits, m_vm.names.publicNs(), name, fn, false);
    return *this;
}

ClassBuilder &ClassBuilder::staticMethod(const QString &name, NativeFn fn, int length)
{
    Traits &t = *m_class->ownTraits;
    Binding b;
    b.kind = Binding::Method;
    b.slot = t.addMethod({native(name, fn, length), nullptr, name});
    t.add(m_vm.names.publicNs(), name, b);
    t.add(m_vm.names.as3Ns(), name, b);
    return *this;
}

ClassBuilder &ClassBuilder::staticGetter(const QString &name, NativeFn fn)
{
    addAccessor(*m_class->ownTraits, m_vm.names.publicNs(), name, fn, true);
    return *this;
}

ClassBuilder &ClassBuilder::staticSetter(const QString &name, NativeFn fn)
{
    addAccessor(*m_class->ownTraits, m_vm.names.publicNs(), name, fn, false);
    return *this;
}

ClassBuilder &ClassBuilder::constant(const QString &name, const Value &v)
{
    Traits &t = *m_class->ownTraits;
    SlotInfo s;
    s.name = name;
    s.initial = v;
    s.isConst = true;
    Binding b;
    b.kind = Binding::Const;
    b.slot = t.addSlot(s);
    m_class->slotv.push_back(v);
    t.add(m_vm.names.publicNs(), name, b);
    return *this;
}

ClassBuilder &ClassBuilder::protoValue(const QString &name, const Value &v)
{
    setHidden(m_class->prototype, name, v);
    return *this;
}

ClassBuilder &ClassBuilder::construct(Value (*fn)(Vm &, ClassObject *, const Value *, int))
{
    m_class->constructFn = fn;
    return *this;
}

ClassBuilder &ClassBuilder::callAs(Value (*fn)(Vm &, const Value &, const Value *, int))
{
    m_class->callFn = fn;
    return *this;
}

ClassBuilder &ClassBuilder::init(NativeFn fn)
{
    m_class->iinit = native(m_class->name, fn, 0);
    return *this;
}

ClassBuilder &ClassBuilder::alloc(Object *(*fn)(Vm &, ClassObject *), ObjKind kind)
{
    m_class->allocFn = fn;
    m_class->instanceKind = kind;
    return *this;
}

ClassBuilder &ClassBuilder::finalClass()
{
    m_class->final = true;
    return *this;
}

ClassBuilder &ClassBuilder::interface()
{
    m_class->isInterface = true;
    return *this;
}

} // namespace swf::avm2
