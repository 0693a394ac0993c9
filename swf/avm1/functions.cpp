#include "swf/avm1/functions.h"

#include "swf/avm1/heap.h"

namespace swf::avm1 {

void FunctionObject::markChildren(Heap &heap)
{
    Object::markChildren(heap);
    for (Object *scope : m_scope)
        heap.mark(scope);
}

} // namespace swf::avm1
