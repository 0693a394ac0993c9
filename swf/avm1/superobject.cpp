#include "swf/avm1/superobject.h"

#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

Value SuperObject::method(Machine &machine, const StrRef &name) const
{
    if (!m_prototype)
        return Value();
    return machine.get(m_prototype, machine.key(name.data()));
}

bool SuperObject::getBuiltin(Machine &machine, StringData *key, Value &out)
{
    out = m_prototype ? machine.get(m_prototype, key) : Value();
    return true;
}

void SuperObject::markChildren(Heap &heap)
{
    Object::markChildren(heap);
    heap.mark(m_self);
    heap.mark(m_prototype);
    heap.mark(m_constructor);
}

} // namespace swf::avm1
