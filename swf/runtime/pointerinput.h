// The seam for pointer input: the movie widget turns mouse events into
// stage positions and the player passes them to a PointerHandler (buttons
// will hit-test the display list there). The null handler ignores them.
#pragma once

#include <QPointF>

namespace swf {

class TimelineInstance;

struct PointerEvent {
    enum class Type { Move, Press, Release, Leave };
    Type type = Type::Move;
    QPointF stagePosition; // twips, in the stage's coordinates
};

class PointerHandler {
public:
    virtual ~PointerHandler() = default;
    // Returns true when the display changed.
    virtual bool pointerEvent(const PointerEvent &event, TimelineInstance &root) = 0;
};

class NullPointerHandler final : public PointerHandler {
public:
    bool pointerEvent(const PointerEvent &, TimelineInstance &) override { return false; }
};

} // namespace swf
