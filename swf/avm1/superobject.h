// `super` in a method or constructor: members come from a prototype on
// `this`'s chain, one level further up for each call made through super,
// and calls through it keep the caller's `this`.
#pragma once

#include "swf/avm1/functions.h"
#include "swf/avm1/object.h"

namespace swf::avm1 {

class SuperObject final : public Object {
public:
    SuperObject(Value self, Object *prototype, Object *constructor)
        : Object(nullptr), m_self(std::move(self)), m_prototype(prototype),
          m_constructor(constructor)
    {
    }

    ObjectClass objectClass() const override { return ObjectClass::Super; }
    const Value &self() const { return m_self; }
    Value constructorValue(Machine &) const { return Value(m_constructor); }
    // The method `name` and where a call of it has its own super.
    Value method(Machine &machine, const StrRef &name, SuperBase &callee) const;
    // Where super() has its own super.
    SuperBase constructorBase() const;
    bool getBuiltin(Machine &machine, StringData *key, Value &out) override;
    void markChildren(Heap &heap) override;

private:
    Value m_self;
    Object *m_prototype;
    Object *m_constructor;
};

} // namespace swf::avm1
