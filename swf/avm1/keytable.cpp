#include "swf/avm1/keytable.h"

#include <algorithm>
#include <vector>

namespace swf::avm1 {

KeyTable::~KeyTable()
{
    for (StringData *key : m_slots) {
        if (key)
            key->deref();
    }
}

StringData *KeyTable::find(StringData *name) const
{
    if (m_slots.empty())
        return nullptr;
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = name->hash() & mask;; slot = (slot + 1) & mask) {
        StringData *key = m_slots[slot];
        if (!key || (key->hash() == name->hash() && key->text() == name->text()))
            return key;
    }
}

void KeyTable::insert(StringData *key)
{
    if (2 * (m_count + 1) > m_slots.size())
        rehash(std::max<size_t>(64, 2 * m_slots.size()));
    const size_t mask = m_slots.size() - 1;
    size_t slot = key->hash() & mask;
    while (m_slots[slot])
        slot = (slot + 1) & mask;
    m_slots[slot] = key;
    ++m_count;
}

void KeyTable::rehash(size_t size)
{
    std::vector<StringData *> keys;
    keys.reserve(m_count);
    for (StringData *key : m_slots) {
        if (key)
            keys.push_back(key);
    }
    m_slots.assign(size, nullptr);
    m_count = 0;
    for (StringData *key : keys)
        insert(key);
}

StringData *KeyTable::makeKey(StringData *name)
{
    StringData *folded = name;
    StrRef lowered;
    if (!m_caseSensitive) {
        const QString lower = name->text().toLower();
        if (lower != name->text()) {
            lowered = StrRef(lower);
            folded = lowered.data();
        }
    }
    StringData *key = nullptr;
    if (StringData *found = find(folded)) {
        key = found;
    } else {
        key = folded;
        key->ref();
        key->setCachedKey(key);
        insert(key);
    }
    name->setCachedKey(key);
    return key;
}

StrRef KeyTable::key(const QString &name)
{
    StrRef text(name);
    return StrRef(key(text.data()));
}

void KeyTable::trim()
{
    bool dropped = false;
    for (StringData *&key : m_slots) {
        if (key && key->refs() == 1) {
            key->deref();
            key = nullptr;
            --m_count;
            dropped = true;
        }
    }
    // Probe runs are broken where keys left: lay the rest out again.
    if (dropped)
        rehash(m_slots.size());
}

} // namespace swf::avm1
