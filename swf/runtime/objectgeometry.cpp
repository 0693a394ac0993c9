#include "swf/runtime/objectgeometry.h"

#include "swf/geometry/drawing.h"
#include "swf/runtime/edittextinstance.h"

namespace swf {

QTransform ObjectGeometry::toStage(const DisplayObject &object)
{
    QTransform transform;
    for (const DisplayObject *o = &object; o; o = o->parent())
        transform = transform * o->placement().matrix.toTransform();
    return transform;
}

std::optional<QRectF> ObjectGeometry::localBounds(const DisplayObject &object)
{
    std::optional<QRectF> area;
    const auto add = [&area](const QRectF &part) { area = area ? area->united(part) : part; };
    if (object.kind() == CharacterKind::EditText) {
        add(static_cast<const EditTextInstance &>(object).layout().box);
    } else if (const Character *character = object.character()) {
        if (const auto own = m_characters.bounds(*character, object.placement().ratio))
            add(*own);
    }
    if (const Drawing *drawing = object.drawing()) {
        if (const auto drawn = drawing->bounds())
            add(*drawn);
    }
    if (const DisplayList *children = object.children()) {
        for (const auto &[depth, child] : children->objects()) {
            if (const auto part = localBounds(*child))
                add(child->placement().matrix.toTransform().mapRect(*part));
        }
    }
    return area;
}

std::optional<QRectF> ObjectGeometry::boundsIn(const DisplayObject &object,
                                               const DisplayObject *space)
{
    const auto local = localBounds(object);
    if (!local)
        return std::nullopt;
    QTransform transform = toStage(object);
    if (space)
        transform = transform * toStage(*space).inverted();
    return transform.mapRect(*local);
}

bool ObjectGeometry::hitTest(const DisplayObject &object, QPointF stagePoint, bool shapes)
{
    bool invertible = false;
    const QTransform fromStage = toStage(object).inverted(&invertible);
    if (!invertible)
        return false;
    if (!shapes) {
        // Bounds are compared on the stage, as the Flash Player does.
        const auto box = boundsIn(object, nullptr);
        return box && box->contains(stagePoint);
    }
    // A point on a shape's top or left edge is outside: the test is made
    // a hair above and left of it.
    constexpr double kEdge = 1.0 / 64;
    return containsLocal(object, fromStage.map(stagePoint - QPointF(kEdge, kEdge)));
}

bool ObjectGeometry::containsLocal(const DisplayObject &object, QPointF point)
{
    if (object.kind() == CharacterKind::EditText) {
        if (static_cast<const EditTextInstance &>(object).layout().box.contains(point))
            return true;
    } else if (const Character *character = object.character()) {
        if (m_characters.contains(*character, object.placement().ratio, point))
            return true;
    }
    if (const Drawing *drawing = object.drawing(); drawing && drawing->contains(point))
        return true;
    if (const DisplayList *children = object.children()) {
        for (const auto &[depth, child] : children->objects()) {
            if (child->placement().clipDepth)
                continue;
            bool invertible = false;
            const QTransform toChild =
                child->placement().matrix.toTransform().inverted(&invertible);
            if (invertible && containsLocal(*child, toChild.map(point)))
                return true;
        }
    }
    return false;
}

} // namespace swf
