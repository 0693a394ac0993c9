// Builds the SHAPEWITHSTYLE of a DefineShape 1–4: style tables and records.
// Coordinates are absolute twips (use px() for pixels); style indices are
// 1-based as the records use them, 0 meaning none.
#pragma once

#include "swf/model/shape.h"
#include "swf/types.h"
#include "tools/swfwriter/bitwriter.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QVector>

#include <variant>
#include <vector>

namespace swfwriter {

struct LineOptions {
    swf::CapStyle startCap = swf::CapStyle::Round;
    swf::CapStyle endCap = swf::CapStyle::Round;
    swf::JoinStyle join = swf::JoinStyle::Round;
    double miterLimit = 3.0;
    bool noClose = false;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
};

class ShapeBuilder {
public:
    ShapeBuilder();

    // Styles of the current style table.
    int addFill(swf::Rgba color);
    // A FILLSTYLE already encoded for the shape version it will be written
    // with (gradients and bitmaps, until they have writers of their own).
    int addRawFill(const QByteArray &fillStyle);
    int addLine(int widthTwips, swf::Rgba color, const LineOptions &options = {});
    // Starts a new style table; the following records use it.
    ShapeBuilder &newStyles();

    ShapeBuilder &setFill0(int index);
    ShapeBuilder &setFill1(int index);
    ShapeBuilder &setLine(int index);
    ShapeBuilder &moveTo(qint32 x, qint32 y);
    ShapeBuilder &lineTo(qint32 x, qint32 y);
    ShapeBuilder &curveTo(qint32 controlX, qint32 controlY, qint32 x, qint32 y);

    // Closed figures filled (as fill style 1) with `fill`, outlined with
    // `line`; each starts with a move and leaves fill style 0 unset.
    ShapeBuilder &rect(const QRect &twips, int fill, int line = 0);
    ShapeBuilder &polygon(const QVector<QPoint> &twips, int fill, int line = 0);
    ShapeBuilder &ellipse(QPoint centre, qint32 radiusX, qint32 radiusY, int fill, int line = 0);

    // The SHAPEWITHSTYLE for DefineShape`version` (1…4).
    QByteArray encode(int version) const;
    // The area covered by every point, widened by half the widest line.
    swf::Rect bounds() const;

private:
    struct SolidFill {
        swf::Rgba color;
    };
    struct Line {
        int width;
        swf::Rgba color;
        LineOptions options;
    };
    struct Table {
        std::vector<std::variant<SolidFill, QByteArray>> fills;
        std::vector<Line> lines;
        quint32 maxFillUsed = 0;
        quint32 maxLineUsed = 0;
    };
    struct Move {
        QPoint to;
    };
    struct Select {
        enum Which { Fill0, Fill1, LineStyle } which;
        quint32 index;
    };
    struct NewTable {
        int table;
    };
    struct Straight {
        QPoint delta;
    };
    struct Curve {
        QPoint control;
        QPoint anchor;
    };
    using Op = std::variant<Move, Select, NewTable, Straight, Curve>;

    void select(Select::Which which, int index);
    void straight(QPoint delta);
    void curve(QPoint control, QPoint anchor);
    void extend(QPoint p);

    std::vector<Table> m_tables;
    std::vector<Op> m_ops;
    QPoint m_pen;
    bool m_hasPoints = false;
    QRect m_extent;
    int m_widestLine = 0;

    friend class ShapeEncoder;
};

} // namespace swfwriter
