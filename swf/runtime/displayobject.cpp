#include "swf/runtime/displayobject.h"

#include "swf/runtime/runtimecontext.h"

namespace swf {

DisplayObject::DisplayObject(const Character *character, CharacterKind kind,
                             const PlacementState &placement, DisplayObject *parent,
                             RuntimeContext &context)
    : m_character(character), m_kind(kind), m_placement(placement), m_parent(parent),
      m_movie(parent ? &parent->movie() : &context.movie), m_context(context),
      m_serial(context.nextSerial++)
{
    context.objects.emplace(m_serial, this);
}

DisplayObject::~DisplayObject()
{
    m_context.objects.erase(m_serial);
}

void DisplayObject::setScriptMask(DisplayObject *mask)
{
    for (DisplayObject *part : {this, mask}) {
        if (part && part->m_placement.clipDepth) {
            part->m_placement.clipDepth = 0;
            part->lock(ScriptLock::ClipDepth);
        }
    }
    if (DisplayObject *old = scriptMask())
        old->m_scriptMaskee = {};
    m_scriptMask = {};
    if (mask && mask != this) {
        if (DisplayObject *former = mask->scriptMaskee())
            former->m_scriptMask = {};
        mask->m_scriptMaskee = handle();
        m_scriptMask = mask->handle();
    }
    m_context.changed = true;
}

DisplayObject *DisplayObject::scriptMask() const
{
    return m_scriptMask ? m_context.find(m_scriptMask) : nullptr;
}

DisplayObject *DisplayObject::scriptMaskee() const
{
    return m_scriptMaskee ? m_context.find(m_scriptMaskee) : nullptr;
}

bool DisplayObject::isLeaving() const
{
    for (const DisplayObject *o = this; o; o = o->parent()) {
        if (o->m_unloading)
            return true;
    }
    return false;
}

int DisplayObject::nesting() const
{
    int n = 0;
    for (const DisplayObject *o = m_parent; o; o = o->parent())
        ++n;
    return n;
}

void DisplayObject::applyTimelinePlacement(const PlacementState &state)
{
    PlacementState next = state;
    if (m_locks & ScriptLock::Matrix)
        next.matrix = m_placement.matrix;
    if (m_locks & ScriptLock::ColorTransform)
        next.colorTransform = m_placement.colorTransform;
    if (m_locks & ScriptLock::Visible)
        next.visible = m_placement.visible;
    // A name given at creation (instanceN) stays when the timeline has none.
    if ((m_locks & ScriptLock::Name) || next.name.isEmpty())
        next.name = m_placement.name;
    if (m_locks & ScriptLock::Filters) {
        next.filters = m_placement.filters;
        next.scriptFilters = m_placement.scriptFilters;
    }
    if (m_locks & ScriptLock::BlendMode)
        next.blendMode = m_placement.blendMode;
    if (m_locks & ScriptLock::CacheAsBitmap)
        next.cacheAsBitmap = m_placement.cacheAsBitmap;
    if (m_locks & ScriptLock::ClipDepth)
        next.clipDepth = m_placement.clipDepth;
    // The depth is where the object is now; a swap by script moved it.
    next.depth = m_placement.depth;
    m_placement = std::move(next);
}

bool DisplayObject::setMouseState(ButtonMouseState state)
{
    if (state == m_mouseState)
        return false;
    const ButtonMouseState from = m_mouseState;
    m_mouseState = state;
    m_context.scripts->mouseStateChanged(*this, from, state);
    return true;
}

DisplayObject *DisplayList::at(int depth) const
{
    const auto it = m_objects.find(depth);
    return it == m_objects.end() ? nullptr : it->second.get();
}

DisplayObject *DisplayList::findByName(const QString &name, Qt::CaseSensitivity cs) const
{
    for (const auto &[depth, object] : m_objects) {
        if (object->name().compare(name, cs) == 0)
            return object.get();
    }
    return nullptr;
}

void DisplayList::insert(std::unique_ptr<DisplayObject> object)
{
    const int depth = object->depth();
    m_objects[depth] = std::move(object);
}

std::unique_ptr<DisplayObject> DisplayList::take(int depth)
{
    const auto it = m_objects.find(depth);
    if (it == m_objects.end())
        return nullptr;
    std::unique_ptr<DisplayObject> object = std::move(it->second);
    m_objects.erase(it);
    return object;
}

void DisplayList::remove(int depth)
{
    m_objects.erase(depth);
}

void DisplayList::swap(int a, int b)
{
    if (a == b)
        return;
    std::unique_ptr<DisplayObject> first = take(a);
    std::unique_ptr<DisplayObject> second = take(b);
    if (first) {
        first->placement().depth = b;
        m_objects[b] = std::move(first);
    }
    if (second) {
        second->placement().depth = a;
        m_objects[a] = std::move(second);
    }
}

} // namespace swf
