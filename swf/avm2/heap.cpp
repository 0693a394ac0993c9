#include "swf/avm2/heap.h"

#include <algorithm>

namespace swf::avm2 {

Heap::~Heap()
{
    for (Cell *c : m_cells)
        delete c;
}

void Heap::collect(const std::function<void(Tracer &)> &roots, const std::function<void()> &weak)
{
    Tracer tracer;
    roots(tracer);
    tracer.drain();
    if (weak)
        weak();
    size_t live = 0;
    auto out = m_cells.begin();
    for (Cell *c : m_cells) {
        if (c->marked) {
            c->marked = false;
            live += 64 + c->extraBytes();
            *out++ = c;
        } else {
            delete c;
        }
    }
    m_cells.erase(out, m_cells.end());
    m_liveBytes = live;
    m_allocatedSinceCollect = 0;
    // Collect again after the heap has grown by about its live size.
    m_threshold = std::max<size_t>(8 * 1024 * 1024, live);
}

} // namespace swf::avm2
