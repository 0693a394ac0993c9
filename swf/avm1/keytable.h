// Property names interned: one StringData per name, so properties are
// found by pointer. Before version 7 names match without regard to case,
// so the key of "Foo" and "foo" is one string, "foo".
#pragma once

#include "swf/avm1/string.h"

#include <vector>

namespace swf::avm1 {

class KeyTable {
public:
    explicit KeyTable(bool caseSensitive) : m_caseSensitive(caseSensitive) {}
    ~KeyTable();
    KeyTable(const KeyTable &) = delete;
    KeyTable &operator=(const KeyTable &) = delete;

    bool caseSensitive() const { return m_caseSensitive; }
    // The key of `name`; cached on the string, so asking again is cheap.
    StringData *key(StringData *name)
    {
        if (StringData *cached = name->cachedKey())
            return cached;
        return makeKey(name);
    }
    StrRef key(const QString &name);
    // Forgets keys nothing else refers to.
    void trim();

private:
    StringData *makeKey(StringData *name);
    StringData *find(StringData *name) const;
    void insert(StringData *key);
    void rehash(size_t size);

    bool m_caseSensitive;
    // Open addressing over a power-of-two table at most half full.
    std::vector<StringData *> m_slots;
    size_t m_count = 0;
};

} // namespace swf::avm1
