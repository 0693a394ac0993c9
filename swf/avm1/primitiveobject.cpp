#include "swf/avm1/primitiveobject.h"

#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

void PrimitiveObject::markChildren(Heap &heap)
{
    Object::markChildren(heap);
    heap.mark(m_value);
}

} // namespace swf::avm1
