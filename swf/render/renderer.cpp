#include "swf/render/renderer.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/render/drawkinds.h"

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
        for (const auto &[depth, child] : children->objects()) {
            if (child->placement().clipDepth)
                continue;
            const QTransform childTransform = child->placement().matrix.toTransform() * transform;
            const QPainterPath part = maskArea(*child, childTransform, context);
            area = area.isEmpty() ? part : area.united(part);
        }
        return area;
    }
    const DrawKind *kind = drawKind(object.character().kind());
    if (!kind)
        return {};
    return transform.map(kind->outline(object, context));
}

// Paints one display list from the lowest depth up. A mask placed at depth
// p with clip depth d limits depths p+1 … d to its area.
class ListPainter {
public:
    explicit ListPainter(DrawContext &context) : m_context(context) {}

    void paint(const DisplayList &list, const DrawState &parent)
    {
        QPainter &painter = m_context.painter;
        painter.save();
        std::vector<Mask> masks;
        for (const auto &[depth, object] : list.objects()) {
            if (std::erase_if(masks,
                              [depth = depth](const Mask &m) { return m.lastDepth < depth; }))
                applyMasks(masks);
            const PlacementState &placement = object->placement();
            const QTransform transform = placement.matrix.toTransform() * parent.transform;
            if (placement.clipDepth) {
                // A mask inside another mask's range is itself masked: its
                // maskees stay within both, also past the outer one's range.
                QPainterPath area = maskArea(*object, transform, m_context);
                for (const Mask &outer : masks)
                    area = area.intersected(outer.area);
                masks.push_back(Mask{placement.clipDepth, area});
                applyMasks(masks);
                continue;
            }
            if (!placement.visible)
                continue;
            const DrawState state{
                transform, ColorTransform::concat(parent.colorTransform, placement.colorTransform)};
            if (const DisplayList *children = object->children()) {
                paint(*children, state);
            } else if (const DrawKind *kind = drawKind(object->character().kind())) {
                kind->draw(*object, state, m_context);
            }
        }
        painter.restore();
    }

private:
    struct Mask {
        int lastDepth;
        QPainterPath area; // device pixels
    };

    // Back to the clip this list started with, then every live mask.
    void applyMasks(const std::vector<Mask> &masks)
    {
        QPainter &painter = m_context.painter;
        painter.restore();
        painter.save();
        painter.setTransform(QTransform());
        for (const Mask &mask : masks)
            painter.setClipPath(mask.area, Qt::IntersectClip);
    }

    DrawContext &m_context;
};

} // namespace

QColor Renderer::backgroundOf(const Movie &movie)
{
    if (const auto color = movie.backgroundColor())
        return QColor(color->r, color->g, color->b);
    return Qt::white;
}

QTransform Renderer::showAll(const Rect &stage, const QRectF &viewport)
{
    if (stage.isEmpty() || viewport.isEmpty())
        return QTransform(0, 0, 0, 0, 0, 0);
    const double stageW = double(stage.width());
    const double stageH = double(stage.height());
    const double scale = qMin(viewport.width() / stageW, viewport.height() / stageH);
    const double dx = viewport.x() + (viewport.width() - stageW * scale) / 2.0;
    const double dy = viewport.y() + (viewport.height() - stageH * scale) / 2.0;
    return QTransform::fromTranslate(-stage.xMin, -stage.yMin) *
           QTransform::fromScale(scale, scale) * QTransform::fromTranslate(dx, dy);
}

QImage Renderer::render(const Player &player, QSize size, const QColor &background)
{
    size = size.boundedTo(QSize(limits::kMaxRenderSide, limits::kMaxRenderSide))
               .expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    render(player, painter, image.rect(), background);
    painter.end();
    return image;
}

void Renderer::render(const Player &player, QPainter &painter, const QRect &viewport,
                      const QColor &background)
{
    painter.save();
    painter.setClipRect(viewport, Qt::IntersectClip);
    painter.fillRect(viewport, background);
    const Rect &stage = player.movie().stage();
    const QTransform transform = showAll(stage, viewport);
    if (!transform.isInvertible()) {
        painter.restore();
        return;
    }
    // Content outside the stage stays hidden: the margins show background.
    // A whole-pixel clip keeps the raster engine on its fast rectangle path.
    painter.setClipRect(transform.mapRect(stage.toRectF()).toRect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    m_shapes.use(player.sharedMovie());
    DrawContext context{painter, m_shapes, player.movie()};
    ListPainter(context).paint(player.displayList(), DrawState{transform, ColorTransform{}});
    painter.restore();
}

} // namespace swf
