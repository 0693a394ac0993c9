// DefineMorphShape and DefineMorphShape2: a shape given at its start and at
// its end, drawn at the ratio of its placement (0 … 65535). Styles carry a
// start and an end value each; the two edge lists hold the same number of
// edges, paired in order.
#pragma once

#include "swf/model/character.h"
#include "swf/model/shape.h"
#include "swf/types.h"

#include <optional>
#include <vector>

namespace swf {

struct MorphGradientRecord {
    quint8 startRatio = 0;
    Rgba startColor;
    quint8 endRatio = 0;
    Rgba endColor;
};

struct MorphFillStyle {
    FillKind kind = FillKind::Solid;
    Rgba startColor; // solid fills
    Rgba endColor;
    Matrix startMatrix; // gradient and bitmap fills
    Matrix endMatrix;
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<MorphGradientRecord> records;
    double startFocalPoint = 0.0; // focal gradients
    double endFocalPoint = 0.0;
    quint16 bitmapId = 0;
};

// MORPHLINESTYLE, and MORPHLINESTYLE2 of DefineMorphShape2.
struct MorphLineStyle {
    quint16 startWidth = 0;
    quint16 endWidth = 0;
    Rgba startColor;
    Rgba endColor;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3.0;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    std::optional<MorphFillStyle> fill;
};

class MorphShape final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::MorphShape; }

    int version = 1; // 1 for DefineMorphShape, 2 for DefineMorphShape2
    Rect startBounds;
    Rect endBounds;
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    std::vector<MorphFillStyle> fills;
    std::vector<MorphLineStyle> lines;
    // Style changes in the end records only move the pen.
    std::vector<ShapeRecord> startRecords;
    std::vector<ShapeRecord> endRecords;
};

} // namespace swf
