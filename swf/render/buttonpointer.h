// Pointer input for buttons: finds the topmost button whose hit area holds
// the pointer (the hit-test state's characters, transformed to the stage)
// and lets the ButtonTracker move the buttons to their new states. The
// movie widget installs one per player with Player::setPointerHandler().
#pragma once

#include "swf/model/button.h"
#include "swf/model/movie.h"
#include "swf/render/shapecache.h"
#include "swf/runtime/buttontracker.h"
#include "swf/runtime/pointerinput.h"

#include <QPainterPath>

#include <memory>
#include <unordered_map>
#include <vector>

namespace swf {

class ButtonPointerHandler final : public PointerHandler {
public:
    explicit ButtonPointerHandler(std::shared_ptr<const Movie> movie);

    bool pointerEvent(const PointerEvent &event, TimelineInstance &root) override;
    // Whether the last event found the pointer over a button.
    bool overButton() const { return m_overButton; }

    // The hit area of `button` in its own coordinates (twips): the fills
    // and strokes of its hit-test characters.
    const std::vector<QPainterPath> &hitArea(const Button &button);

private:
    void addArea(const Character &character, const QTransform &transform, int depth,
                 std::vector<QPainterPath> &area);

    std::shared_ptr<const Movie> m_movie;
    ShapeCache m_shapes;
    std::unordered_map<const Button *, std::vector<QPainterPath>> m_areas;
    ButtonTracker m_tracker;
    bool m_overButton = false;
};

} // namespace swf
