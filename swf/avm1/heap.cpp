#include "swf/avm1/heap.h"

#include <algorithm>

namespace swf::avm1 {

Heap::~Heap()
{
    // Objects refer to each other freely; none looks at another as it goes.
    m_objects.clear();
}

void Heap::collect(const std::function<void(Heap &)> &roots)
{
    roots(*this);
    while (!m_grey.empty()) {
        Object *object = m_grey.back();
        m_grey.pop_back();
        object->markChildren(*this);
    }
    auto live = std::partition(m_objects.begin(), m_objects.end(),
                               [](const std::unique_ptr<Object> &o) { return o->marked(); });
    m_objects.erase(live, m_objects.end());
    for (const auto &object : m_objects)
        object->setMarked(false);
    m_allocatedSinceCollect = 0;
    // Collect again when the heap has grown by half, and never more often
    // than every few thousand objects.
    m_threshold = std::max<qint64>(20000, qint64(m_objects.size()) / 2);
}

} // namespace swf::avm1
