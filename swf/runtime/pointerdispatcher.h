// Pointer input for interactive objects: finds the topmost button whose
// hit area holds the pointer (the hit-test state's characters) or clip
// that takes the pointer (what it draws), and lets the ButtonTracker move
// them to their new states. The player owns one.
#pragma once

#include "swf/model/button.h"
#include "swf/runtime/buttontracker.h"
#include "swf/runtime/objectgeometry.h"

#include <QPainterPath>

#include <unordered_map>
#include <vector>

namespace swf {

struct RuntimeContext;

class PointerDispatcher {
public:
    explicit PointerDispatcher(ObjectGeometry &geometry) : m_geometry(geometry) {}

    // Returns true when an object changed state.
    bool pointerEvent(const PointerEvent &event, DisplayObject &root, RuntimeContext &context);
    // Whether the last event found the pointer over an interactive object.
    bool overInteractive() const { return m_overInteractive; }
    // The topmost interactive object at the stage point, or null.
    DisplayObject *targetAt(DisplayObject &root, QPointF stagePoint, RuntimeContext &context);

    // The hit area of `button` in its own coordinates (twips): the fills
    // and strokes of its hit-test characters.
    const std::vector<QPainterPath> &hitArea(const Button &button, const Movie &movie);

private:
    void addArea(const Character &character, const QTransform &transform, int depth,
                 const Movie &movie, std::vector<QPainterPath> &area);

    ObjectGeometry &m_geometry;
    std::unordered_map<const Button *, std::vector<QPainterPath>> m_areas;
    ButtonTracker m_tracker;
    bool m_overInteractive = false;
};

} // namespace swf
