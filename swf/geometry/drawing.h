// What scripts draw on a clip (its drawing API): pen moves, edges and
// style changes gathered into the records of a DefineShape4, so that the
// drawing is drawn, measured and hit-tested as the movie's shapes are.
// Coordinates are the clip's twips.
//
// Each fill begun starts a layer of its own, drawn over what came before;
// lines drawn inside a fill lie over it. An open fill is shown closed,
// as its pen would close it; a move of the pen inside a fill closes the
// part drawn so far without a line.
#pragma once

#include "swf/geometry/shapegeometry.h"
#include "swf/model/shape.h"

#include <QPainterPath>
#include <QRectF>

#include <memory>
#include <optional>
#include <vector>

namespace swf {

class Drawing {
public:
    void clear();
    // The line of the edges that follow; nothing draws them without one.
    void setLineStyle(std::optional<LineStyle> style);
    // A gradient or bitmap for the current line instead of its colour.
    void setLineFill(const FillStyle &fill);
    // Closes the open fill, then fills what the pen draws from here on;
    // nothing only closes the open fill.
    void beginFill(std::optional<FillStyle> fill);
    void endFill();
    void moveTo(QPoint to);
    void lineTo(QPoint to);
    void curveTo(QPoint control, QPoint anchor);

    bool isEmpty() const { return m_records.empty(); }
    // Changes with every edit, for pictures kept of the drawing.
    quint64 revision() const { return m_revision; }

    // The drawing as a shape, an open fill shown closed.
    const Shape &shape() const;
    // Paths of the shape, built once per revision; drawers cache stroke
    // outlines in it.
    ShapeGeometry &geometry() const;
    // What the fills and strokes cover, in twips; nothing when empty.
    std::optional<QRectF> bounds() const;
    // Whether `point` lies on a fill or a stroke (hit tests with shapes).
    bool contains(QPointF point) const;

private:
    void addEdge(const ShapeRecord &edge, QPoint to);
    void startLayer();
    void closeSubpath();
    void changed();

    std::vector<StyleTable> m_tables;
    std::vector<ShapeRecord> m_records;
    std::optional<LineStyle> m_line;
    std::optional<FillStyle> m_fill;
    QPoint m_pen;
    QPoint m_fillStart;     // where the fill's current part began
    bool m_inLayer = false; // the last style table takes new edges
    bool m_newLayer = true; // the next edge starts a layer
    bool m_lineChanged = false;
    bool m_penMoved = true;
    bool m_full = false;
    // Edges drawn with neither fill nor line still count in the bounds.
    std::optional<QRectF> m_bareBounds;
    quint64 m_revision = 0;

    // Built from the records when first asked for after a change.
    // A copy builds its own: the geometry points into the shape it was
    // built from.
    struct Built {
        Built() = default;
        Built(const Built &) {}
        Built &operator=(const Built &)
        {
            revision = ~quint64(0);
            return *this;
        }
        quint64 revision = ~quint64(0);
        std::unique_ptr<Shape> shape;
        ShapeGeometry geometry;
        std::optional<QRectF> bounds;
        std::vector<QPainterPath> area;
        bool hasArea = false;
    };
    mutable Built m_built;
    void build() const;
};

} // namespace swf
