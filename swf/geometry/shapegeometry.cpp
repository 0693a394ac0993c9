#include "swf/geometry/shapegeometry.h"

#include "swf/log.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <unordered_map>

namespace swf {

namespace {

struct Edge {
    QPoint from;
    QPoint control;
    QPoint to;
    bool curved = false;
    quint32 fill0 = 0;
    quint32 fill1 = 0;
    quint32 line = 0;

    Edge reversed() const
    {
        Edge e = *this;
        e.from = to;
        e.to = from;
        return e;
    }
};

quint64 pointKey(QPoint p)
{
    return (quint64(quint32(p.x())) << 32) | quint32(p.y());
}

void appendEdge(QPainterPath &path, const Edge &e)
{
    if (e.curved)
        path.quadTo(e.control, e.to);
    else
        path.lineTo(e.to);
}

// Joins directed edges head to tail into closed contours. Any split of
// the edges into cycles gives the same coverage, under either fill rule,
// because every edge keeps its direction.
QPainterPath joinContours(const std::vector<Edge> &edges, Qt::FillRule rule)
{
    std::unordered_map<quint64, std::vector<int>> outgoing;
    outgoing.reserve(edges.size());
    for (int i = int(edges.size()) - 1; i >= 0; --i)
        outgoing[pointKey(edges[i].from)].push_back(i);
    std::vector<bool> used(edges.size(), false);
    QPainterPath path;
    path.setFillRule(rule);
    for (int first = 0; first < int(edges.size()); ++first) {
        if (used[first])
            continue;
        const QPoint start = edges[first].from;
        path.moveTo(start);
        int current = first;
        while (true) {
            used[current] = true;
            appendEdge(path, edges[current]);
            const QPoint end = edges[current].to;
            if (end == start)
                break;
            auto it = outgoing.find(pointKey(end));
            current = -1;
            if (it != outgoing.end()) {
                std::vector<int> &candidates = it->second;
                while (!candidates.empty() && used[candidates.back()])
                    candidates.pop_back();
                if (!candidates.empty()) {
                    current = candidates.back();
                    candidates.pop_back();
                }
            }
            if (current < 0)
                break; // an open contour: closing it is the best guess
        }
        path.closeSubpath();
    }
    return path;
}

// Lines keep the order of the records; a contour that comes back to its
// start is closed so that it gets a join there instead of two caps. Under
// the no-close flag it keeps its caps: strokers join every subpath whose
// end meets its start, so the end is moved off it by a hundredth of a twip.
QPainterPath linePath(const std::vector<Edge> &edges, bool mayClose)
{
    constexpr double kOpenNudge = 0.01;
    QPainterPath path;
    QPoint pen;
    QPoint subpathStart;
    bool open = false;
    int subpathElements = 0;
    auto finishSubpath = [&] {
        if (open && pen == subpathStart) {
            if (!mayClose)
                path.setElementPositionAt(path.elementCount() - 1, pen.x() + kOpenNudge, pen.y());
            else if (subpathElements > 1)
                path.closeSubpath();
        }
        open = false;
    };
    for (const Edge &e : edges) {
        if (!open || e.from != pen) {
            finishSubpath();
            path.moveTo(e.from);
            subpathStart = e.from;
            open = true;
            subpathElements = 0;
        }
        appendEdge(path, e);
        ++subpathElements;
        pen = e.to;
    }
    finishSubpath();
    return path;
}

class GeometryBuilder {
public:
    explicit GeometryBuilder(const Shape &shape)
        : m_shape(shape), m_rule(shape.usesFillWindingRule ? Qt::WindingFill : Qt::OddEvenFill)
    {
        m_styles = shape.styleTables.empty() ? &m_empty : &shape.styleTables.front();
    }

    ShapeGeometry build()
    {
        for (const ShapeRecord &record : m_shape.records)
            std::visit([this](const auto &r) { add(r); }, record);
        flushLayer();
        if (m_geometry.badStyleIndices)
            qCDebug(lcSwfRender) << "shape" << m_shape.id() << "has" << m_geometry.badStyleIndices
                                 << "style indices out of range";
        return std::move(m_geometry);
    }

private:
    void add(const StyleChangeRecord &change)
    {
        if (change.newStyles) {
            flushLayer();
            if (*change.newStyles < m_shape.styleTables.size())
                m_styles = &m_shape.styleTables[*change.newStyles];
            m_fill0 = m_fill1 = m_line = 0;
        }
        if (change.moveTo)
            m_pen = *change.moveTo;
        if (change.fillStyle0)
            m_fill0 = checked(*change.fillStyle0, m_styles->fills.size());
        if (change.fillStyle1)
            m_fill1 = checked(*change.fillStyle1, m_styles->fills.size());
        if (change.lineStyle)
            m_line = checked(*change.lineStyle, m_styles->lines.size());
    }

    void add(const StraightEdgeRecord &edge)
    {
        const QPoint to = offsetPoint(m_pen, edge.delta);
        m_edges.push_back(Edge{m_pen, m_pen, to, false, m_fill0, m_fill1, m_line});
        m_pen = to;
    }

    void add(const CurvedEdgeRecord &edge)
    {
        const QPoint control = offsetPoint(m_pen, edge.control);
        const QPoint to = offsetPoint(control, edge.anchor);
        m_edges.push_back(Edge{m_pen, control, to, true, m_fill0, m_fill1, m_line});
        m_pen = to;
    }

    quint32 checked(quint32 index, size_t count)
    {
        if (index <= count)
            return index;
        ++m_geometry.badStyleIndices;
        return 0;
    }

    void flushLayer()
    {
        if (m_edges.empty())
            return;
        ShapeLayer layer;
        layer.styles = m_styles;
        // One pass sorts the edges by style; index 0 (no style) is unused.
        std::vector<std::vector<Edge>> fills(m_styles->fills.size() + 1);
        std::vector<std::vector<Edge>> lines(m_styles->lines.size() + 1);
        for (const Edge &e : m_edges) {
            if (e.fill1)
                fills[e.fill1].push_back(e);
            if (e.fill0)
                fills[e.fill0].push_back(e.reversed());
            if (e.line)
                lines[e.line].push_back(e);
        }
        for (quint32 style = 1; style < fills.size(); ++style) {
            if (!fills[style].empty())
                layer.fills.push_back(StyledPath{style - 1, joinContours(fills[style], m_rule)});
        }
        for (quint32 style = 1; style < lines.size(); ++style) {
            if (lines[style].empty())
                continue;
            const bool mayClose = !m_styles->lines[style - 1].noClose;
            LinePath line;
            line.style = style - 1;
            line.path = linePath(lines[style], mayClose);
            layer.lines.push_back(std::move(line));
        }
        m_geometry.layers.push_back(std::move(layer));
        m_edges.clear();
    }

    const Shape &m_shape;
    const Qt::FillRule m_rule;
    const StyleTable m_empty;
    const StyleTable *m_styles;
    ShapeGeometry m_geometry;
    std::vector<Edge> m_edges;
    QPoint m_pen;
    quint32 m_fill0 = 0;
    quint32 m_fill1 = 0;
    quint32 m_line = 0;
};

} // namespace

QPoint offsetPoint(QPoint a, QPoint b)
{
    constexpr qint64 kLimit = qint64(1) << 30;
    return QPoint(int(std::clamp(qint64(a.x()) + b.x(), -kLimit, kLimit)),
                  int(std::clamp(qint64(a.y()) + b.y(), -kLimit, kLimit)));
}

QPainterPath ShapeGeometry::fillOutline() const
{
    QPainterPath outline;
    for (const ShapeLayer &layer : layers) {
        for (const StyledPath &fill : layer.fills)
            outline = outline.isEmpty() ? fill.path : outline.united(fill.path);
    }
    return outline;
}

ShapeGeometry buildShapeGeometry(const Shape &shape)
{
    return GeometryBuilder(shape).build();
}

std::vector<QPainterPath> pointerArea(const ShapeGeometry &geometry)
{
    // Strokes thinner than a pixel still catch the pointer along a pixel.
    constexpr double kMinHitStroke = 20.0;
    std::vector<QPainterPath> area;
    for (const ShapeLayer &layer : geometry.layers) {
        for (const StyledPath &fill : layer.fills)
            area.push_back(fill.path);
        for (const LinePath &line : layer.lines) {
            QPainterPathStroker stroker;
            stroker.setWidth(qMax<double>(kMinHitStroke, layer.styles->lines[line.style].width));
            area.push_back(stroker.createStroke(line.path));
        }
    }
    return area;
}

} // namespace swf
