#include "swf/runtime/pointerdispatcher.h"

#include "swf/model/movie.h"
#include "swf/model/sprite.h"
#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/runtimecontext.h"

#include <algorithm>

namespace swf {

namespace {

// Sprites in a hit area are followed this deep; their first frame counts.
constexpr int kMaxHitAreaDepth = 8;

bool contains(const std::vector<QPainterPath> &area, QPointF point)
{
    return std::any_of(area.begin(), area.end(),
                       [&](const QPainterPath &part) { return part.contains(point); });
}

} // namespace

void PointerDispatcher::addArea(const Character &character, const QTransform &transform, int depth,
                                const Movie &movie, std::vector<QPainterPath> &area)
{
    switch (character.kind()) {
    case CharacterKind::Sprite: {
        if (depth >= kMaxHitAreaDepth)
            break;
        const auto &sprite = static_cast<const Sprite &>(character);
        if (sprite.timeline.frames.empty())
            break;
        PlacementMap placements;
        applyFrame(placements, sprite.timeline.frames.front(), 0, movie);
        for (const auto &[d, placement] : placements) {
            if (const Character *child = movie.character(placement.characterId))
                addArea(*child, placement.matrix.toTransform() * transform, depth + 1, movie, area);
        }
        break;
    }
    case CharacterKind::Button: {
        if (depth >= kMaxHitAreaDepth)
            break;
        for (const ButtonRecord &record : static_cast<const Button &>(character).records()) {
            const Character *child = movie.character(record.characterId);
            if (child && (record.states & ButtonStateFlag::HitTest))
                addArea(*child, record.matrix.toTransform() * transform, depth + 1, movie, area);
        }
        break;
    }
    case CharacterKind::Shape:
        for (const QPainterPath &part :
             m_geometry.characters().shapeArea(static_cast<const Shape &>(character)))
            area.push_back(transform.map(part));
        break;
    default:
        if (const auto box = m_geometry.characters().bounds(character)) {
            QPainterPath path;
            path.addRect(*box);
            area.push_back(transform.map(path));
        }
        break;
    }
}

const std::vector<QPainterPath> &PointerDispatcher::hitArea(const Button &button,
                                                            const Movie &movie)
{
    auto it = m_areas.find(&button);
    if (it == m_areas.end()) {
        std::vector<QPainterPath> area;
        addArea(button, QTransform(), 0, movie, area);
        it = m_areas.emplace(&button, std::move(area)).first;
    }
    return it->second;
}

DisplayObject *PointerDispatcher::targetAt(DisplayObject &root, QPointF stagePoint,
                                           RuntimeContext &context)
{
    // Topmost first: depths from the highest down, children before the
    // objects below their parent.
    const auto walk = [&](const auto &self, const DisplayList &list,
                          const QTransform &parent) -> DisplayObject * {
        for (auto it = list.objects().rbegin(); it != list.objects().rend(); ++it) {
            DisplayObject *object = it->second.get();
            const PlacementState &placement = object->placement();
            if (placement.clipDepth || !placement.visible)
                continue;
            const QTransform transform = placement.matrix.toTransform() * parent;
            bool invertible = false;
            const QTransform toObject = transform.inverted(&invertible);
            if (!invertible)
                continue;
            const QPointF local = toObject.map(stagePoint);
            if (object->kind() == CharacterKind::Button) {
                const auto &button = static_cast<const ButtonInstance &>(*object);
                if (contains(hitArea(button.button(), object->movie()), local))
                    return object;
                continue;
            }
            if (object->children() && context.scripts->takesPointer(*object)) {
                if (m_geometry.containsLocal(*object, local))
                    return object;
                continue;
            }
            if (const DisplayList *children = object->children()) {
                if (DisplayObject *hit = self(self, *children, transform))
                    return hit;
            }
        }
        return nullptr;
    };
    if (!root.children())
        return nullptr;
    return walk(walk, *root.children(), root.placement().matrix.toTransform());
}

bool PointerDispatcher::pointerEvent(const PointerEvent &event, DisplayObject &root,
                                     RuntimeContext &context)
{
    DisplayObject *target = event.type == PointerEvent::Type::Leave
                                ? nullptr
                                : targetAt(root, event.stagePosition, context);
    m_overInteractive = target != nullptr;
    return m_tracker.pointerEvent(event.type, target,
                                  [&context](ObjectHandle handle) { return context.find(handle); });
}

} // namespace swf
