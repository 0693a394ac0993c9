#include "swf/avm1/string.h"

namespace swf::avm1 {

StringData::~StringData() = default;

void StringData::release()
{
    if (m_key && m_key != this)
        m_key->deref();
    delete this;
}

void StringData::setCachedKey(StringData *key)
{
    if (key == m_key)
        return;
    if (key && key != this)
        key->ref();
    if (m_key && m_key != this)
        m_key->deref();
    m_key = key;
}

const QString &StrRef::empty()
{
    static const QString text;
    return text;
}

} // namespace swf::avm1
