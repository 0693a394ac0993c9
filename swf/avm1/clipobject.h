// The script object of a display object: a MovieClip, a Button or a
// TextField. Its variables are its own properties; the display properties
// (_x, _alpha, _currentframe, …) and the children named on its display
// list are read through the display object while it lives.
#pragma once

#include "swf/avm1/object.h"
#include "swf/runtime/displayobject.h"

#include <optional>

namespace swf::avm1 {

// The display properties in the order GetProperty and SetProperty number
// them.
namespace DisplayProperty {
enum Index {
    X,
    Y,
    XScale,
    YScale,
    CurrentFrame,
    TotalFrames,
    Alpha,
    Visible,
    Width,
    Height,
    Rotation,
    Target,
    FramesLoaded,
    Name,
    DropTarget,
    Url,
    HighQuality,
    FocusRect,
    SoundBufTime,
    Quality,
    XMouse,
    YMouse,
    Count,
};
const char *name(int index);
} // namespace DisplayProperty

class ClipObject final : public Object {
public:
    ClipObject(Object *proto, DisplayObject &object, ObjectClass objectClass, QString path);

    // Removed, any display object's reference is a clip reference.
    ObjectClass objectClass() const override { return m_handle ? m_class : ObjectClass::MovieClip; }
    ObjectHandle handle() const { return m_handle; }
    // The display object, or null once it left the display list.
    DisplayObject *display(Machine &machine) const;
    // The display object left the list: the object now stands for
    // whatever clip its path names, if any, as the Flash Player's
    // references to removed clips do. The path is the one the clip had
    // when its object was made; later renames do not change it.
    void detach() { m_handle = {}; }
    const QString &deadPath() const { return m_deadPath; }
    // While its unload handlers run, a removed clip reads as its old path.
    void setUnloading(bool unloading) { m_unloading = unloading; }
    QString pathWhileUnloading() const { return m_unloading ? m_deadPath : QString(); }
    // The onClipEvent actions it was placed with, kept for its unload.
    const ClipActions *clipActions() const { return m_clipActions; }
    // _xscale, _yscale and _rotation as they were before a Transform set
    // the matrix: they read so until a script sets one of them.
    struct ScaleRotation {
        double xScale = 1;
        double yScale = 1;
        double rotation = 0; // radians
    };
    const std::optional<ScaleRotation> &keptScale() const { return m_keptScale; }
    void keepScaleOf(const Matrix &matrix);
    void setKeptScale(std::optional<ScaleRotation> kept) { m_keptScale = kept; }
    // _focusrect: unset (null) on clips; a root's starts on.
    std::optional<bool> focusRect() const { return m_focusRect; }
    void setFocusRect(bool on) { m_focusRect = on; }

    bool getBuiltin(Machine &machine, StringData *key, Value &out) override;
    bool setBuiltin(Machine &machine, StringData *key, const Value &value) override;
    bool getChild(Machine &machine, StringData *key, Value &out) override;
    void builtinNames(Machine &machine, std::vector<StrRef> &names) override;

    // Display properties of any display object, by index.
    static Value displayProperty(Machine &machine, DisplayObject &object, int index);
    static void setDisplayProperty(Machine &machine, DisplayObject &object, int index,
                                   const Value &value);

private:
    ObjectHandle m_handle;
    QString m_deadPath;
    bool m_unloading = false;
    ObjectClass m_class;
    const ClipActions *m_clipActions;
    std::optional<bool> m_focusRect;
    std::optional<ScaleRotation> m_keptScale;
};

// The clip object `object` is, or null.
inline ClipObject *asClip(Object *object)
{
    return object && object->isClip() ? static_cast<ClipObject *>(object) : nullptr;
}

} // namespace swf::avm1
