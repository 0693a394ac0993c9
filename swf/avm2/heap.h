// The collected heap: a mark-and-sweep collector with precise roots. The
// machine collects only at safe points, when every live value is reachable
// from the roots it reports (its value stack, frames, globals).
#pragma once

#include "swf/avm2/value.h"

#include <functional>
#include <vector>

namespace swf::avm2 {

class Tracer {
public:
    void mark(const Cell *c)
    {
        if (c && !c->marked) {
            const_cast<Cell *>(c)->marked = true;
            m_pending.push_back(c);
        }
    }
    void mark(const Value &v)
    {
        if (v.tag == Tag::Object)
            mark(reinterpret_cast<const Cell *>(v.o));
        else if (v.tag == Tag::String)
            mark(v.s);
    }
    template <typename Range> void markAll(const Range &r)
    {
        for (const auto &x : r)
            mark(x);
    }
    // Traces until nothing is pending; iterative, so long chains of
    // objects do not recurse.
    void drain()
    {
        while (!m_pending.empty()) {
            const Cell *c = m_pending.back();
            m_pending.pop_back();
            c->trace(*this);
        }
    }

private:
    std::vector<const Cell *> m_pending;
};

class Heap {
public:
    Heap() = default;
    ~Heap();
    Heap(const Heap &) = delete;
    Heap &operator=(const Heap &) = delete;

    template <typename T, typename... A> T *make(A &&...args)
    {
        T *c = new T(std::forward<A>(args)...);
        m_cells.push_back(c);
        m_allocatedSinceCollect += sizeof(T) + 16;
        return c;
    }
    // Extra bytes a cell took after it was made (a growing array).
    void charge(size_t bytes) { m_allocatedSinceCollect += bytes; }

    bool wantsCollect() const { return m_allocatedSinceCollect > m_threshold; }
    // roots marks what is live; weak runs after marking, before the sweep,
    // so weak tables can drop what died.
    void collect(const std::function<void(Tracer &)> &roots, const std::function<void()> &weak);
    size_t cellCount() const { return m_cells.size(); }
    size_t liveBytes() const { return m_liveBytes; }

private:
    std::vector<Cell *> m_cells;
    size_t m_allocatedSinceCollect = 0;
    size_t m_liveBytes = 0;
    size_t m_threshold = 8 * 1024 * 1024;
};

} // namespace swf::avm2
