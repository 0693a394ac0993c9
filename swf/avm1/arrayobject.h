// Arrays: elements kept densely beside the object's other properties;
// "length" and index names read and write them.
#pragma once

#include "swf/avm1/object.h"

#include <vector>

namespace swf::avm1 {

class ArrayObject final : public Object {
public:
    explicit ArrayObject(Object *proto) : Object(proto, Kind::Array) {}

    ObjectClass objectClass() const override { return ObjectClass::Array; }
    bool getBuiltin(Machine &machine, StringData *key, Value &out) override;
    bool setBuiltin(Machine &machine, StringData *key, const Value &value) override;
    void builtinNames(Machine &machine, std::vector<StrRef> &names) override;
    void markChildren(Heap &heap) override;

    std::vector<Value> &elements() { return m_elements; }
    const std::vector<Value> &elements() const { return m_elements; }
    int length() const { return int(m_elements.size()); }
    // Grows with undefined or cuts; false past the limit on elements.
    bool setLength(qint64 length);
    void push(Value value) { m_elements.push_back(std::move(value)); }

    // The element index a property name stands for, or -1.
    static qint64 indexOf(const QString &name);

private:
    std::vector<Value> m_elements;
    // A length written that counts no elements ("a", -1, 2.5) reads back
    // as written while the elements stay as they were.
    Value m_writtenLength;
    size_t m_writtenAt = 0;
    bool m_lengthWritten = false;
};

// The array `object` is, or null.
inline ArrayObject *asArray(Object *object)
{
    return object && object->isArray() ? static_cast<ArrayObject *>(object) : nullptr;
}

} // namespace swf::avm1
