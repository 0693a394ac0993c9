#include "swf/geometry/drawing.h"

#include "swf/limits.h"
#include "swf/log.h"

#include <algorithm>

namespace swf {

void Drawing::clear()
{
    const quint64 revision = m_revision;
    *this = Drawing();
    m_revision = revision;
    changed();
}

void Drawing::changed()
{
    ++m_revision;
}

void Drawing::setLineStyle(std::optional<LineStyle> style)
{
    m_line = std::move(style);
    m_lineChanged = true;
    // Lines drawn outside a fill lie over everything drawn before them.
    if (!m_fill)
        m_newLayer = true;
}

void Drawing::setLineFill(const FillStyle &fill)
{
    if (!m_line)
        return;
    m_line->fill = fill;
    m_lineChanged = true;
    if (!m_fill)
        m_newLayer = true;
}

void Drawing::beginFill(std::optional<FillStyle> fill)
{
    endFill();
    if (!fill)
        return;
    m_fill = std::move(fill);
    m_fillStart = m_pen;
    m_newLayer = true;
}

void Drawing::endFill()
{
    if (!m_fill)
        return;
    if (m_inLayer && !m_newLayer) {
        // The pen goes back to where the fill began, drawing its line.
        if (m_pen != m_fillStart)
            addEdge(StraightEdgeRecord{m_fillStart - m_pen}, m_fillStart);
        StyleChangeRecord change;
        change.fillStyle1 = 0;
        m_records.push_back(change);
    }
    m_fill.reset();
    m_newLayer = true;
    changed();
}

void Drawing::moveTo(QPoint to)
{
    closeSubpath();
    m_pen = to;
    m_fillStart = to;
    m_penMoved = true;
}

// A part of a fill left open is closed, without a line, before the pen
// moves on.
void Drawing::closeSubpath()
{
    if (!m_fill || !m_inLayer || m_newLayer || m_pen == m_fillStart)
        return;
    StyleChangeRecord noLine;
    noLine.lineStyle = 0;
    m_records.push_back(noLine);
    m_records.push_back(StraightEdgeRecord{m_fillStart - m_pen});
    m_pen = m_fillStart;
    m_lineChanged = true;
    changed();
}

void Drawing::lineTo(QPoint to)
{
    addEdge(StraightEdgeRecord{to - m_pen}, to);
}

void Drawing::curveTo(QPoint control, QPoint anchor)
{
    addEdge(CurvedEdgeRecord{control - m_pen, anchor - control}, anchor);
}

void Drawing::startLayer()
{
    StyleTable table;
    if (m_fill)
        table.fills.push_back(*m_fill);
    if (m_line)
        table.lines.push_back(*m_line);
    StyleChangeRecord change;
    change.newStyles = quint32(m_tables.size());
    change.moveTo = m_pen;
    change.fillStyle1 = m_fill ? 1 : 0;
    change.lineStyle = m_line ? 1 : 0;
    m_tables.push_back(std::move(table));
    m_records.push_back(change);
    m_inLayer = true;
    m_newLayer = false;
    m_lineChanged = false;
    m_penMoved = false;
}

void Drawing::addEdge(const ShapeRecord &edge, QPoint to)
{
    const QPoint from = m_pen;
    m_pen = to;
    // An edge with neither fill nor line only moves the pen, and widens
    // the bounds.
    if (!m_fill && !m_line) {
        m_penMoved = true;
        QRectF span = QRectF(from, to).normalized();
        if (const auto *curve = std::get_if<CurvedEdgeRecord>(&edge)) {
            const QPoint control = from + curve->control;
            span = span.united(QRectF(control, control));
        }
        m_bareBounds = m_bareBounds ? m_bareBounds->united(span) : span;
        changed();
        return;
    }
    if (m_full)
        return;
    if (qint64(m_records.size()) + 3 >= limits::kMaxShapeRecords) {
        m_full = true;
        qCWarning(lcSwfRender) << "a drawing reached" << limits::kMaxShapeRecords
                               << "records; later edges are dropped";
        return;
    }
    if (m_newLayer || !m_inLayer) {
        m_pen = from;
        startLayer();
        m_pen = to;
    } else if (m_lineChanged || m_penMoved) {
        StyleChangeRecord change;
        if (m_lineChanged) {
            auto &lines = m_tables.back().lines;
            if (m_line && int(lines.size()) < limits::kMaxStyles)
                lines.push_back(*m_line);
            change.lineStyle = m_line ? quint32(lines.size()) : 0;
            m_lineChanged = false;
        }
        if (m_penMoved)
            change.moveTo = from;
        m_penMoved = false;
        m_records.push_back(change);
    }
    m_records.push_back(edge);
    changed();
}

void Drawing::build() const
{
    if (m_built.revision == m_revision)
        return;
    auto shape = std::make_unique<Shape>(0);
    shape->version = 4;
    shape->styleTables = m_tables;
    shape->records = m_records;
    if (m_fill && m_inLayer && !m_newLayer && m_pen != m_fillStart) {
        StyleChangeRecord noLine;
        noLine.lineStyle = 0;
        shape->records.push_back(noLine);
        shape->records.push_back(StraightEdgeRecord{m_fillStart - m_pen});
    }
    m_built.geometry = buildShapeGeometry(*shape);
    m_built.shape = std::move(shape);
    m_built.bounds = m_bareBounds;
    for (const ShapeLayer &layer : m_built.geometry.layers) {
        const auto add = [this](const QRectF &part) {
            m_built.bounds = m_built.bounds ? m_built.bounds->united(part) : part;
        };
        for (const StyledPath &fill : layer.fills)
            add(fill.path.boundingRect());
        for (const LinePath &line : layer.lines) {
            const double half = layer.styles->lines[line.style].width / 2.0;
            add(line.path.boundingRect().adjusted(-half, -half, half, half));
        }
    }
    m_built.area.clear();
    m_built.hasArea = false;
    m_built.revision = m_revision;
}

const Shape &Drawing::shape() const
{
    build();
    return *m_built.shape;
}

ShapeGeometry &Drawing::geometry() const
{
    build();
    return m_built.geometry;
}

std::optional<QRectF> Drawing::bounds() const
{
    build();
    return m_built.bounds;
}

bool Drawing::contains(QPointF point) const
{
    build();
    if (!m_built.bounds || !m_built.bounds->adjusted(-10, -10, 10, 10).contains(point))
        return false;
    if (!m_built.hasArea) {
        m_built.area = pointerArea(m_built.geometry);
        m_built.hasArea = true;
    }
    return std::any_of(m_built.area.begin(), m_built.area.end(),
                       [&](const QPainterPath &part) { return part.contains(point); });
}

} // namespace swf
