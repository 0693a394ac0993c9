#include "swf/avm2/traits.h"

#include "swf/avm2/heap.h"
#include "swf/avm2/classobject.h"

namespace swf::avm2 {

Traits::Traits(const Traits *base)
{
    if (base) {
        slotInfo = base->slotInfo;
        vtable = base->vtable;
        table = base->table;
    }
}

const Binding *Traits::find(const Name &name) const
{
    if (name.anyName)
        return nullptr;
    const auto it = table.constFind(name.name);
    if (it == table.constEnd())
        return nullptr;
    for (const auto &[ns, b] : *it) {
        if (name.matches(ns))
            return &b;
    }
    return nullptr;
}

const Binding *Traits::findQName(const Ns *ns, const QString &name) const
{
    const auto it = table.constFind(name);
    if (it == table.constEnd())
        return nullptr;
    for (const auto &[n, b] : *it) {
        if (n == ns)
            return &b;
    }
    return nullptr;
}

void Traits::add(const Ns *ns, const QString &name, const Binding &b)
{
    auto &list = table[name];
    for (auto &[n, old] : list) {
        if (n == ns) {
            old = b;
            return;
        }
    }
    list.emplace_back(ns, b);
}

quint32 Traits::addSlot(SlotInfo info)
{
    slotInfo.push_back(std::move(info));
    return quint32(slotInfo.size() - 1);
}

quint32 Traits::addMethod(MethodEnv env)
{
    vtable.push_back(std::move(env));
    return quint32(vtable.size() - 1);
}

void Traits::trace(Tracer &t) const
{
    for (const auto &m : vtable)
        t.mark(m.scope);
    for (const auto &s : slotInfo) {
        t.mark(s.initial);
        t.mark(s.type);
    }
}

} // namespace swf::avm2
