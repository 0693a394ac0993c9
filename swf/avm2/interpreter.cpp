// The bytecode interpreter: one frame per call, its registers, operands
// and local scopes in the machine's value stack. The dispatch loop is long
// by nature; the heavier operations live in helpers below it.
#include "swf/avm2/interpreter.h"

#include "swf/avm2/abcunit.h"
#include "swf/avm2/arrayobject.h"
#include "swf/avm2/builtins.h"
#include "swf/avm2/bytearrayobject.h"
#include "swf/avm2/code.h"
#include "swf/avm2/opcodes.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace swf::avm2 {
namespace {

struct Frame {
    Vm &vm;
    Method *method;
    AbcUnit &unit;
    const Code &code;
    ScopeChain *outer;
    Value *locals;
    Value *stackBase;
    Value *scopes;
    quint8 *withFlags;
    int scopeDepth = 0;

    Value globalObject() const
    {
        if (outer && !outer->entries.empty())
            return outer->entries.front().value;
        return scopeDepth > 0 ? scopes[0] : Value();
    }
    ScopeChain *capture()
    {
        std::vector<ScopeChain::Entry> extra(static_cast<size_t>(scopeDepth));
        for (int i = 0; i < scopeDepth; ++i)
            extra[size_t(i)] = {scopes[i], withFlags[i] != 0};
        return vm.newScope(outer, extra.data(), scopeDepth);
    }
};

// Builds the runtime name of a multiname operand, popping its runtime
// parts from the operand stack.
Name takeName(Frame &f, qint32 mn, Value *&sp)
{
    const ResolvedName &rn = f.unit.names[size_t(mn)];
    if (!rn.runtimeName && !rn.runtimeNs)
        return rn.name;
    Name n = rn.name;
    if (rn.runtimeName) {
        const Value key = *--sp;
        n = f.vm.nameFromValue(key, n);
    }
    if (rn.runtimeNs) {
        const Value nsv = *--sp;
        Object *o = nsv.obj();
        if (!o || o->kind != ObjKind::Namespace)
            f.vm.throwError(ErrorType::TypeError, 1080);
        n.set = nullptr;
        n.ns = builtins::namespaceOf(f.vm, o);
    }
    return n;
}

bool scopeHas(Vm &vm, const Value &obj, bool with, bool global, const Name &name)
{
    if (with && !obj.isNullish())
        return vm.hasProperty(obj, name);
    Object *o = obj.obj();
    if (!o)
        return false;
    if (global)
        return vm.hasProperty(obj, name);
    return !name.hasIndex && o->traits && o->traits->find(name);
}

Value findProperty(Frame &f, const Name &name, bool strict)
{
    for (int i = f.scopeDepth - 1; i >= 0; --i) {
        if (scopeHas(f.vm, f.scopes[i], f.withFlags[i], !f.outer && i == 0, name))
            return f.scopes[i];
    }
    if (f.outer) {
        const auto &e = f.outer->entries;
        for (size_t i = e.size(); i-- > 0;) {
            if (scopeHas(f.vm, e[i].value, e[i].with, i == 0, name))
                return e[i].value;
        }
    }
    if (ScriptEntry *s = f.vm.findScript(name, true))
        return Value::object(s->global);
    if (strict)
        f.vm.throwError(ErrorType::ReferenceError, 1065, name.name);
    return f.globalObject();
}

ClassObject *superClass(Frame &f)
{
    ClassObject *c = f.method->declaringClass;
    if (!c || !c->base)
        f.vm.throwError(ErrorType::ReferenceError, 1035, f.method->name);
    return c->base;
}

const Binding *superBinding(Frame &f, const Name &name, ClassObject *&base)
{
    base = superClass(f);
    return base->instanceTraits->find(name);
}

Value getSuper(Frame &f, const Value &obj, const Name &name)
{
    ClassObject *base;
    const Binding *b = superBinding(f, name, base);
    if (b && b->kind == Binding::Accessor && b->getter >= 0) {
        const MethodEnv &env = base->instanceTraits->vtable[size_t(b->getter)];
        return f.vm.invoke(env.method, env.scope, obj, nullptr, 0);
    }
    if (b && b->kind == Binding::Method)
        return Value::object(f.vm.bindMethod(base->instanceTraits->vtable[b->slot], obj));
    return f.vm.getProperty(obj, name);
}

void setSuper(Frame &f, const Value &obj, const Name &name, const Value &v)
{
    ClassObject *base;
    const Binding *b = superBinding(f, name, base);
    if (b && b->kind == Binding::Accessor && b->setter >= 0) {
        const MethodEnv &env = base->instanceTraits->vtable[size_t(b->setter)];
        f.vm.invoke(env.method, env.scope, obj, &v, 1);
        return;
    }
    f.vm.setProperty(obj, name, v);
}

Value callSuper(Frame &f, const Value &obj, const Name &name, const Value *args, int argc)
{
    ClassObject *base;
    const Binding *b = superBinding(f, name, base);
    if (b && b->kind == Binding::Method) {
        const MethodEnv &env = base->instanceTraits->vtable[b->slot];
        return f.vm.invoke(env.method, env.scope, obj, args, argc);
    }
    if (!b)
        f.vm.throwError(ErrorType::ReferenceError, 1070, name.name, base->qualifiedName().replace(QStringLiteral("::"), QStringLiteral(".")));
    const Value fn = getSuper(f, obj, name);
    return f.vm.call(fn, obj, args, argc);
}

Object *newActivation(Frame &f)
{
    Code &code = const_cast<Code &>(f.code);
    if (!code.activation) {
        code.activation = std::make_unique<Traits>();
        const AbcMethod &am = f.unit.file.methods[f.method->index];
        f.unit.buildTraits(*code.activation, f.unit.file.bodies[size_t(am.body)].traits, f.capture(), nullptr);
    }
    auto *o = f.vm.heap.make<Object>(nullptr, code.activation.get(), nullptr, ObjKind::Activation);
    o->m_dynamic = false;
    return o;
}

Object *newCatch(Frame &f, int index)
{
    Code &code = const_cast<Code &>(f.code);
    if (code.catchTraits.size() != code.handlers.size())
        code.catchTraits.resize(code.handlers.size());
    auto &t = code.catchTraits[size_t(index)];
    if (!t) {
        t = std::make_unique<Traits>();
        const Handler &h = code.handlers[size_t(index)];
        if (h.nameMn) {
            const Name &n = f.unit.names[h.nameMn].name;
            SlotInfo s;
            s.name = n.name;
            s.unit = &f.unit;
            s.typeMn = h.typeMn;
            Binding b;
            b.kind = Binding::Slot;
            b.slot = t->addSlot(s);
            t->add(n.ns ? n.ns : f.vm.names.publicNs(), n.name, b);
        }
    }
    auto *o = f.vm.heap.make<Object>(nullptr, t.get(), nullptr, ObjKind::Activation);
    o->m_dynamic = false;
    return o;
}

Value newObjectFrom(Vm &vm, Value *items, int count)
{
    Object *o = vm.newObject();
    for (int i = 0; i < count; ++i)
        o->dyn().set(vm.toString(items[2 * i]), items[2 * i + 1]);
    return Value::object(o);
}

bool hasNext2(Vm &vm, Value &objReg, Value &idxReg)
{
    int idx = vm.toInt32(idxReg);
    Object *o = objReg.obj();
    if (!o && !objReg.isNullish() && objReg.isPrimitive())
        o = vm.prototypeOf(objReg), idx = 0;
    while (o) {
        const int next = o->nextIndex(vm, idx);
        if (next > 0) {
            objReg = Value::object(o);
            idxReg = Value::integer(next);
            return true;
        }
        o = o->proto;
        idx = 0;
    }
    objReg = Value::null();
    idxReg = Value::integer(0);
    return false;
}

Value instanceOf(Vm &vm, const Value &v, const Value &type)
{
    Object *t = type.obj();
    Object *proto = nullptr;
    if (t && t->kind == ObjKind::Class)
        proto = static_cast<ClassObject *>(t)->prototype;
    else if (t && t->kind == ObjKind::Function)
        proto = vm.functionPrototype(static_cast<FunctionObject *>(t));
    else
        vm.throwError(ErrorType::TypeError, 1040);
    for (Object *p = vm.prototypeOf(v); p; p = p->proto) {
        if (p == proto)
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

ClassObject *typeOperand(Vm &vm, const Value &type)
{
    Object *t = type.obj();
    if (!t || t->kind != ObjKind::Class)
        vm.throwError(ErrorType::TypeError, 1041);
    return static_cast<ClassObject *>(t);
}

ClassObject *resolveOrThrow(Frame &f, qint32 mn)
{
    ClassObject *c = f.unit.resolveType(quint32(mn));
    if (!c && f.unit.file.multinames[size_t(mn)].name != 0) {
        const QString name = f.unit.qualifiedName(quint32(mn));
        if (name != QLatin1String("*"))
            f.vm.throwError(ErrorType::ReferenceError, 1014, name);
    }
    return c;
}

void setupLocals(Frame &f, const Value &self, const Value *args, int argc, FunctionObject *callee)
{
    Vm &vm = f.vm;
    Method *m = f.method;
    const AbcMethod &am = f.unit.file.methods[m->index];
    const int params = m->paramCount;
    const int required = params - m->optionalCount;
    const bool rest = am.flags & (method_flags::kNeedRest | method_flags::kNeedArguments);
    // Class methods check their argument count; package-level functions
    // and closures take missing arguments as undefined, as the corpus shows
    // the Flash Player doing.
    if ((argc < required || (argc > params && !rest)) && m->declaringClass)
        vm.throwError(ErrorType::ArgumentError, 1063, m->name.isEmpty() ? QStringLiteral("Function/<anonymous>()") : m->name,
                      QString::number(required), QString::number(argc));
    f.locals[0] = self;
    for (int i = 0; i < params; ++i) {
        Value v;
        if (i < argc)
            v = args[i];
        else if (i >= required)
            v = f.unit.constant(am.optional[size_t(i - required)]);
        f.locals[i + 1] = m->paramTypes[size_t(i)] || v.isHole() ? vm.coerce(v, m->paramTypes[size_t(i)]) : v;
    }
    for (int i = params + 1; i < f.code.localCount; ++i)
        f.locals[i] = Value();
    if (am.flags & method_flags::kNeedRest) {
        ArrayObject *a = vm.newArray();
        for (int i = params; i < argc; ++i)
            a->push(args[i]);
        f.locals[params + 1] = Value::object(a);
    } else if (am.flags & method_flags::kNeedArguments) {
        f.locals[params + 1] = builtins::makeArguments(vm, args, argc, callee);
    }
}

int accessSize(quint8 o)
{
    switch (o) {
    case op::li8: case op::si8: return 1;
    case op::li16: case op::si16: return 2;
    case op::lf64: case op::sf64: return 8;
    default: return 4;
    }
}

// The domain memory bytes at an address, or RangeError #1506.
char *memoryAt(Vm &vm, const Value &addr, int size)
{
    const qint64 a = vm.toInt32(addr);
    ByteArrayObject *m = vm.domainMemory;
    if (!m || a < 0 || a + size > m->data.size())
        vm.throwError(ErrorType::RangeError, 1506);
    return m->data.data() + a;
}

Value loadMemory(Vm &vm, quint8 o, const Value &addr)
{
    const char *p = memoryAt(vm, addr, accessSize(o));
    switch (o) {
    case op::li8: return Value::integer(quint8(*p));
    case op::li16: { quint16 v; std::memcpy(&v, p, 2); return Value::integer(qFromLittleEndian(v)); }
    case op::li32: { qint32 v; std::memcpy(&v, p, 4); return Value::integer(qFromLittleEndian(v)); }
    case op::lf32: { float v; std::memcpy(&v, p, 4); return Value::number(double(v)); }
    default: { double v; std::memcpy(&v, p, 8); return Value::number(v); }
    }
}

void storeMemory(Vm &vm, quint8 o, const Value &addr, const Value &v)
{
    char *p = memoryAt(vm, addr, accessSize(o));
    switch (o) {
    case op::si8: *p = char(vm.toInt32(v)); break;
    case op::si16: { const quint16 x = qToLittleEndian(quint16(vm.toInt32(v))); std::memcpy(p, &x, 2); break; }
    case op::si32: { const qint32 x = qToLittleEndian(vm.toInt32(v)); std::memcpy(p, &x, 4); break; }
    case op::sf32: { const float x = float(vm.toNumber(v)); std::memcpy(p, &x, 4); break; }
    default: { const double x = vm.toNumber(v); std::memcpy(p, &x, 8); break; }
    }
}

Value run(Frame &f);

} // namespace

Value interpret(Vm &vm, Method *m, ScopeChain *scope, const Value &self, const Value *args, int argc,
                FunctionObject *callee)
{
    const Code &code = *m->code;
    const size_t need = size_t(code.localCount) + size_t(code.maxStack) + size_t(code.maxScope) + 1;
    const size_t base = vm.stackTop;
    if (base + need > vm.stack.size())
        vm.throwError(ErrorType::Error, 1023);
    Frame f{vm, m, *m->unit, code, scope, &vm.stack[base], nullptr, nullptr, nullptr};
    f.stackBase = f.locals + code.localCount;
    f.scopes = f.stackBase + code.maxStack;
    f.withFlags = &vm.withFlags[base + size_t(code.localCount) + size_t(code.maxStack)];
    // Stale values left by earlier frames may point at freed cells: clear
    // the frame before the collector can see it.
    std::fill(vm.stack.begin() + qsizetype(base), vm.stack.begin() + qsizetype(base + need), Value());
    vm.stackTop = base + need;
    vm.frameRoots.push_back({callee, scope});
    struct Restore {
        Vm &vm;
        size_t top;
        ~Restore()
        {
            vm.stackTop = top;
            vm.frameRoots.pop_back();
        }
    } restore{vm, base};
    setupLocals(f, self, args, argc, callee);
    return run(f);
}

namespace {

#define POP() (*--sp)
#define TOP() (sp[-1])
#define PUSH(v)                      \
    do {                             \
        const Value pushed_ = (v);   \
        *sp++ = pushed_;             \
    } while (0)

Value run(Frame &f)
{
    Vm &vm = f.vm;
    const Instr *const begin = f.code.instrs.data();
    const Instr *ip = begin;
    Value *sp = f.stackBase;
    Value *const locals = f.locals;
    for (;;) {
        try {
            for (;;) {
                const Instr &in = *ip++;
                switch (in.op) {
                case op::nop: case op::label: case op::debug: case op::debugline: case op::debugfile:
                case op::bkpt: case op::bkptline: case op::timestamp:
                    break;
                case op::throw_:
                    throw ScriptError{POP()};
                case op::getsuper: {
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    PUSH(getSuper(f, obj, n));
                    break;
                }
                case op::setsuper: {
                    const Value v = POP();
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    setSuper(f, obj, n, v);
                    break;
                }
                case op::dxns:
                    vm.defaultXmlNs = f.unit.file.strings[size_t(in.a)];
                    break;
                case op::dxnslate:
                    vm.defaultXmlNs = vm.toString(POP());
                    break;
                case op::kill:
                    locals[in.a] = Value();
                    break;
                case op::ifnlt: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(a, b) != 1) goto branch; break; }
                case op::ifnle: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(b, a) != 0) goto branch; break; }
                case op::ifngt: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(b, a) != 1) goto branch; break; }
                case op::ifnge: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(a, b) != 0) goto branch; break; }
                case op::jump: goto branch;
                case op::iftrue: if (vm.toBoolean(POP())) goto branch; break;
                case op::iffalse: if (!vm.toBoolean(POP())) goto branch; break;
                case op::ifeq: { const Value b = POP(); const Value a = POP(); if (vm.looseEquals(a, b)) goto branch; break; }
                case op::ifne: { const Value b = POP(); const Value a = POP(); if (!vm.looseEquals(a, b)) goto branch; break; }
                case op::iflt: {
                    const Value b = POP(); const Value a = POP();
                    if (a.isInt() && b.isInt() ? a.i < b.i : vm.lessThan(a, b) == 1) goto branch;
                    break;
                }
                case op::ifle: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(b, a) == 0) goto branch; break; }
                case op::ifgt: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(b, a) == 1) goto branch; break; }
                case op::ifge: { const Value b = POP(); const Value a = POP(); if (vm.lessThan(a, b) == 0) goto branch; break; }
                case op::ifstricteq: { const Value b = POP(); const Value a = POP(); if (vm.strictEquals(a, b)) goto branch; break; }
                case op::ifstrictne: { const Value b = POP(); const Value a = POP(); if (!vm.strictEquals(a, b)) goto branch; break; }
                case op::lookupswitch: {
                    const Value v = POP();
                    const qint32 *t = &f.code.tables[size_t(in.a)];
                    const double d = vm.toNumber(v);
                    const int count = t[1];
                    const int target = (d >= 0 && d < count && d == std::floor(d)) ? t[2 + int(d)] : t[0];
                    if (target <= int(&in - begin))
                        vm.safePoint();
                    ip = begin + target;
                    break;
                }
                case op::pushwith:
                case op::pushscope: {
                    const Value v = POP();
                    if (v.isNullish())
                        vm.throwError(ErrorType::TypeError, v.isNull() ? 1009 : 1010);
                    f.scopes[f.scopeDepth] = v;
                    f.withFlags[f.scopeDepth] = in.op == op::pushwith;
                    ++f.scopeDepth;
                    break;
                }
                case op::popscope:
                    --f.scopeDepth;
                    break;
                case op::nextname: { const Value i = POP(); const Value o = POP(); PUSH(o.obj() ? o.o->nameAt(vm, vm.toInt32(i)) : Value()); break; }
                case op::nextvalue: { const Value i = POP(); const Value o = POP(); PUSH(o.obj() ? o.o->valueAt(vm, vm.toInt32(i)) : Value()); break; }
                case op::hasnext: {
                    const Value i = POP();
                    const Value o = POP();
                    Value obj = o, idx = i;
                    PUSH(Value::integer(o.obj() && hasNext2(vm, obj, idx) && obj.o == o.o ? idx.i : 0));
                    break;
                }
                case op::hasnext2:
                    PUSH(Value::boolean(hasNext2(vm, locals[in.a], locals[in.b])));
                    break;
                case op::pushnull: PUSH(Value::null()); break;
                case op::pushundefined: PUSH(Value()); break;
                case op::pushbyte: case op::pushshort: PUSH(Value::integer(in.a)); break;
                case op::pushtrue: PUSH(Value::boolean(true)); break;
                case op::pushfalse: PUSH(Value::boolean(false)); break;
                case op::pushnan: PUSH(Value::number(std::nan(""))); break;
                case op::pop: --sp; break;
                case op::dup: *sp = sp[-1]; ++sp; break;
                case op::swap: std::swap(sp[-1], sp[-2]); break;
                case op::pushstring: PUSH(Value::string(f.unit.string(quint32(in.a)))); break;
                case op::pushint: PUSH(Value::integer(f.unit.file.ints[size_t(in.a)])); break;
                case op::pushuint: PUSH(Value::uinteger(f.unit.file.uints[size_t(in.a)])); break;
                case op::pushdouble: PUSH(Value::number(f.unit.file.doubles[size_t(in.a)])); break;
                case op::pushnamespace: PUSH(builtins::makeNamespace(vm, f.unit.namespaces[size_t(in.a)])); break;
                case op::li8: case op::li16: case op::li32: case op::lf32: case op::lf64:
                    TOP() = loadMemory(vm, in.op, TOP());
                    break;
                case op::si8: case op::si16: case op::si32: case op::sf32: case op::sf64: {
                    const Value addr = POP();
                    const Value v = POP();
                    storeMemory(vm, in.op, addr, v);
                    break;
                }
                case op::newfunction:
                    PUSH(Value::object(vm.newFunction(f.unit.methods[size_t(in.a)].get(), f.capture())));
                    break;
                case op::call: {
                    sp -= in.a;
                    const Value self = POP();
                    const Value fn = POP();
                    PUSH(vm.call(fn, self, sp + 2, in.a));
                    break;
                }
                case op::construct: {
                    sp -= in.a;
                    const Value ctor = POP();
                    PUSH(vm.construct(ctor, sp + 1, in.a));
                    break;
                }
                case op::callmethod:
                    vm.throwError(ErrorType::VerifyError, 1001, QStringLiteral("callmethod"));
                case op::callstatic: {
                    sp -= in.b;
                    const Value self = POP();
                    PUSH(vm.invoke(f.unit.methods[size_t(in.a)].get(), f.capture(), self, sp + 1, in.b));
                    break;
                }
                case op::callsuper:
                case op::callsupervoid: {
                    sp -= in.b;
                    Value *args = sp;
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    const Value r = callSuper(f, obj, n, args, in.b);
                    if (in.op == op::callsuper)
                        PUSH(r);
                    break;
                }
                case op::callproperty:
                case op::callproplex:
                case op::callpropvoid: {
                    sp -= in.b;
                    Value *args = sp;
                    // The arguments stay where they are: the frame's whole
                    // operand area is traced, above the stack pointer too.
                    const Value *argv = args;
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    const Value r = vm.callProperty(obj, n, argv, in.b);
                    if (in.op != op::callpropvoid)
                        PUSH(r);
                    break;
                }
                case op::returnvoid:
                    return Value();
                case op::returnvalue: {
                    const Value r = POP();
                    if (f.method->returnType)
                        return vm.coerce(r, f.method->returnType);
                    return r;
                }
                case op::constructsuper: {
                    sp -= in.a;
                    const Value obj = POP();
                    vm.runConstructor(superClass(f), vm.toObject(obj), sp + 1, in.a);
                    break;
                }
                case op::constructprop: {
                    sp -= in.b;
                    const Value *args = sp;
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    const Value ctor = vm.getProperty(obj, n);
                    if (!ctor.obj())
                        vm.throwError(ErrorType::TypeError, 1007);
                    PUSH(vm.construct(ctor, args, in.b));
                    break;
                }
                case op::sxi1: { const qint32 v = vm.toInt32(TOP()); TOP() = Value::integer(-(v & 1)); break; }
                case op::sxi8: { const qint32 v = vm.toInt32(TOP()); TOP() = Value::integer(qint8(v)); break; }
                case op::sxi16: { const qint32 v = vm.toInt32(TOP()); TOP() = Value::integer(qint16(v)); break; }
                case op::applytype: {
                    sp -= in.a;
                    const Value base = POP();
                    PUSH(vm.applyType(base, sp + 1, in.a));
                    break;
                }
                case op::newobject:
                    sp -= 2 * in.a;
                    PUSH(newObjectFrom(vm, sp, in.a));
                    break;
                case op::newarray: {
                    sp -= in.a;
                    ArrayObject *a = vm.newArray(size_t(in.a));
                    for (int i = 0; i < in.a; ++i)
                        a->push(sp[i]);
                    PUSH(Value::object(a));
                    break;
                }
                case op::newactivation:
                    PUSH(Value::object(newActivation(f)));
                    break;
                case op::newclass: {
                    const Value base = POP();
                    Object *b = base.obj();
                    if (b && b->kind != ObjKind::Class)
                        vm.throwError(ErrorType::VerifyError, 1108);
                    PUSH(Value::object(f.unit.newClass(quint32(in.a), static_cast<ClassObject *>(b), f.capture())));
                    break;
                }
                case op::getdescendants: {
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    PUSH(builtins::xmlDescendants(vm, obj, n));
                    break;
                }
                case op::newcatch:
                    PUSH(Value::object(newCatch(f, in.a)));
                    break;
                case op::findpropstrict:
                case op::findproperty: {
                    Name n = takeName(f, in.a, sp);
                    PUSH(findProperty(f, n, in.op == op::findpropstrict));
                    break;
                }
                case op::finddef: {
                    ScriptEntry *s = vm.findScript(f.unit.names[size_t(in.a)].name, true);
                    if (!s)
                        vm.throwError(ErrorType::ReferenceError, 1065, f.unit.names[size_t(in.a)].name.name);
                    PUSH(Value::object(s->global));
                    break;
                }
                case op::getlex: {
                    const Name &n = f.unit.names[size_t(in.a)].name;
                    const Value obj = findProperty(f, n, true);
                    PUSH(vm.getProperty(obj, n));
                    break;
                }
                case op::setproperty:
                case op::initproperty: {
                    const Value v = POP();
                    const ResolvedName &rn = f.unit.names[size_t(in.a)];
                    if (rn.runtimeName && !rn.runtimeNs && sp[-1].isInt() && sp[-2].obj() &&
                        sp[-2].o->kind == ObjKind::Array && sp[-1].i >= 0) {
                        const qint32 idx = POP().i;
                        static_cast<ArrayObject *>(POP().o)->setIndex(vm, quint32(idx), v);
                        break;
                    }
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    vm.setProperty(obj, n, v, in.op == op::initproperty);
                    break;
                }
                case op::getlocal: PUSH(locals[in.a]); break;
                case op::setlocal: locals[in.a] = POP(); break;
                case op::getglobalscope: PUSH(f.globalObject()); break;
                case op::getscopeobject: PUSH(f.scopes[in.a]); break;
                case op::getouterscope:
                    if (!f.outer || size_t(in.a) >= f.outer->entries.size())
                        vm.throwError(ErrorType::VerifyError, 1019, QString::number(in.a));
                    PUSH(f.outer->entries[size_t(in.a)].value);
                    break;
                case op::getproperty: {
                    const ResolvedName &rn = f.unit.names[size_t(in.a)];
                    if (rn.runtimeName && !rn.runtimeNs && sp[-1].isInt() && sp[-2].obj() &&
                        sp[-2].o->kind == ObjKind::Array && sp[-1].i >= 0) {
                        const qint32 idx = POP().i;
                        ArrayObject *a = static_cast<ArrayObject *>(TOP().o);
                        Value out;
                        if (a->getIndex(quint32(idx), out)) {
                            TOP() = out;
                            break;
                        }
                        PUSH(Value::integer(idx));
                    }
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    PUSH(vm.getProperty(obj, n));
                    break;
                }
                case op::deleteproperty: {
                    Name n = takeName(f, in.a, sp);
                    const Value obj = POP();
                    PUSH(Value::boolean(vm.deleteProperty(obj, n)));
                    break;
                }
                case op::getslot: {
                    Object *o = vm.toObject(POP());
                    if (in.a < 1 || size_t(in.a) > o->slotv.size())
                        vm.throwError(ErrorType::VerifyError, 1026, QString::number(in.a), QString::number(o->slotv.size()), vm.displayName(Value::object(o)));
                    PUSH(o->slotv[size_t(in.a) - 1]);
                    break;
                }
                case op::setslot: {
                    const Value v = POP();
                    Object *o = vm.toObject(POP());
                    if (in.a < 1 || size_t(in.a) > o->slotv.size())
                        vm.throwError(ErrorType::VerifyError, 1026, QString::number(in.a), QString::number(o->slotv.size()), vm.displayName(Value::object(o)));
                    vm.setSlot(o, quint32(in.a - 1), v);
                    break;
                }
                case op::getglobalslot:
                case op::setglobalslot: {
                    Object *g = f.globalObject().obj();
                    if (!g || in.a < 1 || size_t(in.a) > g->slotv.size())
                        vm.throwError(ErrorType::VerifyError, 1026, QString::number(in.a));
                    if (in.op == op::getglobalslot)
                        PUSH(g->slotv[size_t(in.a) - 1]);
                    else
                        vm.setSlot(g, quint32(in.a - 1), POP());
                    break;
                }
                case op::convert_s: TOP() = TOP().isString() ? TOP() : vm.sv(vm.toString(TOP())); break;
                case op::esc_xelem: TOP() = builtins::xmlEscape(vm, TOP(), false); break;
                case op::esc_xattr: TOP() = builtins::xmlEscape(vm, TOP(), true); break;
                case op::convert_i: case op::coerce_i: TOP() = Value::integer(vm.toInt32(TOP())); break;
                case op::convert_u: case op::coerce_u: TOP() = Value::uinteger(vm.toUint32(TOP())); break;
                case op::convert_d: case op::coerce_d: if (!TOP().isNumeric()) TOP() = Value::number(vm.toNumber(TOP())); break;
                case op::convert_b: case op::coerce_b: TOP() = Value::boolean(vm.toBoolean(TOP())); break;
                case op::convert_o: vm.toObject(TOP()); break;
                case op::checkfilter:
                    if (!TOP().obj() || (TOP().o->kind != ObjKind::Xml && TOP().o->kind != ObjKind::XmlList))
                        vm.throwError(ErrorType::TypeError, 1123, vm.displayName(TOP()));
                    break;
                case op::coerce: TOP() = vm.coerce(TOP(), resolveOrThrow(f, in.a)); break;
                case op::coerce_a: if (TOP().isHole()) TOP() = Value(); break;
                case op::coerce_s: TOP() = TOP().isNullish() ? Value::null() : (TOP().isString() ? TOP() : vm.sv(vm.toString(TOP()))); break;
                case op::coerce_o: if (TOP().isUndefined()) TOP() = Value::null(); break;
                case op::astype: { ClassObject *c = resolveOrThrow(f, in.a); if (!vm.isType(TOP(), c)) TOP() = Value::null(); break; }
                case op::astypelate: { ClassObject *c = typeOperand(vm, POP()); if (!vm.isType(TOP(), c)) TOP() = Value::null(); break; }
                case op::istype: TOP() = Value::boolean(vm.isType(TOP(), resolveOrThrow(f, in.a))); break;
                case op::istypelate: { ClassObject *c = typeOperand(vm, POP()); TOP() = Value::boolean(vm.isType(TOP(), c)); break; }
                case op::negate:
                    TOP() = TOP().isInt() && TOP().i != 0 && TOP().i != INT_MIN ? Value::integer(-TOP().i) : Value::number(-vm.toNumber(TOP()));
                    break;
                case op::increment:
                    TOP() = TOP().isInt() && TOP().i != INT_MAX ? Value::integer(TOP().i + 1) : Value::number(vm.toNumber(TOP()) + 1);
                    break;
                case op::decrement:
                    TOP() = TOP().isInt() && TOP().i != INT_MIN ? Value::integer(TOP().i - 1) : Value::number(vm.toNumber(TOP()) - 1);
                    break;
                case op::inclocal: locals[in.a] = Value::number(vm.toNumber(locals[in.a]) + 1); break;
                case op::declocal: locals[in.a] = Value::number(vm.toNumber(locals[in.a]) - 1); break;
                case op::typeof_: TOP() = vm.sv(vm.typeOf(TOP())); break;
                case op::not_: TOP() = Value::boolean(!vm.toBoolean(TOP())); break;
                case op::bitnot: TOP() = Value::integer(~vm.toInt32(TOP())); break;
                case op::add: {
                    const Value b = POP();
                    Value &a = TOP();
                    if (a.isInt() && b.isInt()) {
                        const qint64 r = qint64(a.i) + b.i;
                        a = r == qint32(r) ? Value::integer(qint32(r)) : Value::number(double(r));
                    } else {
                        a = vm.add(a, b);
                    }
                    break;
                }
                case op::subtract: {
                    const Value b = POP();
                    Value &a = TOP();
                    if (a.isInt() && b.isInt()) {
                        const qint64 r = qint64(a.i) - b.i;
                        a = r == qint32(r) ? Value::integer(qint32(r)) : Value::number(double(r));
                    } else {
                        a = Value::number(vm.toNumber(a) - vm.toNumber(b));
                    }
                    break;
                }
                case op::multiply: { const Value b = POP(); const double x = vm.toNumber(TOP()); TOP() = Value::number(x * vm.toNumber(b)); break; }
                case op::divide: { const Value b = POP(); const double x = vm.toNumber(TOP()); TOP() = Value::number(x / vm.toNumber(b)); break; }
                case op::modulo: {
                    const Value b = POP();
                    if (TOP().isInt() && b.isInt() && b.i > 0 && TOP().i >= 0) {
                        TOP() = Value::integer(TOP().i % b.i);
                        break;
                    }
                    const double x = vm.toNumber(TOP());
                    TOP() = Value::number(std::fmod(x, vm.toNumber(b)));
                    break;
                }
                case op::lshift: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(qint32(quint32(x) << (vm.toUint32(b) & 31))); break; }
                case op::rshift: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(x >> (vm.toUint32(b) & 31)); break; }
                case op::urshift: { const Value b = POP(); const quint32 x = vm.toUint32(TOP()); TOP() = Value::uinteger(x >> (vm.toUint32(b) & 31)); break; }
                case op::bitand_: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(x & vm.toInt32(b)); break; }
                case op::bitor_: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(x | vm.toInt32(b)); break; }
                case op::bitxor: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(x ^ vm.toInt32(b)); break; }
                case op::equals: { const Value b = POP(); TOP() = Value::boolean(vm.looseEquals(TOP(), b)); break; }
                case op::strictequals: { const Value b = POP(); TOP() = Value::boolean(vm.strictEquals(TOP(), b)); break; }
                case op::lessthan: { const Value b = POP(); TOP() = Value::boolean(vm.lessThan(TOP(), b) == 1); break; }
                case op::lessequals: { const Value b = POP(); TOP() = Value::boolean(vm.lessThan(b, TOP()) == 0); break; }
                case op::greaterthan: { const Value b = POP(); TOP() = Value::boolean(vm.lessThan(b, TOP()) == 1); break; }
                case op::greaterequals: { const Value b = POP(); TOP() = Value::boolean(vm.lessThan(TOP(), b) == 0); break; }
                case op::instanceof: { const Value t = POP(); TOP() = instanceOf(vm, TOP(), t); break; }
                case op::in: {
                    const Value o = POP();
                    const Value key = TOP();
                    if (o.isNullish())
                        vm.throwError(ErrorType::TypeError, o.isNull() ? 1009 : 1010);
                    TOP() = Value::boolean(vm.hasProperty(o, vm.nameFromValue(key, vm.publicName(QString()))));
                    break;
                }
                case op::increment_i: TOP() = Value::integer(qint32(quint32(vm.toInt32(TOP())) + 1u)); break;
                case op::decrement_i: TOP() = Value::integer(qint32(quint32(vm.toInt32(TOP())) - 1u)); break;
                case op::inclocal_i: locals[in.a] = Value::integer(qint32(quint32(vm.toInt32(locals[in.a])) + 1u)); break;
                case op::declocal_i: locals[in.a] = Value::integer(qint32(quint32(vm.toInt32(locals[in.a])) - 1u)); break;
                case op::negate_i: TOP() = Value::integer(qint32(0u - quint32(vm.toInt32(TOP())))); break;
                case op::add_i: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(qint32(quint32(x) + quint32(vm.toInt32(b)))); break; }
                case op::subtract_i: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(qint32(quint32(x) - quint32(vm.toInt32(b)))); break; }
                case op::multiply_i: { const Value b = POP(); const qint32 x = vm.toInt32(TOP()); TOP() = Value::integer(qint32(quint32(x) * quint32(vm.toInt32(b)))); break; }
                case op::getlocal0: PUSH(locals[0]); break;
                case op::getlocal1: PUSH(locals[1]); break;
                case op::getlocal2: PUSH(locals[2]); break;
                case op::getlocal3: PUSH(locals[3]); break;
                case op::setlocal0: locals[0] = POP(); break;
                case op::setlocal1: locals[1] = POP(); break;
                case op::setlocal2: locals[2] = POP(); break;
                case op::setlocal3: locals[3] = POP(); break;
                default:
                    vm.throwError(ErrorType::VerifyError, 1011, f.method->name, QString::number(in.op),
                                  QString::number(int(&in - begin)));
                }
                continue;
            branch:
                if (in.a <= int(&in - begin))
                    vm.safePoint();
                ip = begin + in.a;
            }
        } catch (ScriptError &e) {
            const int at = int(ip - begin) - 1;
            const Handler *found = nullptr;
            for (const Handler &h : f.code.handlers) {
                if (at >= h.from && at < h.to) {
                    ClassObject *type = h.typeMn ? f.unit.resolveType(h.typeMn) : nullptr;
                    if (!h.typeMn || (type && vm.isType(e.value, type))) {
                        found = &h;
                        break;
                    }
                }
            }
            if (!found)
                throw;
            sp = f.stackBase;
            PUSH(e.value);
            f.scopeDepth = 0;
            ip = begin + found->target;
        }
    }
}

} // namespace
} // namespace swf::avm2
