// An instance of a character on a display list. Characters that hold other
// objects (sprites; later buttons) are subclasses that expose a child list.
#pragma once

#include "swf/model/character.h"
#include "swf/runtime/placementstate.h"

#include <map>
#include <memory>

namespace swf {

class DisplayList;
class TimelineInstance;
struct RuntimeContext;

class DisplayObject {
public:
    DisplayObject(const Character &character, const PlacementState &placement,
                  DisplayObject *parent, RuntimeContext &context);
    virtual ~DisplayObject();
    DisplayObject(const DisplayObject &) = delete;
    DisplayObject &operator=(const DisplayObject &) = delete;

    const Character &character() const { return m_character; }
    const PlacementState &placement() const { return m_placement; }
    PlacementState &placement() { return m_placement; }
    DisplayObject *parent() const { return m_parent; }
    // 1 for objects of the main timeline, 2 for their children, …
    int nesting() const { return m_nesting; }
    // Unique within a player; tells a new object from a freed one that
    // happened to live at the same address.
    quint64 serial() const { return m_serial; }

    // Objects with children of their own; null for leaves.
    virtual const DisplayList *children() const { return nullptr; }
    virtual TimelineInstance *timeline() { return nullptr; }
    // One frame of the object's own time (sprites play their timeline).
    virtual void advance(RuntimeContext &) {}

private:
    const Character &m_character;
    PlacementState m_placement;
    DisplayObject *m_parent;
    int m_nesting;
    quint64 m_serial;
    int &m_liveObjects;
};

// Objects by depth, drawn from the lowest depth up.
class DisplayList {
public:
    using Map = std::map<int, std::unique_ptr<DisplayObject>>;

    DisplayObject *at(int depth) const;
    DisplayObject *findByName(const QString &name) const;
    void insert(std::unique_ptr<DisplayObject> object);
    void remove(int depth);
    void clear() { m_objects.clear(); }
    bool isEmpty() const { return m_objects.empty(); }
    int size() const { return int(m_objects.size()); }
    const Map &objects() const { return m_objects; }

private:
    Map m_objects;
};

} // namespace swf
