// What scripts and the pointer ask of a character's geometry, apart from
// drawing it: the rectangle it declares, and whether a point falls on what
// it draws (the fills and strokes of shapes and morph shapes, the box of
// text, the image of a bitmap). Results are cached per character, so one
// CharacterGeometry serves one set of movies that outlive it.
#pragma once

#include "swf/model/character.h"

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <optional>
#include <unordered_map>
#include <vector>

namespace swf {

class Bitmap;
class MorphShape;
class Shape;

class CharacterGeometry {
public:
    // The rectangle the definition declares (strokes included), in the
    // character's twips; a morph shape's at `ratio`. Nothing for kinds
    // without a shape of their own (sprites, buttons, sounds, fonts).
    std::optional<QRectF> bounds(const Character &character, quint16 ratio = 0);
    // Whether `point` (the character's twips) is on what it draws.
    bool contains(const Character &character, quint16 ratio, QPointF point);
    // The areas of a shape that take the pointer: fills, and strokes at
    // least a pixel wide, in the shape's twips.
    const std::vector<QPainterPath> &shapeArea(const Shape &shape);

private:
    QSize bitmapSize(const Bitmap &bitmap);

    std::unordered_map<const Shape *, std::vector<QPainterPath>> m_shapeAreas;
    std::unordered_map<const Bitmap *, QSize> m_bitmapSizes;
    // The last ratio each morph was asked about, with its area.
    struct MorphArea {
        quint16 ratio = 0;
        std::vector<QPainterPath> area;
    };
    std::unordered_map<const MorphShape *, MorphArea> m_morphAreas;
};

} // namespace swf
