#include "swf/avm1/object.h"

#include "swf/avm1/heap.h"

#include <bit>

namespace swf::avm1 {

namespace {

// Below this many entries a linear search beats hashing.
constexpr int kIndexFrom = 8;

// Keys are interned, so the pointer is the name: its bits, mixed, hash it.
size_t slotOf(const StringData *key, size_t mask)
{
    const auto bits = quint64(reinterpret_cast<quintptr>(key));
    return size_t((bits >> 4) * 0x9E3779B97F4A7C15ull >> 32) & mask;
}

} // namespace

Property *PropertyMap::find(StringData *key)
{
    if (!m_slots.empty()) {
        const size_t mask = m_slots.size() - 1;
        for (size_t slot = slotOf(key, mask);; slot = (slot + 1) & mask) {
            const qint32 entry = m_slots[slot];
            if (entry < 0)
                return nullptr;
            if (m_entries[size_t(entry)].key.data() == key)
                return &m_entries[size_t(entry)];
        }
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
    if (m_slots.size() >= 2 * m_entries.size())
        index(int(m_entries.size()) - 1);
    else if (int(m_entries.size()) > kIndexFrom)
        reindex();
    return m_entries.back();
}

bool PropertyMap::remove(StringData *key)
{
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->key.data() == key) {
            m_entries.erase(it);
            if (!m_slots.empty())
                reindex();
            return true;
        }
    }
    return false;
}

void PropertyMap::reindex()
{
    m_slots.clear();
    if (int(m_entries.size()) <= kIndexFrom)
        return;
    m_slots.assign(std::bit_ceil(4 * m_entries.size()), -1);
    for (int i = 0; i < int(m_entries.size()); ++i)
        index(i);
}

void PropertyMap::index(int entry)
{
    const size_t mask = m_slots.size() - 1;
    size_t slot = slotOf(m_entries[size_t(entry)].key.data(), mask);
    while (m_slots[slot] >= 0)
        slot = (slot + 1) & mask;
    m_slots[slot] = entry;
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
