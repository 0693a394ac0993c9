#include "swf/avm2/arrayobject.h"

#include "swf/avm2/vm.h"

namespace swf::avm2 {
namespace {

// Indices further than this past the dense end go to the sparse map.
constexpr quint32 kMaxGap = 1024;
// Elements one array may hold densely; beyond this a script is refused.
constexpr quint32 kMaxDense = 1u << 26;

} // namespace

void ArrayObject::trace(Tracer &t) const
{
    Object::trace(t);
    t.markAll(m_dense);
    for (const auto &[k, v] : m_sparse)
        t.mark(v);
}

size_t ArrayObject::extraBytes() const
{
    return Object::extraBytes() + m_dense.capacity() * sizeof(Value) + m_sparse.size() * 64;
}

bool ArrayObject::getIndex(quint32 i, Value &out) const
{
    if (i < m_dense.size()) {
        out = m_dense[i];
        return !out.isHole();
    }
    const auto it = m_sparse.find(i);
    if (it == m_sparse.end())
        return false;
    out = it->second;
    return true;
}

void ArrayObject::setIndexRaw(quint32 i, const Value &v)
{
    if (i < m_dense.size()) {
        m_dense[i] = v;
    } else if (i - m_dense.size() <= kMaxGap && i < kMaxDense) {
        m_dense.resize(i, Value::hole());
        m_dense.push_back(v);
        // Pull following sparse elements into the dense part.
        for (auto it = m_sparse.begin(); it != m_sparse.end() && it->first == m_dense.size();) {
            m_dense.push_back(it->second);
            it = m_sparse.erase(it);
        }
    } else {
        m_sparse[i] = v;
    }
    if (i >= m_length)
        m_length = i + 1;
}

void ArrayObject::setIndex(Vm &, quint32 i, const Value &v)
{
    setIndexRaw(i, v.isHole() ? Value() : v);
}

void ArrayObject::removeIndex(quint32 i)
{
    if (i < m_dense.size()) {
        if (i + 1 == m_dense.size() && m_sparse.empty())
            m_dense.pop_back();
        else
            m_dense[i] = Value::hole();
    } else {
        m_sparse.erase(i);
    }
}

void ArrayObject::setLength(Vm &, quint32 n)
{
    if (n < m_dense.size())
        m_dense.resize(n);
    m_sparse.erase(m_sparse.lower_bound(n), m_sparse.end());
    m_length = n;
}

std::vector<Value> ArrayObject::toVector() const
{
    std::vector<Value> out;
    out.reserve(m_length);
    for (quint32 i = 0; i < m_length; ++i)
        out.push_back(at(i));
    return out;
}

void ArrayObject::assign(std::vector<Value> values)
{
    m_sparse.clear();
    m_dense = std::move(values);
    m_length = quint32(m_dense.size());
}

bool ArrayObject::getOwn(Vm &vm, const Name &name, Value &out)
{
    if (name.hasIndex)
        return getIndex(name.index, out);
    return Object::getOwn(vm, name, out);
}

bool ArrayObject::setOwn(Vm &vm, const Name &name, const Value &v)
{
    if (name.hasIndex) {
        setIndex(vm, name.index, v);
        return true;
    }
    return Object::setOwn(vm, name, v);
}

bool ArrayObject::deleteOwn(Vm &vm, const Name &name)
{
    if (name.hasIndex) {
        removeIndex(name.index);
        return true;
    }
    return Object::deleteOwn(vm, name);
}

bool ArrayObject::hasOwn(Vm &vm, const Name &name)
{
    Value v;
    if (name.hasIndex)
        return getIndex(name.index, v);
    return Object::hasOwn(vm, name);
}

// Enumeration positions: 1..dense for dense elements, then the sparse map
// in index order, then the dynamic properties.
int ArrayObject::nextIndex(Vm &vm, int index)
{
    const int dense = int(m_dense.size());
    for (int i = index; i < dense; ++i) {
        if (!m_dense[size_t(i)].isHole())
            return i + 1;
    }
    const int sparse = int(m_sparse.size());
    int pos = std::max(index, dense);
    if (pos < dense + sparse)
        return pos + 1;
    const int base = dense + sparse;
    const int next = Object::nextIndex(vm, std::max(0, index - base));
    return next ? next + base : 0;
}

Value ArrayObject::nameAt(Vm &vm, int index)
{
    const int dense = int(m_dense.size());
    const int sparse = int(m_sparse.size());
    if (index <= dense)
        return vm.sv(QString::number(index - 1));
    if (index <= dense + sparse) {
        auto it = m_sparse.begin();
        std::advance(it, index - dense - 1);
        return vm.sv(QString::number(it->first));
    }
    return Object::nameAt(vm, index - dense - sparse);
}

Value ArrayObject::valueAt(Vm &vm, int index)
{
    const int dense = int(m_dense.size());
    const int sparse = int(m_sparse.size());
    if (index <= dense)
        return index >= 1 ? m_dense[size_t(index) - 1] : Value();
    if (index <= dense + sparse) {
        auto it = m_sparse.begin();
        std::advance(it, index - dense - 1);
        return it->second;
    }
    return Object::valueAt(vm, index - dense - sparse);
}

} // namespace swf::avm2
