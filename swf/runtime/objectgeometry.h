// Geometry of display objects for scripts and the pointer: transforms to
// the stage, bounds in any object's coordinates, and hit tests against
// bounds or shapes. Kept by the player; character geometry is cached.
#pragma once

#include "swf/geometry/charactergeometry.h"
#include "swf/runtime/displayobject.h"

#include <QTransform>

#include <optional>

namespace swf {

class ObjectGeometry {
public:
    // From the object's own twips to the stage's: its matrix and those of
    // all its parents, its level's included.
    static QTransform toStage(const DisplayObject &object);

    // The rectangle the object and its children cover, in its own twips;
    // nothing when it covers none.
    std::optional<QRectF> localBounds(const DisplayObject &object);
    // The same rectangle mapped into `space`'s coordinates (the stage's
    // when null), as getBounds reports it.
    std::optional<QRectF> boundsIn(const DisplayObject &object, const DisplayObject *space);
    // Whether the stage point falls on the object: within its bounds, or
    // with `shapes`, on something it draws. Masks are not consulted.
    bool hitTest(const DisplayObject &object, QPointF stagePoint, bool shapes);
    // The same for a point already in the object's own twips.
    bool containsLocal(const DisplayObject &object, QPointF point);

    CharacterGeometry &characters() { return m_characters; }

private:
    CharacterGeometry m_characters;
};

} // namespace swf
