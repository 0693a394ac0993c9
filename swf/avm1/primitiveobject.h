// String, Number and Boolean objects: a primitive value wrapped, as
// `new String("a")` makes and member calls on primitives use.
#pragma once

#include "swf/avm1/object.h"

namespace swf::avm1 {

class PrimitiveObject final : public Object {
public:
    PrimitiveObject(Object *proto, Value value, ObjectClass objectClass)
        : Object(proto), m_value(std::move(value)), m_class(objectClass)
    {
    }

    ObjectClass objectClass() const override { return m_class; }
    const Value *primitive() const override { return &m_value; }
    void markChildren(Heap &heap) override;
    void setPrimitive(Value value) { m_value = std::move(value); }

private:
    Value m_value;
    ObjectClass m_class;
};

} // namespace swf::avm1
