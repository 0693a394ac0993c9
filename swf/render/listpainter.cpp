#include "swf/render/listpainter.h"

#include "swf/limits.h"
#include "swf/render/compositor.h"
#include "swf/render/drawkinds.h"
#include "swf/render/filters.h"
#include "swf/render/layerbounds.h"
#include "swf/runtime/objectgeometry.h"

#include <cmath>
#include <optional>
#include <vector>

namespace swf {

namespace {

// The area an object covers, in device pixels, for use as a mask: the
// fills of its shapes and those of its children (strokes do not mask).
QPainterPath maskArea(const DisplayObject &object, const QTransform &transform,
                      DrawContext &context)
{
    if (const DisplayList *children = object.children()) {
        QPainterPath area;
        if (const Drawing *drawing = object.drawing(); drawing && !drawing->isEmpty())
            area = transform.map(drawing->geometry().fillOutline());
        for (const auto &[depth, child] : children->objects()) {
            if (child->placement().clipDepth)
                continue;
            const QTransform childTransform = child->placement().matrix.toTransform() * transform;
            const QPainterPath part = maskArea(*child, childTransform, context);
            area = area.isEmpty() ? part : area.united(part);
        }
        return area;
    }
    const DrawKind *kind = drawKind(object.kind());
    if (!kind)
        return {};
    return transform.map(kind->outline(object, context));
}

// Whether anything inside `object` blends with what its group holds in a
// mode other than normal: then a layer mode object needs its layer.
bool blendsInside(const DisplayObject &object)
{
    const DisplayList *children = object.children();
    if (!children)
        return false;
    for (const auto &[depth, child] : children->objects()) {
        const BlendMode mode = blendModeOf(child->placement().blendMode);
        if ((mode != BlendMode::Normal && mode != BlendMode::Layer) || blendsInside(*child))
            return true;
    }
    return false;
}

// A layer that changes nothing: composited normally, untinted, with only
// normal blending inside, a group draws as its parts would.
bool groupChangesNothing(const DisplayObject &object, const DrawState &state,
                         const std::vector<Filter> &filters)
{
    const PlacementState &placement = object.placement();
    return blendModeOf(placement.blendMode) == BlendMode::Layer && filters.empty() &&
           !placement.cacheAsBitmap && state.colorTransform.isIdentity() && !blendsInside(object);
}

} // namespace

void ListPainter::paint(const DisplayList &list, const DrawState &parent)
{
    QPainter &painter = m_context.painter;
    painter.save();
    std::vector<Mask> masks;
    for (const auto &[depth, object] : list.objects()) {
        if (std::erase_if(masks, [depth = depth](const Mask &m) { return m.lastDepth < depth; }))
            applyMasks(masks);
        const PlacementState &placement = object->placement();
        if (placement.clipDepth) {
            // A mask inside another mask's range is itself masked: its
            // maskees stay within both, also past the outer one's range.
            const QTransform transform = placement.matrix.toTransform() * parent.transform;
            QPainterPath area = maskArea(*object, transform, m_context);
            for (const Mask &outer : masks)
                area = area.intersected(outer.area);
            masks.push_back(Mask{placement.clipDepth, area});
            applyMasks(masks);
            continue;
        }
        // A script's mask shows only through what it masks.
        if (placement.visible && !object->scriptMaskee())
            paintObject(*object, parent);
    }
    painter.restore();
}

void ListPainter::paintObject(const DisplayObject &object, const DrawState &parent)
{
    // A loaded movie's clips find their characters in its own dictionary.
    if (&object.movie() != &m_context.movie) {
        DrawContext inner{m_context.painter,   m_context.shapes,     object.movie(),
                          m_context.bitmaps,   m_context.morphs,     m_context.layers,
                          m_context.rasters,   m_context.layerCache, m_context.stageScale,
                          m_context.layerArea, m_context.layerDepth};
        ListPainter(inner).paintObject(object, parent);
        return;
    }
    const PlacementState &placement = object.placement();
    const DrawState state{placement.matrix.toTransform() * parent.transform,
                          ColorTransform::concat(parent.colorTransform, placement.colorTransform)};
    if (const DisplayObject *mask = object.scriptMask()) {
        if (clipToScriptMask(object, *mask, state)) {
            paintUnmasked(object, state);
            m_context.painter.restore();
        }
        return;
    }
    paintUnmasked(object, state);
}

// The mask may sit anywhere in the tree: its stage transform is carried to
// the device as the object's own is. Saves the painter for the caller to
// restore; false (nothing saved) when the object cannot be drawn.
bool ListPainter::clipToScriptMask(const DisplayObject &object, const DisplayObject &mask,
                                   const DrawState &state)
{
    bool invertible = false;
    const QTransform toDevice =
        ObjectGeometry::toStage(object).inverted(&invertible) * state.transform;
    if (!invertible)
        return false;
    QPainter &painter = m_context.painter;
    painter.save();
    painter.setTransform(QTransform());
    painter.setClipPath(maskArea(mask, ObjectGeometry::toStage(mask) * toDevice, m_context),
                        Qt::IntersectClip);
    return true;
}

void ListPainter::paintMaskedContent(const DisplayObject &object, const DrawState &state)
{
    const DisplayObject *mask = object.scriptMask();
    if (!mask) {
        paintContent(object, state);
        return;
    }
    if (clipToScriptMask(object, *mask, state)) {
        paintContent(object, state);
        m_context.painter.restore();
    }
}

void ListPainter::paintUnmasked(const DisplayObject &object, const DrawState &state)
{
    const PlacementState &placement = object.placement();
    static const std::vector<Filter> kNone;
    const std::vector<Filter> &filters = placement.filters ? *placement.filters : kNone;
    const bool layered = blendModeOf(placement.blendMode) != BlendMode::Normal ||
                         !filters.empty() || placement.cacheAsBitmap;
    if (layered && !groupChangesNothing(object, state, filters))
        paintLayered(object, state, filters);
    else
        paintContent(object, state);
}

void ListPainter::paintContent(const DisplayObject &object, const DrawState &state)
{
    if (object.placement().opaqueBackground)
        paintBackground(object, state);
    if (const DisplayList *children = object.children()) {
        if (const Drawing *drawing = object.drawing(); drawing && !drawing->isEmpty())
            drawDrawing(*drawing, state, m_context);
        paint(*children, state);
        return;
    }
    const DrawKind *kind = drawKind(object.kind());
    if (!kind)
        return;
    // Leaves wholly outside the picture cost nothing.
    const auto bounds = deviceBounds(object, state.transform, m_context);
    if (bounds && !bounds->intersects(m_context.layerArea))
        return;
    kind->draw(object, state, m_context);
}

// An opaque background: the object's bounds filled with its colour, made
// opaque whatever alpha the file gives it, under the object's colour
// transform.
void ListPainter::paintBackground(const DisplayObject &object, const DrawState &state)
{
    const auto bounds = localBounds(object, m_context);
    if (!bounds || bounds->isEmpty())
        return;
    Rgba color = *object.placement().opaqueBackground;
    color.a = 255;
    QPainter &painter = m_context.painter;
    painter.setTransform(state.transform);
    painter.fillRect(*bounds, state.colorTransform.apply(color).toColor());
}

// The object drawn as a group, without its colour transform, into a layer
// over the device pixels it covers; the layer is then filtered, tinted as
// a whole and composited in the object's mode. Objects cached as bitmaps,
// and those with filters (which the Flash Player caches too), are drawn
// with their origin on a whole device pixel, as their bitmap is, and their
// layer is kept while what it shows stays the same.
void ListPainter::paintLayered(const DisplayObject &object, const DrawState &state,
                               const std::vector<Filter> &filters)
{
    const PlacementState &placement = object.placement();
    const BlendMode mode = blendModeOf(placement.blendMode);
    if (actsOnParentLayer(mode) && m_context.layerDepth == 0)
        return;
    if (m_context.layerDepth >= limits::kMaxNestedLayers) {
        paintContent(object, state);
        return;
    }
    const bool cached = placement.cacheAsBitmap || !filters.empty();
    QTransform transform = state.transform;
    if (cached)
        transform *= QTransform::fromTranslate(std::round(transform.dx()) - transform.dx(),
                                               std::round(transform.dy()) - transform.dy());
    // Filter parameters count stage pixels.
    const double filterScale = m_context.stageScale * kTwipsPerPixel;
    const int margin = filters.empty() ? 0 : filterMargin(filters, filterScale);
    const LayerPlan plan = planLayer(object, transform, margin, cached && mode != BlendMode::Alpha);
    if (plan.signature && !plan.area.isEmpty()) {
        if (const QImage *kept = m_context.layerCache.find(object, *plan.signature, plan.offset)) {
            QImage layer = *kept; // compositing that changes it works on a copy
            compositeLayer(m_context.painter, layer, plan.area.topLeft(), mode,
                           state.colorTransform);
            return;
        }
    }
    QImage layer = drawLayer(object, transform, plan.area);
    if (!layer.isNull()) {
        applyFilters(layer, filters, filterScale);
        if (plan.signature)
            m_context.layerCache.keep(object, *plan.signature, plan.offset, layer);
        compositeLayer(m_context.painter, layer, plan.area.topLeft(), mode, state.colorTransform);
    }
    // Alpha keeps of its parent's layer only what the object covers.
    if (mode == BlendMode::Alpha)
        clearOutside(layer.isNull() ? QRect() : plan.area);
}

// The device pixels a layer covers: the object's bounds and what its
// filters add, within the area drawn on, grown by the filters' reach (what
// lies off the picture still shows through a blur). A layer to keep is
// kept whole, so that moving it shows the same picture, unless it reaches
// far past the picture.
ListPainter::LayerPlan ListPainter::planLayer(const DisplayObject &object,
                                              const QTransform &transform, int margin, bool keep)
{
    const QRect reach = m_context.layerArea.adjusted(-margin, -margin, margin, margin);
    LayerPlan plan{reach, std::nullopt, QPoint()};
    const auto bounds = deviceBounds(object, transform, m_context);
    if (!bounds)
        return plan;
    const QRect whole = bounds->toAlignedRect().adjusted(-margin, -margin, margin, margin);
    plan.area = reach.intersected(whole);
    if (keep &&
        qint64(whole.width()) * whole.height() <= 2 * qint64(reach.width()) * reach.height()) {
        plan.area = whole;
        plan.signature = LayerCache::signature(object, transform, m_context.stageScale);
        plan.offset = whole.topLeft() - QPoint(int(transform.dx()), int(transform.dy()));
    }
    return plan;
}

// The object drawn under `transform` into a layer over `area`.
QImage ListPainter::drawLayer(const DisplayObject &object, const QTransform &transform,
                              const QRect &area)
{
    QImage layer =
        area.isEmpty() ? QImage() : m_context.layers.take(m_context.layerDepth + 1, area.size());
    if (layer.isNull())
        return layer;
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        DrawContext inner{painter,           m_context.shapes,        m_context.movie,
                          m_context.bitmaps, m_context.morphs,        m_context.layers,
                          m_context.rasters, m_context.layerCache,    m_context.stageScale,
                          layer.rect(),      m_context.layerDepth + 1};
        const DrawState local{transform * QTransform::fromTranslate(-area.left(), -area.top()),
                              ColorTransform{}};
        ListPainter(inner).paintContent(object, local);
    }
    return layer;
}

// Clears the parent layer outside `keep`, under the current clip.
void ListPainter::clearOutside(const QRect &keep)
{
    QPainter &painter = m_context.painter;
    painter.save();
    painter.setTransform(QTransform());
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    QRegion outside(m_context.layerArea);
    outside -= keep;
    for (const QRect &rect : outside)
        painter.fillRect(rect, Qt::transparent);
    painter.restore();
}

// Back to the clip this list started with, then every live mask.
void ListPainter::applyMasks(const std::vector<Mask> &masks)
{
    QPainter &painter = m_context.painter;
    painter.restore();
    painter.save();
    painter.setTransform(QTransform());
    for (const Mask &mask : masks)
        painter.setClipPath(mask.area, Qt::IntersectClip);
}

} // namespace swf
