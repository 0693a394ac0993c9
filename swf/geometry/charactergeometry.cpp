#include "swf/geometry/charactergeometry.h"

#include "swf/codec/bitmapdecoder.h"
#include "swf/geometry/morphinterpolation.h"
#include "swf/geometry/shapegeometry.h"
#include "swf/model/bitmap.h"
#include "swf/model/edittext.h"
#include "swf/model/morphshape.h"
#include "swf/model/shape.h"
#include "swf/model/text.h"
#include "swf/types.h"

#include <algorithm>

namespace swf {

namespace {

std::vector<QPainterPath> areaOf(const Shape &shape)
{
    return pointerArea(buildShapeGeometry(shape));
}

bool anyContains(const std::vector<QPainterPath> &area, QPointF point)
{
    return std::any_of(area.begin(), area.end(),
                       [&](const QPainterPath &part) { return part.contains(point); });
}

QRectF between(const Rect &a, const Rect &b, quint16 ratio)
{
    const double t = ratio / 65535.0;
    const auto mix = [t](double x, double y) { return x + (y - x) * t; };
    const double left = mix(a.xMin, b.xMin);
    const double top = mix(a.yMin, b.yMin);
    return QRectF(left, top, mix(a.xMax, b.xMax) - left, mix(a.yMax, b.yMax) - top);
}

} // namespace

std::optional<QRectF> CharacterGeometry::bounds(const Character &character, quint16 ratio)
{
    switch (character.kind()) {
    case CharacterKind::Shape:
        return static_cast<const Shape &>(character).bounds.toRectF();
    case CharacterKind::MorphShape: {
        const auto &morph = static_cast<const MorphShape &>(character);
        return between(morph.startBounds, morph.endBounds, ratio);
    }
    case CharacterKind::Text:
        return static_cast<const Text &>(character).bounds.toRectF();
    case CharacterKind::EditText:
        return static_cast<const EditText &>(character).bounds.toRectF();
    case CharacterKind::Bitmap: {
        const QSize size = bitmapSize(static_cast<const Bitmap &>(character));
        return QRectF(0, 0, size.width() * kTwipsPerPixel, size.height() * kTwipsPerPixel);
    }
    default:
        return std::nullopt;
    }
}

bool CharacterGeometry::contains(const Character &character, quint16 ratio, QPointF point)
{
    switch (character.kind()) {
    case CharacterKind::Shape:
        return anyContains(shapeArea(static_cast<const Shape &>(character)), point);
    case CharacterKind::MorphShape: {
        const auto &morph = static_cast<const MorphShape &>(character);
        auto it = m_morphAreas.find(&morph);
        if (it == m_morphAreas.end() || it->second.ratio != ratio) {
            MorphArea entry{ratio, {}};
            if (const auto shape = shapeAtRatio(morph, ratio))
                entry.area = areaOf(*shape);
            it = m_morphAreas.insert_or_assign(&morph, std::move(entry)).first;
        }
        return anyContains(it->second.area, point);
    }
    case CharacterKind::Text:
    case CharacterKind::EditText:
    case CharacterKind::Bitmap: {
        const auto box = bounds(character, ratio);
        return box && box->contains(point);
    }
    default:
        return false;
    }
}

const std::vector<QPainterPath> &CharacterGeometry::shapeArea(const Shape &shape)
{
    auto it = m_shapeAreas.find(&shape);
    if (it == m_shapeAreas.end())
        it = m_shapeAreas.emplace(&shape, areaOf(shape)).first;
    return it->second;
}

QSize CharacterGeometry::bitmapSize(const Bitmap &bitmap)
{
    if (bitmap.pixels)
        return bitmap.pixels->image.size();
    auto it = m_bitmapSizes.find(&bitmap);
    if (it == m_bitmapSizes.end()) {
        QSize size(bitmap.width, bitmap.height);
        if (bitmap.source == BitmapSource::Jpeg || size.isEmpty()) {
            const Result<QImage> image = decodeBitmap(bitmap);
            size = image ? image->size() : QSize();
        }
        it = m_bitmapSizes.emplace(&bitmap, size).first;
    }
    return it->second;
}

} // namespace swf
