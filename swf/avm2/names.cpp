#include "swf/avm2/names.h"

namespace swf::avm2 {

NamespaceTable::NamespaceTable()
{
    m_public = intern(NsCat::Public, QString());
    m_as3 = intern(NsCat::Public, QStringLiteral("http://adobe.com/AS3/2006/builtin"));
}

const Ns *NamespaceTable::intern(NsCat cat, const QString &uri)
{
    const QString key = QString::number(int(cat)) + QLatin1Char(':') + uri;
    if (const auto it = m_byKey.constFind(key); it != m_byKey.constEnd())
        return *it;
    m_store.push_back(Ns{cat, uri, {}});
    const Ns *n = &m_store.back();
    m_byKey.insert(key, n);
    return n;
}

const Ns *NamespaceTable::makePrivate(const QString &uri)
{
    m_store.push_back(Ns{NsCat::Private, uri, {}});
    return &m_store.back();
}

} // namespace swf::avm2
