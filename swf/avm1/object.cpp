#include "swf/avm1/object.h"

#include "swf/avm1/heap.h"

namespace swf::avm1 {

namespace {

// Below this many entries a linear search beats hashing.
constexpr int kIndexFrom = 8;

} // namespace

Property *PropertyMap::find(StringData *key)
{
    if (!m_index.empty()) {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[size_t(it->second)];
    }
    for (Property &p : m_entries) {
        if (p.key.data() == key)
            return &p;
    }
    return nullptr;
}

const Property *PropertyMap::find(StringData *key) const
{
    return const_cast<PropertyMap *>(this)->find(key);
}

Property &PropertyMap::add(const StrRef &key, const StrRef &name)
{
    m_entries.push_back(Property{key, name, Value(), nullptr, nullptr, 0});
    if (!m_index.empty())
        m_index.emplace(key.data(), int(m_entries.size()) - 1);
    else if (int(m_entries.size()) > kIndexFrom)
        reindex();
    return m_entries.back();
}

bool PropertyMap::remove(StringData *key)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->key.data() == key) {
            m_entries.erase(it);
            if (!m_index.empty())
                reindex();
            return true;
        }
    }
    return false;
}

void PropertyMap::reindex()
{
    m_index.clear();
    if (int(m_entries.size()) <= kIndexFrom)
        return;
    m_index.reserve(m_entries.size());
    for (int i = 0; i < int(m_entries.size()); ++i)
        m_index.emplace(m_entries[size_t(i)].key.data(), i);
}

void Object::addInterface(Object *interface)
{
    if (!m_interfaces)
        m_interfaces = std::make_unique<std::vector<Object *>>();
    if (m_interfaces->size() < 256)
        m_interfaces->push_back(interface);
}

const std::vector<Object *> &Object::interfaces() const
{
    static const std::vector<Object *> none;
    return m_interfaces ? *m_interfaces : none;
}

void Object::markChildren(Heap &heap)
{
    heap.mark(m_proto);
    for (Object *interface : interfaces())
        heap.mark(interface);
    for (const Property &p : m_properties.entries()) {
        heap.mark(p.value);
        heap.mark(p.getter);
        heap.mark(p.setter);
    }
}

} // namespace swf::avm1
