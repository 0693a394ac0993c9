// Calls and construction: closures, method closures, classes called as
// functions (conversions), natives; argument checks and recursion limits.
#include "swf/avm2/vm.h"

#include "swf/avm2/abcunit.h"
#include "swf/avm2/arrayobject.h"
#include "swf/avm2/builtins.h"
#include "swf/avm2/code.h"
#include "swf/avm2/interpreter.h"
#include "swf/runtime/stackdepth.h"

namespace swf::avm2 {
namespace {

void prepare(Vm &vm, Method *m)
{
    if (!m->decoded) {
        m->decoded = true;
        const AbcMethod &am = m->unit->file.methods[m->index];
        if (am.body < 0) {
            m->verifyError = Vm::errorMessage(
                1001, m->name.isEmpty() ? QStringLiteral("anonymous") : m->name, {}, {});
        } else {
            VerifyFailure failure;
            m->code =
                decodeBody(*m->unit, m->unit->file.bodies[size_t(am.body)], m->paramCount, failure);
            if (!m->code)
                m->verifyError = Vm::errorMessage(failure.code, failure.arg1, failure.arg2, {});
        }
    }
    if (!m->code)
        vm.throwValue(vm.constructClass(vm.errorClasses[int(ErrorType::VerifyError)],
                                        std::array<Value, 1>{vm.sv(m->verifyError)}.data(), 1));
    if (!m->typesResolved) {
        const AbcMethod &am = m->unit->file.methods[m->index];
        m->paramTypes.clear();
        for (quint32 t : am.paramTypes)
            m->paramTypes.push_back(m->unit->resolveType(t));
        m->returnType = m->unit->resolveType(am.returnType);
        m->typesResolved = true;
    }
}

struct DepthGuard {
    Vm &vm;
    explicit DepthGuard(Vm &v) : vm(v)
    {
        // The movie's depth, or the thread's stack where frames are larger
        // than that depth allows for: either way the movie sees error 1023.
        if (++vm.depth > vm.options.maxRecursion || swf::stackNearlyExhausted()) {
            --vm.depth;
            vm.throwError(ErrorType::Error, 1023);
        }
    }
    ~DepthGuard() { --vm.depth; }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
};

} // namespace

Value Vm::invoke(Method *m, ScopeChain *scope, const Value &self, const Value *args, int argc,
                 FunctionObject *callee)
{
    if (m->native) {
        NoGc noGc(*this);
        return m->native(*this, self, args, argc);
    }
    prepare(*this, m);
    DepthGuard guard(*this);
    return interpret(*this, m, scope, self, args, argc, callee);
}

Value Vm::call(const Value &fn, const Value &self, const Value *args, int argc)
{
    Object *o = fn.obj();
    if (o && o->kind == ObjKind::Function) {
        auto *f = static_cast<FunctionObject *>(o);
        Value thisv = f->bound ? f->boundThis : self;
        if (thisv.isNullish() && !f->bound && f->scope && !f->scope->entries.empty())
            thisv = f->scope->entries.front().value;
        return invoke(f->method, f->scope, thisv, args, argc, f);
    }
    if (o && o->kind == ObjKind::Class) {
        auto *c = static_cast<ClassObject *>(o);
        if (c->callFn) {
            NoGc noGc(*this);
            return c->callFn(*this, fn, args, argc);
        }
        if (argc != 1)
            throwError(ErrorType::ArgumentError, 1112, QString::number(argc));
        return coerce(args[0], c);
    }
    throwError(ErrorType::TypeError, 1006, QStringLiteral("value"));
}

Object *Vm::functionPrototype(FunctionObject *f)
{
    if (!f->prototypeObject) {
        f->prototypeObject = newObject();
        f->prototypeObject->dyn().set(QStringLiteral("constructor"), Value::object(f));
        f->prototypeObject->dyn().find(QStringLiteral("constructor"))->dontEnum = true;
    }
    return f->prototypeObject;
}

Value Vm::construct(const Value &ctor, const Value *args, int argc)
{
    Object *o = ctor.obj();
    if (o && o->kind == ObjKind::Class)
        return constructClass(static_cast<ClassObject *>(o), args, argc);
    if (o && o->kind == ObjKind::Function) {
        auto *f = static_cast<FunctionObject *>(o);
        if (f->bound || f->method->declaringClass)
            throwError(ErrorType::TypeError, 1064, f->method->name);
        Object *proto = functionPrototype(f);
        Object *obj = heap.make<Object>(objectClass, nullptr, proto);
        const Value self = Value::object(obj);
        const Value r = invoke(f->method, f->scope, self, args, argc, f);
        return r.isObject() ? r : self;
    }
    throwError(ErrorType::TypeError, 1007);
}

Value Vm::constructClass(ClassObject *cls, const Value *args, int argc)
{
    if (cls->isInterface)
        throwError(ErrorType::TypeError, 1007);
    if (cls->constructFn) {
        NoGc noGc(*this);
        return cls->constructFn(*this, cls, args, argc);
    }
    Object *obj = cls->allocFn ? cls->allocFn(*this, cls) : nullptr;
    if (!obj) {
        obj = heap.make<Object>(cls, cls->instanceTraits.get(), cls->prototype);
        obj->m_dynamic = !cls->sealed;
    }
    runConstructor(cls, obj, args, argc);
    return Value::object(obj);
}

void Vm::runConstructor(ClassObject *cls, Object *self, const Value *args, int argc)
{
    if (cls && cls->iinit)
        invoke(cls->iinit, cls->instanceScope, Value::object(self), args, argc);
}

Object *Vm::newObject()
{
    return heap.make<Object>(objectClass, nullptr, objectClass ? objectClass->prototype : nullptr);
}

FunctionObject *Vm::newFunction(Method *m, ScopeChain *scope)
{
    return heap.make<FunctionObject>(functionClass,
                                     functionClass ? functionClass->instanceTraits.get() : nullptr,
                                     functionClass ? functionClass->prototype : nullptr, m, scope);
}

FunctionObject *Vm::newNative(const QString &name, NativeFn fn, int length)
{
    auto m = std::make_unique<Method>();
    m->native = fn;
    m->name = name;
    m->nativeLength = length;
    FunctionObject *f = newFunction(m.get(), nullptr);
    nativeMethods.push_back(std::move(m));
    return f;
}

FunctionObject *Vm::bindMethod(const MethodEnv &env, const Value &self)
{
    FunctionObject *f = newFunction(env.method, env.scope);
    f->bound = true;
    f->boundThis = self;
    return f;
}

ScopeChain *Vm::newScope(const ScopeChain *outer, const ScopeChain::Entry *extra, int count)
{
    return heap.make<ScopeChain>(outer, extra, count);
}

} // namespace swf::avm2

namespace swf::avm2 {
Method::Method() = default;
Method::~Method() = default;
} // namespace swf::avm2
