#include "swf/render/buttonpointer.h"

#include "swf/model/edittext.h"
#include "swf/model/sprite.h"
#include "swf/model/text.h"
#include "swf/runtime/buttoninstance.h"
#include "swf/runtime/placementstate.h"
#include "swf/runtime/timelineinstance.h"

namespace swf {

namespace {

// Sprites in a hit area are followed this deep; their first frame counts.
constexpr int kMaxHitAreaDepth = 8;
// Strokes thinner than a pixel still catch the pointer along a pixel.
constexpr double kMinHitStroke = 20.0;

struct Search {
    QPointF point; // stage twips
    ButtonInstance *hit = nullptr;
    std::unordered_map<quint64, ButtonInstance *> buttons;
};

} // namespace

ButtonPointerHandler::ButtonPointerHandler(std::shared_ptr<const Movie> movie)
    : m_movie(std::move(movie))
{
    m_shapes.use(m_movie);
}

void ButtonPointerHandler::addArea(const Character &character, const QTransform &transform,
                                   int depth, std::vector<QPainterPath> &area)
{
    switch (character.kind()) {
    case CharacterKind::Shape: {
        ShapeGeometry &geometry = m_shapes.geometry(static_cast<const Shape &>(character));
        for (const ShapeLayer &layer : geometry.layers) {
            for (const StyledPath &fill : layer.fills)
                area.push_back(transform.map(fill.path));
            for (const LinePath &line : layer.lines) {
                QPainterPathStroker stroker;
                stroker.setWidth(
                    qMax<double>(kMinHitStroke, layer.styles->lines[line.style].width));
                area.push_back(transform.map(stroker.createStroke(line.path)));
            }
        }
        break;
    }
    case CharacterKind::Text: {
        QPainterPath box;
        const auto &text = static_cast<const Text &>(character);
        box.addRect(text.bounds.toRectF());
        area.push_back(transform.map(box));
        break;
    }
    case CharacterKind::EditText: {
        QPainterPath box;
        box.addRect(static_cast<const EditText &>(character).bounds.toRectF());
        area.push_back(transform.map(box));
        break;
    }
    case CharacterKind::Sprite: {
        if (depth >= kMaxHitAreaDepth)
            break;
        const auto &sprite = static_cast<const Sprite &>(character);
        if (sprite.timeline.frames.empty())
            break;
        PlacementMap placements;
        applyFrame(placements, sprite.timeline.frames.front(), 0, *m_movie);
        for (const auto &[d, placement] : placements) {
            if (const Character *child = m_movie->character(placement.characterId))
                addArea(*child, placement.matrix.toTransform() * transform, depth + 1, area);
        }
        break;
    }
    case CharacterKind::Button: {
        if (depth >= kMaxHitAreaDepth)
            break;
        for (const ButtonRecord &record : static_cast<const Button &>(character).records()) {
            const Character *child = m_movie->character(record.characterId);
            if (child && (record.states & ButtonStateFlag::HitTest))
                addArea(*child, record.matrix.toTransform() * transform, depth + 1, area);
        }
        break;
    }
    default:
        break; // other kinds do not catch the pointer
    }
}

const std::vector<QPainterPath> &ButtonPointerHandler::hitArea(const Button &button)
{
    auto it = m_areas.find(&button);
    if (it == m_areas.end()) {
        std::vector<QPainterPath> area;
        addArea(button, QTransform(), 0, area);
        it = m_areas.emplace(&button, std::move(area)).first;
    }
    return it->second;
}

namespace {

bool contains(const std::vector<QPainterPath> &area, QPointF point)
{
    return std::any_of(area.begin(), area.end(),
                       [&](const QPainterPath &part) { return part.contains(point); });
}

} // namespace

bool ButtonPointerHandler::pointerEvent(const PointerEvent &event, TimelineInstance &root)
{
    Search search;
    search.point = event.stagePosition;
    // Topmost first: depths from the highest down, children before the
    // objects below their parent.
    const auto walk = [&](const auto &self, const DisplayList &list,
                          const QTransform &parent) -> void {
        for (auto it = list.objects().rbegin(); it != list.objects().rend(); ++it) {
            DisplayObject *object = it->second.get();
            const PlacementState &placement = object->placement();
            if (placement.clipDepth || !placement.visible)
                continue;
            const QTransform transform = placement.matrix.toTransform() * parent;
            if (object->character().kind() == CharacterKind::Button) {
                auto *button = static_cast<ButtonInstance *>(object);
                search.buttons.emplace(button->serial(), button);
                bool invertible = false;
                const QTransform toButton = transform.inverted(&invertible);
                if (!search.hit && invertible &&
                    contains(hitArea(button->button()), toButton.map(search.point)))
                    search.hit = button;
            } else if (const DisplayList *children = object->children()) {
                self(self, *children, transform);
            }
        }
    };
    walk(walk, root.displayList(), QTransform());
    // The pointer left the movie: it is over nothing.
    if (event.type == PointerEvent::Type::Leave)
        search.hit = nullptr;
    m_overButton = search.hit != nullptr;
    return m_tracker.pointerEvent(event.type, search.hit, [&](quint64 serial) {
        const auto it = search.buttons.find(serial);
        return it == search.buttons.end() ? nullptr : it->second;
    });
}

} // namespace swf
