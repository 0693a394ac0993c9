#include "swf/avm1/keytable.h"

#include <vector>

namespace swf::avm1 {

KeyTable::~KeyTable()
{
    for (StringData *key : m_keys)
        key->deref();
}

StringData *KeyTable::key(StringData *name)
{
    if (StringData *cached = name->cachedKey())
        return cached;
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
    if (const auto it = m_keys.find(folded); it != m_keys.end()) {
        key = *it;
    } else {
        key = folded;
        key->ref();
        key->setCachedKey(key);
        m_keys.insert(key);
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
    std::vector<StringData *> unused;
    for (StringData *key : m_keys) {
        if (key->refs() == 1)
            unused.push_back(key);
    }
    for (StringData *key : unused) {
        m_keys.erase(key);
        key->deref();
    }
}

} // namespace swf::avm1
