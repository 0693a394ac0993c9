#include "swf/avm2/object.h"

#include "swf/avm2/classobject.h"
#include "swf/avm2/function.h"
#include "swf/avm2/vm.h"

namespace swf::avm2 {

void DynProps::set(const QString &key, const Value &v)
{
    if (Entry *e = find(key)) {
        e->value = v;
        return;
    }
    // Reuse the table once half of it is holes.
    if (entries.size() > 16 && size_t(live) * 2 < entries.size()) {
        std::vector<Entry> kept;
        kept.reserve(size_t(live) + 1);
        index.clear();
        for (auto &e : entries) {
            if (!e.deleted) {
                index.insert(e.key, int(kept.size()));
                kept.push_back(std::move(e));
            }
        }
        entries = std::move(kept);
    }
    index.insert(key, int(entries.size()));
    entries.push_back({key, v, false, false});
    ++live;
}

bool DynProps::remove(const QString &key)
{
    const auto it = index.find(key);
    if (it == index.end())
        return false;
    Entry &e = entries[size_t(*it)];
    e.deleted = true;
    e.value = Value();
    e.key.clear();
    index.erase(it);
    --live;
    return true;
}

Object::Object(ClassObject *cls, const Traits *t, Object *p, ObjKind k)
    : klass(cls), traits(t), proto(p), kind(k)
{
    if (traits) {
        slotv.reserve(traits->slotInfo.size());
        for (const auto &s : traits->slotInfo)
            slotv.push_back(s.initial);
    }
}

void Object::trace(Tracer &t) const
{
    t.mark(klass);
    t.mark(proto);
    t.markAll(slotv);
    if (m_dyn) {
        for (const auto &e : m_dyn->entries)
            t.mark(e.value);
    }
}

size_t Object::extraBytes() const
{
    return slotv.size() * sizeof(Value) + (m_dyn ? m_dyn->entries.size() * 48 : 0);
}

DynProps &Object::dyn()
{
    if (!m_dyn)
        m_dyn = std::make_unique<DynProps>();
    return *m_dyn;
}

static QString keyOf(const Name &n)
{
    return n.hasIndex ? QString::number(n.index) : n.name;
}

bool Object::getOwn(Vm &, const Name &name, Value &out)
{
    if (!m_dyn)
        return false;
    if (DynProps::Entry *e = m_dyn->find(keyOf(name))) {
        out = e->value;
        return true;
    }
    return false;
}

bool Object::setOwn(Vm &, const Name &name, const Value &v)
{
    if (!m_dynamic)
        return false;
    dyn().set(keyOf(name), v);
    return true;
}

bool Object::deleteOwn(Vm &, const Name &name)
{
    return m_dyn && m_dyn->remove(keyOf(name));
}

bool Object::hasOwn(Vm &, const Name &name)
{
    return m_dyn && m_dyn->find(keyOf(name));
}

int Object::nextIndex(Vm &, int index)
{
    if (!m_dyn)
        return 0;
    for (size_t i = size_t(index); i < m_dyn->entries.size(); ++i) {
        const auto &e = m_dyn->entries[i];
        if (!e.deleted && !e.dontEnum)
            return int(i) + 1;
    }
    return 0;
}

Value Object::nameAt(Vm &vm, int index)
{
    if (!m_dyn || index < 1 || size_t(index) > m_dyn->entries.size())
        return Value();
    const QString &k = m_dyn->entries[size_t(index) - 1].key;
    // Names that look like array indices enumerate as numbers... but the
    // Flash Player gives every dynamic name as a string.
    return vm.sv(k);
}

Value Object::valueAt(Vm &, int index)
{
    if (!m_dyn || index < 1 || size_t(index) > m_dyn->entries.size())
        return Value();
    return m_dyn->entries[size_t(index) - 1].value;
}

ScopeChain::ScopeChain(const ScopeChain *outer, const Entry *extra, int count)
{
    if (outer)
        entries = outer->entries;
    entries.insert(entries.end(), extra, extra + count);
}

void ScopeChain::trace(Tracer &t) const
{
    for (const auto &e : entries)
        t.mark(e.value);
}

void FunctionObject::trace(Tracer &t) const
{
    Object::trace(t);
    t.mark(scope);
    t.mark(boundThis);
    t.mark(prototypeObject);
}

void ClassObject::trace(Tracer &t) const
{
    Object::trace(t);
    t.mark(base);
    t.mark(prototype);
    t.mark(instanceScope);
    t.mark(vectorElement);
    for (const ClassObject *i : interfaces)
        t.mark(i);
    if (ownTraits)
        ownTraits->trace(t);
    if (instanceTraits)
        instanceTraits->trace(t);
}

bool ClassObject::isSubclassOf(const ClassObject *other) const
{
    for (const ClassObject *c = this; c; c = c->base) {
        if (c == other)
            return true;
    }
    return false;
}

bool ClassObject::implements(const ClassObject *iface) const
{
    for (const ClassObject *c = this; c; c = c->base) {
        for (const ClassObject *i : c->interfaces) {
            if (i == iface)
                return true;
        }
    }
    return false;
}

QString ClassObject::qualifiedName() const
{
    if (!ns || ns->uri.isEmpty())
        return name;
    return ns->uri + QStringLiteral("::") + name;
}

} // namespace swf::avm2
