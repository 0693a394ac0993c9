// Defines a native class of the core library: its traits, prototype
// functions, statics, and its entry in the builtin global object.
#pragma once

#include "swf/avm2/vm.h"

namespace swf::avm2 {

class ClassBuilder {
public:
    // `pkg` is the package ("" for top level, "flash.utils", ...).
    ClassBuilder(Vm &vm, const QString &pkg, const QString &name, ClassObject *base, bool sealed = true);
    // Wraps an existing class object (the bootstrap classes).
    ClassBuilder(Vm &vm, ClassObject *existing) : m_vm(vm), m_class(existing) {}

    enum Where : quint8 { Trait = 1, Proto = 2, Both = 3 };
    // An instance method: an AS3-namespace trait, a prototype function, or both.
    ClassBuilder &method(const QString &name, NativeFn fn, int length, Where where = Both);
    // A public instance method trait (what the Flash Player's classes
    // declare without the AS3 namespace).
    ClassBuilder &publicMethod(const QString &name, NativeFn fn, int length);
    ClassBuilder &getter(const QString &name, NativeFn fn);
    ClassBuilder &setter(const QString &name, NativeFn fn);
    ClassBuilder &staticMethod(const QString &name, NativeFn fn, int length);
    ClassBuilder &staticGetter(const QString &name, NativeFn fn);
    ClassBuilder &staticSetter(const QString &name, NativeFn fn);
    ClassBuilder &constant(const QString &name, const Value &v);
    // A prototype property that is not a function.
    ClassBuilder &protoValue(const QString &name, const Value &v);
    ClassBuilder &construct(Value (*fn)(Vm &, ClassObject *, const Value *, int));
    ClassBuilder &callAs(Value (*fn)(Vm &, const Value &, const Value *, int));
    ClassBuilder &init(NativeFn fn);
    ClassBuilder &alloc(Object *(*fn)(Vm &, ClassObject *), ObjKind kind);
    ClassBuilder &finalClass();
    ClassBuilder &interface();

    ClassObject *get() const { return m_class; }
    operator ClassObject *() const { return m_class; }

private:
    Method *native(const QString &name, NativeFn fn, int length);
    void addMethod(const Ns *ns, const QString &name, NativeFn fn, int length);
    void addAccessor(Traits &t, const Ns *ns, const QString &name, NativeFn fn, bool isGetter);

    Vm &m_vm;
    ClassObject *m_class;
};

// Adds a definition (class, function, constant) to the builtin global.
void defineGlobal(Vm &vm, const QString &pkg, const QString &name, const Value &v);
// A native function object, as the prototype and global functions are.
FunctionObject *nativeFunction(Vm &vm, const QString &name, NativeFn fn, int length);
// Puts a non-enumerable property on a prototype or class.
void setHidden(Object *o, const QString &name, const Value &v);

} // namespace swf::avm2
