#include "swf/render/layerbounds.h"

#include "swf/geometry/drawing.h"
#include "swf/model/bitmap.h"
#include "swf/model/edittext.h"
#include "swf/model/morphshape.h"
#include "swf/model/shape.h"
#include "swf/model/text.h"

namespace swf {

namespace {

QRectF united(const Rect &a, const Rect &b)
{
    return a.toRectF().united(b.toRectF());
}

// The object's own bounds in twips; nothing for kinds without them.
std::optional<QRectF> ownBounds(const DisplayObject &object, DrawContext &context)
{
    if (!object.character())
        return std::nullopt;
    const Character &character = *object.character();
    // Strokes that keep their width when scaled down reach past bounds.
    switch (character.kind()) {
    case CharacterKind::Shape: {
        const auto &shape = static_cast<const Shape &>(character);
        if (shape.usesNonScalingStrokes)
            return std::nullopt;
        return shape.bounds.toRectF();
    }
    case CharacterKind::MorphShape: {
        const auto &morph = static_cast<const MorphShape &>(character);
        if (morph.usesNonScalingStrokes)
            return std::nullopt;
        return united(morph.startBounds, morph.endBounds);
    }
    case CharacterKind::Bitmap: {
        const QImage image = context.bitmaps.image(static_cast<const Bitmap &>(character));
        return QRectF(0, 0, image.width() * kTwipsPerPixel, image.height() * kTwipsPerPixel);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<QRectF> deviceBounds(const DisplayObject &object, const QTransform &transform,
                                   DrawContext &context)
{
    if (const DisplayList *children = object.children()) {
        QRectF area;
        if (const Drawing *drawing = object.drawing()) {
            if (const auto drawn = drawing->bounds())
                area = transform.mapRect(*drawn).adjusted(-1, -1, 1, 1);
        }
        for (const auto &[depth, child] : children->objects()) {
            const auto part =
                deviceBounds(*child, child->placement().matrix.toTransform() * transform, context);
            if (!part)
                return std::nullopt;
            area = area.united(*part);
        }
        return area;
    }
    const auto own = ownBounds(object, context);
    if (!own)
        return std::nullopt;
    // Hairlines are a device pixel wide whatever the bounds say.
    return transform.mapRect(*own).adjusted(-1, -1, 1, 1);
}

std::optional<QRectF> localBounds(const DisplayObject &object, DrawContext &context)
{
    if (const DisplayList *children = object.children()) {
        std::optional<QRectF> area;
        if (const Drawing *drawing = object.drawing())
            area = drawing->bounds();
        for (const auto &[depth, child] : children->objects()) {
            const auto part = localBounds(*child, context);
            if (!part)
                continue;
            const QRectF mapped = child->placement().matrix.toTransform().mapRect(*part);
            area = area ? area->united(mapped) : mapped;
        }
        return area;
    }
    if (!object.character())
        return std::nullopt;
    const Character &character = *object.character();
    switch (character.kind()) {
    case CharacterKind::Shape:
        return static_cast<const Shape &>(character).bounds.toRectF();
    case CharacterKind::Text:
        return static_cast<const Text &>(character).bounds.toRectF();
    case CharacterKind::EditText:
        return static_cast<const EditText &>(character).bounds.toRectF();
    default:
        return ownBounds(object, context);
    }
}

} // namespace swf
