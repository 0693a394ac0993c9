#include "swf/avm1/primitiveobject.h"

#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

bool PrimitiveObject::getBuiltin(Machine &machine, StringData *key, Value &out)
{
    if (m_class != ObjectClass::String || key != machine.names().length.data())
        return false;
    out = Value(int(machine.toString(m_value).text().size()));
    return true;
}

void PrimitiveObject::markChildren(Heap &heap)
{
    Object::markChildren(heap);
    heap.mark(m_value);
}

} // namespace swf::avm1
