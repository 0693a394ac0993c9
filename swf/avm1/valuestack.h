// The interpreter's operand stack: values in one block that grows. A Push
// makes room for all its values at once and constructs them in place, so
// a run of pushes costs no bookkeeping per value.
#pragma once

#include "swf/avm1/value.h"

#include <QtGlobal>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace swf::avm1 {

class ValueStack {
public:
    ValueStack() { grow(1024); }
    ~ValueStack()
    {
        drop(size());
        ::operator delete(m_begin);
    }
    ValueStack(const ValueStack &) = delete;
    ValueStack &operator=(const ValueStack &) = delete;

    size_t size() const { return size_t(m_top - m_begin); }
    bool empty() const { return m_top == m_begin; }
    Value &back() { return m_top[-1]; }
    Value &operator[](size_t i) { return m_begin[i]; }
    const Value *begin() const { return m_begin; }
    const Value *end() const { return m_top; }

    template <typename... Args> void emplace_back(Args &&...args)
    {
        if (m_top == m_end) {
            // The value may be one of the stack's own: made before it moves.
            Value value(std::forward<Args>(args)...);
            grow(2 * capacity());
            new (m_top) Value(std::move(value));
        } else {
            new (m_top) Value(std::forward<Args>(args)...);
        }
        ++m_top;
    }
    void push_back(const Value &value) { emplace_back(value); }
    void push_back(Value &&value) { emplace_back(std::move(value)); }
    void pop_back()
    {
        --m_top;
        std::destroy_at(m_top);
    }
    // Removes the top `count` values.
    void drop(size_t count)
    {
        for (; count > 0; --count)
            pop_back();
    }
    void resize(size_t size)
    {
        if (size < this->size())
            drop(this->size() - size);
        while (this->size() < size)
            emplace_back();
    }

    // Room for `count` more values: construct them from top() on, then
    // raise() by as many.
    void reserveMore(size_t count)
    {
        if (size_t(m_end - m_top) < count)
            grow(std::max(2 * capacity(), size() + count));
    }
    Value *top() { return m_top; }
    void raise(size_t count) { m_top += count; }

private:
    size_t capacity() const { return size_t(m_end - m_begin); }
    void grow(size_t capacity);

    Value *m_begin = nullptr;
    Value *m_top = nullptr;
    Value *m_end = nullptr;
};

} // namespace swf::avm1
