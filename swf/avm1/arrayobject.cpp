#include "swf/avm1/arrayobject.h"

#include "swf/avm1/heap.h"
#include "swf/avm1/machine.h"
#include "swf/limits.h"

namespace swf::avm1 {

qint64 ArrayObject::indexOf(const QString &name)
{
    if (name.isEmpty() || name.size() > 10)
        return -1;
    if (name.size() > 1 && name[0] == QLatin1Char('0'))
        return -1;
    qint64 index = 0;
    for (QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        index = index * 10 + (c.unicode() - '0');
    }
    return index;
}

bool ArrayObject::setLength(qint64 length)
{
    if (length < 0 || length > limits::kMaxScriptArrayLength)
        return false;
    m_elements.resize(size_t(length));
    return true;
}

bool ArrayObject::getBuiltin(Machine &machine, StringData *key, Value &out)
{
    if (key == machine.names().length.data()) {
        if (m_lengthWritten && m_writtenAt == m_elements.size())
            out = m_writtenLength;
        else
            out = Value(double(m_elements.size()));
        return true;
    }
    const qint64 index = indexOf(key->text());
    if (index < 0 || index >= qint64(m_elements.size()))
        return false;
    out = m_elements[size_t(index)];
    return true;
}

bool ArrayObject::setBuiltin(Machine &machine, StringData *key, const Value &value)
{
    if (key == machine.names().length.data()) {
        const double n = machine.toNumber(value);
        m_lengthWritten = !(n >= 0 && n == double(qint64(n)) && setLength(qint64(n)));
        m_writtenLength = value;
        m_writtenAt = m_elements.size();
        return true;
    }
    const qint64 index = indexOf(key->text());
    if (index < 0 || index >= limits::kMaxScriptArrayLength)
        return false;
    if (index >= qint64(m_elements.size()))
        m_elements.resize(size_t(index) + 1);
    m_elements[size_t(index)] = value;
    return true;
}

void ArrayObject::builtinNames(Machine &, std::vector<StrRef> &names)
{
    for (size_t i = 0; i < m_elements.size(); ++i)
        names.emplace_back(QString::number(i));
}

void ArrayObject::markChildren(Heap &heap)
{
    Object::markChildren(heap);
    heap.mark(m_writtenLength);
    for (const Value &value : m_elements)
        heap.mark(value);
}

} // namespace swf::avm1
