// A display object: what scripts and timelines change and the renderer
// draws. Most are instances of a character of the movie's dictionary; some
// have none (the main timeline of each level, clips made by scripts). An
// object's kind, not its character, says how it draws.
//
// Its display state (PlacementState) is set by the timeline that placed it
// until a script sets a property: from then on the timeline leaves that
// property alone, until the object is replaced. Objects made by scripts
// (placedFrame < 0) are never touched by their timeline's jumps.
#pragma once

#include "swf/model/character.h"
#include "swf/runtime/placementstate.h"
#include "swf/runtime/pointerinput.h"

#include <map>
#include <memory>

namespace swf {

class DisplayList;
class Drawing;
class Movie;
class TimelineInstance;
struct RuntimeContext;

// Display state that scripts can take over from the timeline.
namespace ScriptLock {
inline constexpr quint32 Matrix = 0x01;
inline constexpr quint32 ColorTransform = 0x02;
inline constexpr quint32 Visible = 0x04;
inline constexpr quint32 Name = 0x08;
inline constexpr quint32 Filters = 0x10;
inline constexpr quint32 BlendMode = 0x20;
inline constexpr quint32 CacheAsBitmap = 0x40;
inline constexpr quint32 ClipDepth = 0x80;
} // namespace ScriptLock

// Names an object without keeping it alive: lookups through the player
// answer null once the object is gone, even if another one took its place.
struct ObjectHandle {
    quint64 serial = 0;
    explicit operator bool() const { return serial != 0; }
    friend bool operator==(ObjectHandle, ObjectHandle) = default;
};

class DisplayObject {
public:
    // `character` may be null for the kinds that need none (sprites).
    DisplayObject(const Character *character, CharacterKind kind, const PlacementState &placement,
                  DisplayObject *parent, RuntimeContext &context);
    virtual ~DisplayObject();
    DisplayObject(const DisplayObject &) = delete;
    DisplayObject &operator=(const DisplayObject &) = delete;

    const Character *character() const { return m_character; }
    CharacterKind kind() const { return m_kind; }
    const PlacementState &placement() const { return m_placement; }
    // For scripts: changes are theirs (see lock()).
    PlacementState &placement() { return m_placement; }
    // A timeline moved or re-placed the object: fields scripts hold keep
    // their value.
    void applyTimelinePlacement(const PlacementState &state);
    // Scripts now own these fields (ScriptLock bits).
    void lock(quint32 fields) { m_locks |= fields; }
    quint32 locks() const { return m_locks; }
    int depth() const { return m_placement.depth; }
    const QString &name() const { return m_placement.name; }
    bool isDynamic() const { return m_placement.placedFrame < 0; }
    // Removed from its list but kept there, below every depth in use, until
    // the unload handlers inside it have run; its timeline no longer plays.
    bool isUnloading() const { return m_unloading; }
    void setUnloading() { m_unloading = true; }
    // It or a clip it is in is unloading.
    bool isLeaving() const;

    DisplayObject *parent() const { return m_parent; }
    void setParent(DisplayObject *parent) { m_parent = parent; }
    // 1 for objects of a level's main timeline, 2 for their children, …
    int nesting() const;
    // The movie whose dictionary the object and its children come from.
    const Movie &movie() const { return *m_movie; }
    ObjectHandle handle() const { return ObjectHandle{m_serial}; }
    quint64 serial() const { return m_serial; }
    RuntimeContext &context() const { return m_context; }

    // Objects with children of their own; null for leaves.
    virtual const DisplayList *children() const { return nullptr; }
    virtual DisplayList *children() { return nullptr; }
    virtual TimelineInstance *timeline() { return nullptr; }
    virtual const TimelineInstance *timeline() const { return nullptr; }
    // What scripts drew on the object, under its children: clips only.
    virtual Drawing *drawing() { return nullptr; }
    virtual const Drawing *drawing() const { return nullptr; }
    // Buttons, and clips that take the pointer: where the pointer is in
    // relation to the object. A change is told to the script host; returns
    // true when the state changed.
    ButtonMouseState mouseState() const { return m_mouseState; }
    virtual bool setMouseState(ButtonMouseState state);
    // Whether a press follows the pointer from this object to the next.
    virtual bool trackAsMenu() const { return m_trackAsMenu; }
    void setTrackAsMenu(bool menu) { m_trackAsMenu = menu; }

    // Shows the first frame once the object is in its list (addChild()).
    virtual void enterFirstFrame(RuntimeContext &) {}

    // A mask set by a script (setMask): the object draws only within the
    // area of `mask`, which is then not drawn itself. One mask masks one
    // object: a mask taken by another object leaves its former one
    // unmasked. Null removes the mask. A timeline mask (clip depth) that
    // takes part, as mask or as masked, stops masking its depths for good.
    void setScriptMask(DisplayObject *mask);
    // The live mask of this object, and the live object this one masks.
    DisplayObject *scriptMask() const;
    DisplayObject *scriptMaskee() const;

protected:
    // The main timeline of a loaded movie: it and its children come from
    // that movie's dictionary.
    void setMovie(const Movie &movie) { m_movie = &movie; }

private:
    const Character *m_character;
    CharacterKind m_kind;
    PlacementState m_placement;
    DisplayObject *m_parent;
    const Movie *m_movie;
    RuntimeContext &m_context;
    quint64 m_serial;
    quint32 m_locks = 0;
    ButtonMouseState m_mouseState = ButtonMouseState::Idle;
    bool m_trackAsMenu = false;
    bool m_unloading = false;
    ObjectHandle m_scriptMask;
    ObjectHandle m_scriptMaskee;
};

// Objects by depth, drawn from the lowest depth up. Objects put in or
// taken out are announced to the script host by whoever owns the list
// (TimelineInstance, the script machines), not here.
class DisplayList {
public:
    using Map = std::map<int, std::unique_ptr<DisplayObject>>;

    DisplayObject *at(int depth) const;
    // By instance name; before version 7 names match without regard to case.
    DisplayObject *findByName(const QString &name,
                              Qt::CaseSensitivity cs = Qt::CaseSensitive) const;
    // Puts `object` at its depth, in place of what was there.
    void insert(std::unique_ptr<DisplayObject> object);
    std::unique_ptr<DisplayObject> take(int depth);
    void remove(int depth);
    // Exchanges what the two depths hold (either may be empty).
    void swap(int a, int b);
    void clear() { m_objects.clear(); }
    bool isEmpty() const { return m_objects.empty(); }
    int size() const { return int(m_objects.size()); }
    const Map &objects() const { return m_objects; }

private:
    Map m_objects;
};

} // namespace swf
