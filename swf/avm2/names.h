// Namespaces and the names the machine resolves: a Name is a multiname
// made concrete at run time (its runtime parts filled in), matched against
// trait tables and dynamic properties.
#pragma once

#include "swf/avm2/value.h"

#include <QHash>
#include <QString>

#include <deque>
#include <vector>

namespace swf::avm2 {

enum class NsCat : quint8 { Public, Internal, Protected, Explicit, StaticProtected, Private };

// Interned: two namespaces are the same namespace when they are the same
// pointer. Private namespaces are never shared.
struct Ns {
    NsCat cat = NsCat::Public;
    QString uri;
    QString prefix; // from the Namespace object that made it, if any
};

using NsSet = std::vector<const Ns *>;

struct Name {
    QString name;
    const Ns *ns = nullptr;      // a qualified name's namespace
    const NsSet *set = nullptr;  // a multiname's namespace set
    bool attribute = false;
    bool anyName = false;        // the name "*"
    bool anyNs = false;          // a qualified name in namespace "*"
    bool hasIndex = false;       // a runtime name that was an array index
    quint32 index = 0;
    // A runtime name that was an object (a Dictionary key), kept as it was.
    Value key;

    bool matches(const Ns *n) const
    {
        if (anyNs)
            return true;
        if (ns)
            return ns == n;
        if (set) {
            for (const Ns *s : *set) {
                if (s == n)
                    return true;
            }
        }
        return false;
    }
    // Dynamic properties live in the public namespace.
    bool hasPublic(const Ns *pub) const { return matches(pub); }
};

// Owns the interned namespaces of one machine.
class NamespaceTable {
public:
    NamespaceTable();
    const Ns *intern(NsCat cat, const QString &uri);
    const Ns *makePrivate(const QString &uri);
    const Ns *publicNs() const { return m_public; }
    const Ns *as3Ns() const { return m_as3; }

private:
    std::deque<Ns> m_store;
    QHash<QString, const Ns *> m_byKey;
    const Ns *m_public = nullptr;
    const Ns *m_as3 = nullptr;
};

} // namespace swf::avm2
