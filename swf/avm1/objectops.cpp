// Members, objects, functions, calls and enumeration.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/ops.h"
#include "swf/avm1/superobject.h"
#include "swf/runtime/player.h"

#include <cmath>

namespace swf::avm1 {

bool Ops::objects(quint8 code, const Operation &op)
{
    switch (code) {
    case Op::GetVariable:
        push(getVariable(m.toString(pop())));
        return true;
    case Op::SetVariable: {
        Value value = pop();
        setVariable(m.toString(pop()), value);
        return true;
    }
    case Op::DefineLocal: {
        Value value = pop();
        defineLocal(m.toString(pop()), value);
        return true;
    }
    case Op::DefineLocal2: {
        const StrRef name = m.toString(pop());
        Object *scope = f.locals ? f.locals : f.target;
        if (scope && !m.hasOwnProperty(scope, m.key(name.data())))
            m.set(scope, m.key(name.data()), Value(), name.data());
        return true;
    }
    case Op::GetMember: {
        Value name = pop();
        Value object = pop();
        push(m.getMember(object, name));
        return true;
    }
    case Op::SetMember: {
        Value value = pop();
        Value name = pop();
        Value object = pop();
        m.setMember(object, name, value);
        return true;
    }
    case Op::Delete: {
        Value name = pop();
        Object *object = m.toObject(pop());
        push(Value(object && m.deleteProperty(object, m.key(m.toString(name).data()))));
        return true;
    }
    case Op::Delete2:
        push(Value(deleteVariable(m.toString(pop()))));
        return true;
    case Op::CallFunction: {
        const Value name = pop();
        std::vector<Value> args = popArgs();
        // `this` is the object of the scope chain the function was found
        // on: the timeline, an activation, a with object, _global.
        Object *owner = nullptr;
        const Value function = getVariable(m.toString(name), &owner);
        // super(): the constructor above, with the caller's this.
        if (auto *super = dynamic_cast<SuperObject *>(function.asObject())) {
            callValue(super->constructorValue(m), super->self(), std::move(args), false, nullptr,
                      super->constructorBase());
            return true;
        }
        // A function called by name is no method: it has no super.
        SuperBase none;
        none.kind = SuperBase::Kind::None;
        callValue(function, owner ? Value(owner) : Value(), std::move(args), false, nullptr, none);
        return true;
    }
    case Op::CallMethod: {
        const Value name = pop();
        const Value object = pop();
        std::vector<Value> args = popArgs();
        // The name is read as a string once; one that reads as empty calls
        // the object itself.
        const Value key = name.isUndefined() ? Value(StrRef()) : Value(m.toString(name));
        const bool unnamed = key.string()->text().isEmpty();
        if (auto *super = dynamic_cast<SuperObject *>(object.asObject())) {
            SuperBase base = super->constructorBase();
            const Value function =
                unnamed ? super->constructorValue(m) : super->method(m, key.stringRef(), base);
            callValue(function, super->self(), std::move(args), false, nullptr, base);
            return true;
        }
        if (unnamed) {
            // No `this`, but super still starts from the function called.
            SuperBase base;
            base.self = object;
            callValue(object, Value(), std::move(args), false, nullptr, base);
            return true;
        }
        const Value function = m.getMember(object, key);
        callValue(function, object, std::move(args), false, nullptr);
        return true;
    }
    case Op::NewObject: {
        const Value name = pop();
        std::vector<Value> args = popArgs();
        newObject(getVariable(m.toString(name)), std::move(args));
        return true;
    }
    case Op::NewMethod: {
        const Value name = pop();
        const Value object = pop();
        std::vector<Value> args = popArgs();
        // The name is read as a string once; one that reads as empty
        // constructs the object itself.
        const Value key = name.isUndefined() ? Value(StrRef()) : Value(m.toString(name));
        const bool unnamed = key.string()->text().isEmpty();
        newObject(unnamed ? object : m.getMember(object, key), std::move(args));
        return true;
    }
    case Op::InitArray: {
        std::vector<Value> elements = popArgs(true);
        ArrayObject *array = m.newLiteralArray();
        array->elements() = std::move(elements);
        push(Value(array));
        return true;
    }
    case Op::InitObject: {
        const double n = m.toNumber(pop());
        // A count past the stack takes all of it, a name missing from the
        // last pair read as undefined.
        const qint64 available = (qint64(in.m_stack.size() - f.stackBase) + 1) / 2;
        const qint64 count = std::isnan(n) || n < 0 ? 0 : qMin(qint64(n), available);
        Object *object = m.newLiteralObject();
        for (qint64 i = 0; i < count; ++i) {
            Value value = pop();
            const StrRef name = m.toString(pop());
            m.set(object, m.key(name.data()), value, name.data());
        }
        push(Value(object));
        return true;
    }
    case Op::TypeOf:
        push(Value(m.typeOf(pop())));
        return true;
    case Op::Enumerate:
        enumerate(getVariable(m.toString(pop())));
        return true;
    case Op::Enumerate2:
        enumerate(pop());
        return true;
    case Op::DefineFunction:
    case Op::DefineFunction2:
        defineFunction(op);
        return true;
    case Op::Extends: {
        Object *superclass = pop().asObject();
        Object *subclass = pop().asObject();
        if (!superclass || !subclass)
            return true;
        Object *prototype = m.newObject();
        m.setPrototypeOf(prototype, m.get(superclass, m.names().prototype.data()).asObject());
        m.defineValue(prototype, m.names().constructor2.text(), Value(superclass),
                      PropertyFlag::DontEnum);
        m.set(subclass, m.names().prototype.data(), Value(prototype));
        return true;
    }
    case Op::CastOp: {
        const Value object = pop();
        const Value constructor = pop();
        push(m.instanceOf(object, constructor.asObject()) ? object : Value::null());
        return true;
    }
    case Op::ImplementsOp: {
        Object *constructor = pop().asObject();
        std::vector<Value> interfaces = popArgs();
        if (!constructor)
            return true;
        Object *prototype = m.get(constructor, m.names().prototype.data()).asObject();
        if (!prototype)
            return true;
        for (const Value &value : interfaces) {
            if (Object *i = value.asObject())
                prototype->addInterface(i);
        }
        return true;
    }
    case Op::TargetPath: {
        DisplayObject *object = m.displayObjectOf(pop());
        push(object ? Value(m.targetPathOf(*object)) : Value());
        return true;
    }
    default:
        return false;
    }
}

void Ops::callValue(const Value &function, const Value &self, std::vector<Value> args,
                    bool construct, Object *made, const SuperBase &base)
{
    auto *callee = dynamic_cast<FunctionObject *>(function.asObject());
    if (!callee) {
        push(construct && made ? Value(made) : Value());
        return;
    }
    const Value thisValue = construct ? Value(made) : self;
    if (callee->isNative()) {
        const Args list(args);
        Value result;
        if (construct && callee->nativeConstruct()) {
            result = callee->nativeConstruct()(m, thisValue, list);
        } else {
            result = callee->native()(m, thisValue, list);
            if (construct && !result.isObject())
                result = thisValue;
        }
        push(std::move(result));
        return;
    }
    const size_t frames = in.m_frames.size();
    in.enterFunction(*callee, thisValue, Args(args), construct, false, base);
    if (in.m_frames.size() == frames)
        push(Value()); // refused: too deep
}

void Ops::newObject(const Value &constructor, std::vector<Value> args)
{
    auto *callee = dynamic_cast<FunctionObject *>(constructor.asObject());
    if (!callee) {
        push(Value());
        return;
    }
    if (callee->isNative() && callee->nativeConstruct()) {
        callValue(constructor, Value(), std::move(args), true, nullptr);
        if (Object *made = in.m_stack.back().asObject())
            m.linkConstructed(made, callee);
        return;
    }
    Object *made = m.newObject();
    m.initializeConstructed(made, callee);
    callValue(constructor, Value(made), std::move(args), true, made);
}

// Pushes undefined, then the names for..in visits: the object's own
// enumerable properties, then its prototypes', each name once.
void Ops::enumerate(const Value &value)
{
    push(Value());
    Object *object = m.toObject(value);
    if (!object || value.isString() || value.isNumber() || value.isBoolean())
        return;
    std::vector<StrRef> names;
    m.enumerableNames(object, names);
    for (StrRef &name : names)
        push(Value(std::move(name)));
}

void Ops::defineFunction(const Operation &op)
{
    const FunctionCode &code = f.program->functions[size_t(op.a)];
    // Before version 6 a function closes over no activation: its scope
    // is its own locals and the timeline. From 6 it keeps the with
    // objects around its definition too.
    std::vector<Object *> scope = m.version() >= 6 ? f.scope : std::vector<Object *>();
    // The timeline the code belongs to, whatever SetTarget points at.
    if (scope.empty() && f.timeline)
        scope.push_back(f.timeline);
    if (m.version() >= 6) {
        for (const Interpreter::With &with : f.withs)
            scope.push_back(with.object);
    }
    DisplayObject *timeline = m.displayObjectOf(Value(f.timeline));
    auto *function =
        m.heap().make<FunctionObject>(m.protos().function, f.program, op.a, std::move(scope),
                                      timeline ? timeline->handle() : ObjectHandle{});
    function->setPool(f.pool);
    m.linkFunction(function);
    Object *prototype = m.newObject();
    constexpr quint32 hidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    m.defineValue(prototype, m.names().constructor.text(), Value(function), hidden);
    m.defineValue(function, m.names().prototype.text(), Value(prototype), hidden);
    f.pc = code.end;
    if (code.name.text().isEmpty()) {
        push(Value(function));
        return;
    }
    Object *owner = f.locals ? f.locals : f.target;
    if (owner)
        m.set(owner, m.key(code.name.data()), Value(function), code.name.data());
}

} // namespace swf::avm1
