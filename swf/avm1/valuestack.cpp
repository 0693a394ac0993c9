#include "swf/avm1/valuestack.h"

namespace swf::avm1 {

// Kept out of line: pushes stay small enough to be inlined.
Q_NEVER_INLINE void ValueStack::grow(size_t capacity)
{
    auto *block = static_cast<Value *>(::operator new(capacity * sizeof(Value)));
    Value *to = block;
    for (Value *from = m_begin; from != m_top; ++from, ++to) {
        new (to) Value(std::move(*from));
        std::destroy_at(from);
    }
    ::operator delete(m_begin);
    m_begin = block;
    m_top = to;
    m_end = block + capacity;
}

} // namespace swf::avm1
