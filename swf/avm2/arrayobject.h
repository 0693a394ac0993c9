// Array: a dense vector of elements with holes, a sparse map for far
// indices, and a length that scripts can set.
#pragma once

#include "swf/avm2/object.h"

#include <map>

namespace swf::avm2 {

class ArrayObject final : public Object {
public:
    ArrayObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Array)
    {
    }
    void trace(Tracer &t) const override;
    size_t extraBytes() const override;

    bool getOwn(Vm &vm, const Name &name, Value &out) override;
    bool setOwn(Vm &vm, const Name &name, const Value &v) override;
    bool deleteOwn(Vm &vm, const Name &name) override;
    bool hasOwn(Vm &vm, const Name &name) override;
    int nextIndex(Vm &vm, int index) override;
    Value nameAt(Vm &vm, int index) override;
    Value valueAt(Vm &vm, int index) override;

    quint32 length() const { return m_length; }
    void setLength(Vm &vm, quint32 n);
    // An element; false for a hole or a missing index.
    bool getIndex(quint32 i, Value &out) const;
    Value at(quint32 i) const
    {
        Value v;
        return getIndex(i, v) ? v : Value();
    }
    void setIndex(Vm &vm, quint32 i, const Value &v);
    void removeIndex(quint32 i);
    void push(const Value &v)
    {
        if (m_sparse.empty() && m_length == m_dense.size()) {
            m_dense.push_back(v);
            ++m_length;
        } else {
            setIndexRaw(m_length, v);
        }
    }
    bool isDense() const { return m_sparse.empty() && m_dense.size() == m_length; }
    std::vector<Value> &dense() { return m_dense; }
    // Every element 0..length-1 with holes as undefined; capped by the caller.
    std::vector<Value> toVector() const;
    void assign(std::vector<Value> values);

private:
    void setIndexRaw(quint32 i, const Value &v);

    std::vector<Value> m_dense;
    std::map<quint32, Value> m_sparse;
    quint32 m_length = 0;
};

} // namespace swf::avm2
