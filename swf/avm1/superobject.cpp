#include "swf/avm1/superobject.h"

#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

Value SuperObject::method(Machine &machine, const StrRef &name, SuperBase &callee) const
{
    callee = constructorBase();
    if (!m_prototype)
        return Value();
    StringData *key = machine.key(name.data());
    // From version 7 a method inherited from further up has its own super
    // above where it was found rather than one level up.
    if (machine.version() >= 7) {
        int depth = 0;
        for (Object *o = m_prototype->proto(); o && ++depth < 256; o = o->proto()) {
            if (o->properties().find(key)) {
                callee.prototype = o;
                break;
            }
        }
    }
    return machine.get(m_prototype, key);
}

SuperBase SuperObject::constructorBase() const
{
    SuperBase base;
    base.kind = SuperBase::Kind::Given;
    base.home = m_prototype;
    base.prototype = m_prototype ? m_prototype->proto() : nullptr;
    return base;
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
