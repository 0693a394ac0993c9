#include "tools/swfwriter/shapebuilder.h"

#include "tools/swfwriter/records.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace swfwriter {

namespace {

// Edge deltas have at most 4 + 2 = 17… (15 + 2) bits: NumBits is 4 bits
// wide and stores the width minus 2.
constexpr int kMaxEdgeBits = 17;

} // namespace

ShapeBuilder::ShapeBuilder() : m_tables(1)
{
}

int ShapeBuilder::addFill(swf::Rgba color)
{
    m_tables.back().fills.emplace_back(SolidFill{color});
    return int(m_tables.back().fills.size());
}

int ShapeBuilder::addRawFill(const QByteArray &fillStyle)
{
    m_tables.back().fills.emplace_back(fillStyle);
    return int(m_tables.back().fills.size());
}

int ShapeBuilder::addLine(int widthTwips, swf::Rgba color, const LineOptions &options)
{
    m_tables.back().lines.push_back(Line{widthTwips, color, options});
    m_widestLine = std::max(m_widestLine, widthTwips);
    return int(m_tables.back().lines.size());
}

ShapeBuilder &ShapeBuilder::newStyles()
{
    m_tables.emplace_back();
    m_ops.emplace_back(NewTable{int(m_tables.size()) - 1});
    return *this;
}

void ShapeBuilder::select(Select::Which which, int index)
{
    const quint32 value = quint32(std::max(0, index));
    Table &table = m_tables.back();
    if (which == Select::LineStyle)
        table.maxLineUsed = std::max(table.maxLineUsed, value);
    else
        table.maxFillUsed = std::max(table.maxFillUsed, value);
    m_ops.emplace_back(Select{which, value});
}

ShapeBuilder &ShapeBuilder::setFill0(int index)
{
    select(Select::Fill0, index);
    return *this;
}

ShapeBuilder &ShapeBuilder::setFill1(int index)
{
    select(Select::Fill1, index);
    return *this;
}

ShapeBuilder &ShapeBuilder::setLine(int index)
{
    select(Select::LineStyle, index);
    return *this;
}

void ShapeBuilder::extend(QPoint p)
{
    if (!m_hasPoints) {
        m_extent = QRect(p, p);
        m_hasPoints = true;
        return;
    }
    m_extent.setLeft(std::min(m_extent.left(), p.x()));
    m_extent.setRight(std::max(m_extent.right(), p.x()));
    m_extent.setTop(std::min(m_extent.top(), p.y()));
    m_extent.setBottom(std::max(m_extent.bottom(), p.y()));
}

ShapeBuilder &ShapeBuilder::moveTo(qint32 x, qint32 y)
{
    m_pen = QPoint(x, y);
    m_ops.emplace_back(Move{m_pen});
    extend(m_pen);
    return *this;
}

void ShapeBuilder::straight(QPoint delta)
{
    const int bits = std::max(BitWriter::signedBits(delta.x()), BitWriter::signedBits(delta.y()));
    if (bits > kMaxEdgeBits) {
        const QPoint half(delta.x() / 2, delta.y() / 2);
        straight(half);
        straight(delta - half);
        return;
    }
    m_ops.emplace_back(Straight{delta});
}

ShapeBuilder &ShapeBuilder::lineTo(qint32 x, qint32 y)
{
    const QPoint to(x, y);
    straight(to - m_pen);
    m_pen = to;
    extend(to);
    return *this;
}

void ShapeBuilder::curve(QPoint control, QPoint anchor)
{
    const int bits =
        std::max({BitWriter::signedBits(control.x()), BitWriter::signedBits(control.y()),
                  BitWriter::signedBits(anchor.x()), BitWriter::signedBits(anchor.y())});
    if (bits > kMaxEdgeBits) {
        // Split at t = ½: the halves' control points are the midpoints of
        // the control polygon, joined at the curve's midpoint.
        const QPointF p0(0, 0);
        const QPointF p1 = control;
        const QPointF p2 = QPointF(control + anchor);
        const QPointF a = (p0 + p1) / 2, b = (p1 + p2) / 2, mid = (a + b) / 2;
        const QPoint ai = a.toPoint(), midi = mid.toPoint(), bi = b.toPoint();
        curve(ai, midi - ai);
        curve(bi - midi, (control + anchor) - bi);
        return;
    }
    m_ops.emplace_back(Curve{control, anchor});
}

ShapeBuilder &ShapeBuilder::curveTo(qint32 controlX, qint32 controlY, qint32 x, qint32 y)
{
    const QPoint control(controlX, controlY);
    const QPoint to(x, y);
    curve(control - m_pen, to - control);
    m_pen = to;
    extend(control);
    extend(to);
    return *this;
}

ShapeBuilder &ShapeBuilder::rect(const QRect &r, int fill, int line)
{
    return polygon({r.topLeft(), QPoint(r.x() + r.width(), r.y()),
                    QPoint(r.x() + r.width(), r.y() + r.height()),
                    QPoint(r.x(), r.y() + r.height())},
                   fill, line);
}

ShapeBuilder &ShapeBuilder::polygon(const QVector<QPoint> &points, int fill, int line)
{
    if (points.isEmpty())
        return *this;
    moveTo(points.front().x(), points.front().y());
    setFill0(0).setFill1(fill).setLine(line);
    for (qsizetype i = 1; i < points.size(); ++i)
        lineTo(points[i].x(), points[i].y());
    lineTo(points.front().x(), points.front().y());
    return *this;
}

ShapeBuilder &ShapeBuilder::ellipse(QPoint c, qint32 rx, qint32 ry, int fill, int line)
{
    // Eight quadratic segments; each control point sits on the tangents'
    // crossing, 1/cos(22.5°) out from the centre.
    const double k = 1.0 / std::cos(M_PI / 8.0);
    moveTo(c.x() + rx, c.y());
    setFill0(0).setFill1(fill).setLine(line);
    for (int i = 1; i <= 8; ++i) {
        const double mid = (i - 0.5) * M_PI / 4.0;
        const double end = i * M_PI / 4.0;
        curveTo(c.x() + qRound(rx * k * std::cos(mid)), c.y() + qRound(ry * k * std::sin(mid)),
                c.x() + qRound(rx * std::cos(end)), c.y() + qRound(ry * std::sin(end)));
    }
    return *this;
}

swf::Rect ShapeBuilder::bounds() const
{
    if (!m_hasPoints)
        return {};
    const int pad = (m_widestLine + 1) / 2;
    return swf::Rect{m_extent.left() - pad, m_extent.right() + pad, m_extent.top() - pad,
                     m_extent.bottom() + pad};
}

} // namespace swfwriter
