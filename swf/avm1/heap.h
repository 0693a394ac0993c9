// The machine's objects and their collection: mark from the roots the
// machine gives, sweep the rest. Collections run only where no C++ frame
// holds an object the roots do not reach (between scripts, and at the
// loops of the outermost script), so cycles and garbage made every frame
// are freed while nothing in use is.
#pragma once

#include "swf/avm1/object.h"

#include <functional>
#include <memory>
#include <vector>

namespace swf::avm1 {

class Heap {
public:
    Heap() = default;
    ~Heap();
    Heap(const Heap &) = delete;
    Heap &operator=(const Heap &) = delete;

    template <typename T, typename... Args> T *make(Args &&...args)
    {
        auto object = std::make_unique<T>(std::forward<Args>(args)...);
        T *raw = object.get();
        // Every object with a prototype holds it as its own hidden,
        // permanent __proto__ property; the object caches the link.
        if (raw->proto() && m_protoKey.data()) {
            raw->properties().entries().reserve(4);
            Property &p = raw->properties().add(m_protoKey, m_protoKey);
            p.value = Value(raw->proto());
            p.flags = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
        }
        m_objects.push_back(std::move(object));
        ++m_allocatedSinceCollect;
        return raw;
    }

    void mark(Object *object)
    {
        if (object && !object->marked()) {
            object->setMarked(true);
            m_grey.push_back(object);
        }
    }
    void mark(const Value &value)
    {
        if (value.isObject())
            mark(value.object());
    }

    // The interned name of __proto__, given once by the machine.
    void setProtoKey(const StrRef &key) { m_protoKey = key; }

    // `roots` marks everything the machine holds directly.
    void collect(const std::function<void(Heap &)> &roots);
    // Enough was made since the last collection to make one worthwhile.
    bool wantsCollection() const { return m_allocatedSinceCollect >= m_threshold; }
    int size() const { return int(m_objects.size()); }
    template <typename F> void forEach(F &&visit)
    {
        for (const auto &object : m_objects)
            visit(object.get());
    }

private:
    std::vector<std::unique_ptr<Object>> m_objects;
    std::vector<Object *> m_grey;
    StrRef m_protoKey;
    qint64 m_allocatedSinceCollect = 0;
    qint64 m_threshold = 20000;
};

} // namespace swf::avm1
