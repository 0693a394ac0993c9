#include "swf/render/renderer.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/render/listpainter.h"

#include <QPainterPath>

#include <cmath>
#include <new>

namespace swf {

QColor Renderer::backgroundOf(const Movie &movie)
{
    if (const auto color = movie.backgroundColor())
        return QColor(color->r, color->g, color->b);
    return Qt::white;
}

QColor Renderer::backgroundOf(const Player &player)
{
    if (!player.movie().backgroundColor()) {
        for (const auto &[number, level] : player.levels()) {
            if (level->movie().backgroundColor())
                return backgroundOf(level->movie());
        }
    }
    return backgroundOf(player.movie());
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
    QImage image = target(size);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    render(player, painter, image.rect(), background);
    painter.end();
    return image;
}

void Renderer::render(const Player &player, QPainter &painter, const QRect &viewport,
                      const QColor &background)
{
    draw(player, painter, viewport, showAll(player.movie().stage(), viewport), background);
}

// Full-screen pictures are large: the memory of a picture every copy of
// which is gone is drawn into again instead of being mapped anew each
// frame. Each picture shares its memory, so it outlives the renderer.
QImage Renderer::target(QSize size)
{
    std::shared_ptr<Target> *free = nullptr;
    for (auto &kept : m_targets) {
        if (kept && kept.use_count() == 1 && kept->size == size)
            return picture(kept);
        if (!kept || kept.use_count() == 1)
            free = &kept;
    }
    auto made = std::make_shared<Target>();
    made->pixels.reset(new (std::nothrow) quint32[size_t(size.width()) * size_t(size.height())]);
    if (!made->pixels)
        return {};
    made->size = size;
    if (free)
        *free = made;
    return picture(made);
}

QImage Renderer::picture(const std::shared_ptr<Target> &target)
{
    // The picture holds a share of its memory until its last copy goes.
    auto *share = new std::shared_ptr<Target>(target);
    return QImage(
        reinterpret_cast<uchar *>(target->pixels.get()), target->size.width(),
        target->size.height(), target->size.width() * qsizetype(sizeof(quint32)),
        QImage::Format_ARGB32_Premultiplied,
        [](void *info) { delete static_cast<std::shared_ptr<Target> *>(info); }, share);
}

QImage Renderer::renderUnscaled(const Player &player, QSize size, const QColor &background)
{
    size = size.boundedTo(QSize(limits::kMaxRenderSide, limits::kMaxRenderSide))
               .expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const Rect &stage = player.movie().stage();
    const QTransform transform = QTransform::fromTranslate(-stage.xMin, -stage.yMin) *
                                 QTransform::fromScale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    draw(player, painter, image.rect(), transform, background);
    painter.end();
    return image;
}

// The caches belong to one movie: another movie empties them.
void Renderer::beginDrawing(const Player &player)
{
    if (m_shapes.use(player.sharedMovie())) {
        m_bitmaps.clear();
        m_morphs.clear();
        m_layers.clear();
        m_rasters.clear();
        m_layerCache.clear();
    }
    m_bitmaps.beginFrame();
    m_rasters.beginFrame();
    m_layerCache.beginFrame();
}

void Renderer::renderObject(const Player &player, const DisplayObject &object, QImage &image,
                            const QTransform &transform, const ColorTransform &cx,
                            const QRect &clip, bool smoothing)
{
    const QRect area = clip.intersected(image.rect());
    if (area.isEmpty() || !transform.isInvertible())
        return;
    QPainter painter(&image);
    painter.setClipRect(area);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smoothing);
    painter.setPen(Qt::NoPen);
    beginDrawing(player);
    DrawContext context{painter,  m_shapes,  player.movie(), m_bitmaps,       m_morphs,
                        m_layers, m_rasters, m_layerCache,   transform.m11(), area};
    ListPainter(context).paintMaskedContent(object, DrawState{transform, cx});
    painter.end();
}

namespace {

// The keyboard focus shows as a yellow frame three pixels wide inside the
// focused object's bounds on the stage, over everything else.
void drawFocusRect(const Player &player, QPainter &painter, const QTransform &transform)
{
    const DisplayObject *object = player.focusHighlight();
    if (!object)
        return;
    for (const DisplayObject *o = object; o; o = o->parent()) {
        if (!o->placement().visible)
            return;
    }
    ObjectGeometry geometry;
    const auto bounds = geometry.boundsIn(*object, nullptr);
    if (!bounds || bounds->isEmpty())
        return;
    constexpr double kFramePixels = 3.0;
    const QRectF outer = transform.mapRect(*bounds);
    const double width = kFramePixels * kTwipsPerPixel * std::abs(transform.m11());
    QPainterPath frame;
    frame.setFillRule(Qt::OddEvenFill);
    frame.addRect(outer);
    if (outer.width() > 2 * width && outer.height() > 2 * width)
        frame.addRect(outer.adjusted(width, width, -width, -width));
    painter.fillPath(frame, QColor(255, 255, 0));
}

} // namespace

void Renderer::draw(const Player &player, QPainter &painter, const QRect &viewport,
                    const QTransform &transform, const QColor &background)
{
    painter.save();
    painter.setClipRect(viewport, Qt::IntersectClip);
    painter.fillRect(viewport, background);
    const Rect &stage = player.movie().stage();
    if (!transform.isInvertible()) {
        painter.restore();
        return;
    }
    // Content outside the stage stays hidden: the margins show background.
    // A whole-pixel clip keeps the raster engine on its fast rectangle path.
    painter.setClipRect(transform.mapRect(stage.toRectF()).toRect(), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    beginDrawing(player);
    const QRect stageArea = transform.mapRect(stage.toRectF())
                                .toAlignedRect()
                                .intersected(painter.clipBoundingRect().toAlignedRect());
    DrawContext context{painter,  m_shapes,  player.movie(), m_bitmaps,       m_morphs,
                        m_layers, m_rasters, m_layerCache,   transform.m11(), stageArea};
    if (player.root().placement().visible)
        ListPainter(context).paintObject(player.root(), DrawState{transform, ColorTransform{}});
    for (const auto &[number, level] : player.levels()) {
        if (level->placement().visible)
            ListPainter(context).paintObject(*level, DrawState{transform, ColorTransform{}});
    }
    drawFocusRect(player, painter, transform);
    painter.restore();
}

} // namespace swf
