// `super` in a method or constructor: members come from the prototype
// above the one the running function belongs to, and calls through it
// keep the caller's `this`.
#pragma once

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
    Value method(Machine &machine, const StrRef &name) const;
    bool getBuiltin(Machine &machine, StringData *key, Value &out) override;
    void markChildren(Heap &heap) override;

private:
    Value m_self;
    Object *m_prototype;
    Object *m_constructor;
};

} // namespace swf::avm1
