// Property names interned: one StringData per name, so properties are
// found by pointer. Before version 7 names match without regard to case,
// so the key of "Foo" and "foo" is one string, "foo".
#pragma once

#include "swf/avm1/string.h"

#include <unordered_set>

namespace swf::avm1 {

class KeyTable {
public:
    explicit KeyTable(bool caseSensitive) : m_caseSensitive(caseSensitive) {}
    ~KeyTable();
    KeyTable(const KeyTable &) = delete;
    KeyTable &operator=(const KeyTable &) = delete;

    bool caseSensitive() const { return m_caseSensitive; }
    // The key of `name`; cached on the string, so asking again is cheap.
    StringData *key(StringData *name);
    StrRef key(const QString &name);
    // Forgets keys nothing else refers to.
    void trim();

private:
    struct Hash {
        size_t operator()(const StringData *s) const { return s->hash(); }
    };
    struct Equal {
        bool operator()(const StringData *a, const StringData *b) const
        {
            return a->text() == b->text();
        }
    };

    bool m_caseSensitive;
    std::unordered_set<StringData *, Hash, Equal> m_keys;
};

} // namespace swf::avm1
