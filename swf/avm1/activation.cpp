// A function's locals and registers as a call sets them up: parameters,
// `arguments`, `super`, and DefineFunction2's preloaded registers.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/superobject.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

namespace {

} // namespace

void Machine::prepareActivation(Object *locals, std::vector<Value> &registers,
                                FunctionObject &function, const Value &self, const Args &args,
                                Object *clip, FunctionObject *caller, const SuperBase &base)
{
    const FunctionCode &code = function.code();
    const quint16 flags = code.version2 ? code.flags : 0;
    const auto wants = [flags](quint16 preload, quint16 suppress) {
        return (flags & preload) || !(flags & suppress);
    };

    Value arguments;
    if (wants(FunctionFlag::PreloadArguments, FunctionFlag::SuppressArguments)) {
        ArrayObject *list = newArray();
        list->elements().assign(args.begin(), args.end());
        defineValue(list, m_names.callee.text(), Value(&function));
        defineValue(list, m_names.caller.text(), caller ? Value(caller) : Value::null());
        arguments = Value(list);
    }
    Value super;
    if (m_version >= 6 && base.kind != SuperBase::Kind::None &&
        wants(FunctionFlag::PreloadSuper, FunctionFlag::SuppressSuper)) {
        Object *home = base.home;
        Object *superPrototype = base.prototype;
        const Value &superSelf = base.self.isUndefined() ? self : base.self;
        if (base.kind == SuperBase::Kind::FromThis) {
            Object *object = superSelf.asObject();
            home = object ? object->proto() : nullptr;
            superPrototype = home ? home->proto() : nullptr;
        }
        Object *superConstructor =
            home ? get(home, m_names.constructor2.data()).asObject() : nullptr;
        super = Value(m_heap.make<SuperObject>(superSelf, superPrototype, superConstructor));
    }

    size_t r = 1;
    const auto preload = [&](quint16 flag, const Value &value) {
        if ((flags & flag) && r < registers.size())
            registers[r++] = value;
    };
    DisplayObject *timeline = displayObjectOf(Value(clip));
    // Suppressing `this` wins over preloading it: the register stays
    // undefined.
    if (!(flags & FunctionFlag::SuppressThis))
        preload(FunctionFlag::PreloadThis, self);
    else if (flags & FunctionFlag::PreloadThis)
        ++r;
    preload(FunctionFlag::PreloadArguments, arguments);
    preload(FunctionFlag::PreloadSuper, super);
    preload(FunctionFlag::PreloadRoot,
            timeline ? Value(objectOf(*levelRootOf(*timeline))) : Value(rootObject()));
    preload(FunctionFlag::PreloadParent,
            timeline && timeline->parent() ? Value(objectOf(*timeline->parent())) : Value());
    preload(FunctionFlag::PreloadGlobal, Value(m_global));

    if (!(flags & FunctionFlag::PreloadArguments) && !arguments.isUndefined())
        defineValue(locals, m_names.arguments.text(), arguments, 0);
    if (!(flags & FunctionFlag::PreloadSuper) && !super.isUndefined())
        defineValue(locals, m_names.superName.text(), super, 0);
    for (size_t i = 0; i < code.params.size(); ++i) {
        const Value &value = args[int(i)];
        const quint8 reg = i < code.paramRegisters.size() ? code.paramRegisters[i] : 0;
        if (reg != 0) {
            if (reg < registers.size())
                registers[reg] = value;
            continue;
        }
        set(locals, key(code.params[i].data()), value, code.params[i].data());
    }
}

} // namespace swf::avm1
