// Function objects: closures made by newfunction, methods bound to their
// receiver (method closures), and natives.
#pragma once

#include "swf/avm2/object.h"

namespace swf::avm2 {

struct Method;

class FunctionObject final : public Object {
public:
    FunctionObject(ClassObject *cls, const Traits *traits, Object *proto, Method *m, ScopeChain *scope)
        : Object(cls, traits, proto, ObjKind::Function), method(m), scope(scope)
    {
    }
    void trace(Tracer &t) const override;

    Method *method;
    ScopeChain *scope;
    // A method closure carries its receiver; calls ignore the `this` given.
    bool bound = false;
    Value boundThis;
    // The prototype for objects this function constructs, made on demand.
    Object *prototypeObject = nullptr;
};

} // namespace swf::avm2
