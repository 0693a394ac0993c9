// DefineShape 1–4: styles and shape records exactly as the file holds them.
// Turning the records into drawable paths is the renderer's business.
#pragma once

#include "swf/model/character.h"
#include "swf/types.h"

#include <QPoint>

#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace swf {

enum class FillKind : quint8 {
    Solid = 0x00,
    LinearGradient = 0x10,
    RadialGradient = 0x12,
    FocalGradient = 0x13,
    RepeatingBitmap = 0x40,
    ClippedBitmap = 0x41,
    NonSmoothedRepeatingBitmap = 0x42,
    NonSmoothedClippedBitmap = 0x43,
};

enum class SpreadMode : quint8 { Pad = 0, Reflect = 1, Repeat = 2 };
enum class InterpolationMode : quint8 { Normal = 0, Linear = 1 };

class Bitmap;

struct GradientRecord {
    quint8 ratio = 0;
    Rgba color;
};

struct Gradient {
    SpreadMode spread = SpreadMode::Pad;
    InterpolationMode interpolation = InterpolationMode::Normal;
    std::vector<GradientRecord> records;
    // Focal gradients only: −1…1 along the gradient's x axis.
    double focalPoint = 0.0;
};

struct FillStyle {
    FillKind kind = FillKind::Solid;
    Rgba color;           // solid fills
    Matrix matrix;        // gradient and bitmap fills
    Gradient gradient;    // gradient fills
    quint16 bitmapId = 0; // bitmap fills
    // Bitmap fills of scripts (BitmapData), in place of bitmapId.
    std::shared_ptr<const Bitmap> scriptBitmap;

    bool isGradient() const
    {
        return kind == FillKind::LinearGradient || kind == FillKind::RadialGradient ||
               kind == FillKind::FocalGradient;
    }
    bool isBitmap() const { return quint8(kind) >= 0x40 && quint8(kind) <= 0x43; }
};

enum class CapStyle : quint8 { Round = 0, None = 1, Square = 2 };
enum class JoinStyle : quint8 { Round = 0, Bevel = 1, Miter = 2 };

// LINESTYLE, and LINESTYLE2 of DefineShape4 with its extra fields.
struct LineStyle {
    quint16 width = 0; // twips
    Rgba color;
    CapStyle startCap = CapStyle::Round;
    CapStyle endCap = CapStyle::Round;
    JoinStyle join = JoinStyle::Round;
    double miterLimit = 3.0;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    std::optional<FillStyle> fill; // LINESTYLE2 with HasFillFlag
};

struct StyleTable {
    std::vector<FillStyle> fills;
    std::vector<LineStyle> lines;
};

// A style change. Style indices are 1-based into the current style table;
// 0 means no style. `newStyles` is an index into Shape::styleTables.
struct StyleChangeRecord {
    std::optional<QPoint> moveTo;
    std::optional<quint32> fillStyle0;
    std::optional<quint32> fillStyle1;
    std::optional<quint32> lineStyle;
    std::optional<quint32> newStyles;
};

struct StraightEdgeRecord {
    QPoint delta;
};

// Control point relative to the current point, anchor relative to the control.
struct CurvedEdgeRecord {
    QPoint control;
    QPoint anchor;
};

using ShapeRecord = std::variant<StyleChangeRecord, StraightEdgeRecord, CurvedEdgeRecord>;

class Shape final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Shape; }

    int version = 1; // 1…4 for DefineShape…DefineShape4
    Rect bounds;
    Rect edgeBounds; // DefineShape4
    bool usesFillWindingRule = false;
    bool usesNonScalingStrokes = false;
    bool usesScalingStrokes = false;
    // Table 0 is the one before the records; new-styles records add more.
    std::vector<StyleTable> styleTables;
    std::vector<ShapeRecord> records;
};

} // namespace swf
