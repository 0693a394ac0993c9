#include "swf/runtime/displayobject.h"

#include "swf/runtime/runtimecontext.h"

namespace swf {

DisplayObject::DisplayObject(const Character &character, const PlacementState &placement,
                             DisplayObject *parent, RuntimeContext &context)
    : m_character(character), m_placement(placement), m_parent(parent),
      m_nesting(parent ? parent->nesting() + 1 : 1), m_serial(context.nextSerial++),
      m_liveObjects(context.liveObjects)
{
    ++m_liveObjects;
}

DisplayObject::~DisplayObject()
{
    --m_liveObjects;
}

DisplayObject *DisplayList::at(int depth) const
{
    const auto it = m_objects.find(depth);
    return it == m_objects.end() ? nullptr : it->second.get();
}

DisplayObject *DisplayList::findByName(const QString &name) const
{
    for (const auto &[depth, object] : m_objects) {
        if (object->placement().name == name)
            return object.get();
    }
    return nullptr;
}

void DisplayList::insert(std::unique_ptr<DisplayObject> object)
{
    const int depth = object->placement().depth;
    m_objects[depth] = std::move(object);
}

void DisplayList::remove(int depth)
{
    m_objects.erase(depth);
}

} // namespace swf
