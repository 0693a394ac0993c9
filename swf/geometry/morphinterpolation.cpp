#include "swf/geometry/morphinterpolation.h"

#include "swf/geometry/shapegeometry.h"

#include <cmath>

namespace swf {

namespace {

double lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

quint8 lerp8(int a, int b, double t)
{
    return quint8(std::clamp(int(std::lround(lerp(a, b, t))), 0, 255));
}

Rgba lerpColor(Rgba a, Rgba b, double t)
{
    return Rgba{lerp8(a.r, b.r, t), lerp8(a.g, b.g, t), lerp8(a.b, b.b, t), lerp8(a.a, b.a, t)};
}

Matrix lerpMatrix(const Matrix &a, const Matrix &b, double t)
{
    Matrix m;
    m.scaleX = lerp(a.scaleX, b.scaleX, t);
    m.rotateSkew0 = lerp(a.rotateSkew0, b.rotateSkew0, t);
    m.rotateSkew1 = lerp(a.rotateSkew1, b.rotateSkew1, t);
    m.scaleY = lerp(a.scaleY, b.scaleY, t);
    m.translateX = qint32(std::lround(lerp(a.translateX, b.translateX, t)));
    m.translateY = qint32(std::lround(lerp(a.translateY, b.translateY, t)));
    return m;
}

FillStyle fillAt(const MorphFillStyle &morph, double t)
{
    FillStyle fill;
    fill.kind = morph.kind;
    fill.color = lerpColor(morph.startColor, morph.endColor, t);
    fill.matrix = lerpMatrix(morph.startMatrix, morph.endMatrix, t);
    fill.bitmapId = morph.bitmapId;
    fill.gradient.spread = morph.spread;
    fill.gradient.interpolation = morph.interpolation;
    fill.gradient.focalPoint = lerp(morph.startFocalPoint, morph.endFocalPoint, t);
    fill.gradient.records.reserve(morph.records.size());
    for (const MorphGradientRecord &r : morph.records)
        fill.gradient.records.push_back(GradientRecord{lerp8(r.startRatio, r.endRatio, t),
                                                       lerpColor(r.startColor, r.endColor, t)});
    return fill;
}

LineStyle lineAt(const MorphLineStyle &morph, double t)
{
    LineStyle line;
    line.width = quint16(std::lround(lerp(morph.startWidth, morph.endWidth, t)));
    line.color = lerpColor(morph.startColor, morph.endColor, t);
    line.startCap = morph.startCap;
    line.endCap = morph.endCap;
    line.join = morph.join;
    line.miterLimit = morph.miterLimit;
    line.noHScale = morph.noHScale;
    line.noVScale = morph.noVScale;
    line.pixelHinting = morph.pixelHinting;
    line.noClose = morph.noClose;
    if (morph.fill)
        line.fill = fillAt(*morph.fill, t);
    return line;
}

// An edge as absolute points: straight edges get their midpoint as control.
struct AbsoluteEdge {
    QPointF control;
    QPointF to;
    bool curved = false;
};

AbsoluteEdge absolute(const ShapeRecord &record, QPoint from)
{
    if (const auto *curve = std::get_if<CurvedEdgeRecord>(&record)) {
        const QPoint control = offsetPoint(from, curve->control);
        return AbsoluteEdge{QPointF(control), QPointF(offsetPoint(control, curve->anchor)), true};
    }
    const QPoint to = offsetPoint(from, std::get<StraightEdgeRecord>(record).delta);
    return AbsoluteEdge{(QPointF(from) + QPointF(to)) / 2.0, QPointF(to), false};
}

QPoint lerpPoint(QPointF a, QPointF b, double t)
{
    return QPoint(int(std::lround(lerp(a.x(), b.x(), t))), int(std::lround(lerp(a.y(), b.y(), t))));
}

// Walks both edge lists, pairing edges in order. Points are interpolated
// absolutely and rounded, so contours that close at both ends close here.
class RecordInterpolator {
public:
    RecordInterpolator(const MorphShape &morph, double t, std::vector<ShapeRecord> &out)
        : m_end(morph.endRecords), m_t(t), m_out(out)
    {
    }

    bool run(const std::vector<ShapeRecord> &start)
    {
        for (const ShapeRecord &record : start) {
            if (const auto *change = std::get_if<StyleChangeRecord>(&record)) {
                styleChange(*change);
            } else if (!edge(record)) {
                return false;
            }
        }
        return true;
    }

private:
    // The end shape's move that pairs with a start style change, if any.
    bool takeEndMove()
    {
        if (m_j >= m_end.size())
            return false;
        const auto *change = std::get_if<StyleChangeRecord>(&m_end[m_j]);
        if (!change)
            return false;
        ++m_j;
        if (change->moveTo)
            m_endPen = *change->moveTo;
        return change->moveTo.has_value();
    }

    void styleChange(const StyleChangeRecord &change)
    {
        StyleChangeRecord out = change;
        out.newStyles.reset();
        bool moved = takeEndMove();
        if (change.moveTo) {
            m_startPen = *change.moveTo;
            moved = true;
        }
        out.moveTo.reset();
        if (moved) {
            m_pen = lerpPoint(m_startPen, m_endPen, m_t);
            out.moveTo = m_pen;
        }
        m_out.emplace_back(std::move(out));
    }

    bool edge(const ShapeRecord &record)
    {
        // Moves of the end shape where the start shape has none.
        while (m_j < m_end.size() && std::holds_alternative<StyleChangeRecord>(m_end[m_j])) {
            if (takeEndMove()) {
                m_pen = lerpPoint(m_startPen, m_endPen, m_t);
                StyleChangeRecord move;
                move.moveTo = m_pen;
                m_out.emplace_back(move);
            }
        }
        if (m_j >= m_end.size())
            return false;
        const ShapeRecord &endRecord = m_end[m_j++];
        const AbsoluteEdge a = absolute(record, m_startPen);
        const AbsoluteEdge b = absolute(endRecord, m_endPen);
        const QPoint to = lerpPoint(a.to, b.to, m_t);
        if (a.curved || b.curved) {
            const QPoint control = lerpPoint(a.control, b.control, m_t);
            m_out.emplace_back(
                CurvedEdgeRecord{offsetPoint(control, -m_pen), offsetPoint(to, -control)});
        } else {
            m_out.emplace_back(StraightEdgeRecord{offsetPoint(to, -m_pen)});
        }
        m_pen = to;
        m_startPen = a.to.toPoint();
        m_endPen = b.to.toPoint();
        return true;
    }

    const std::vector<ShapeRecord> &m_end;
    const double m_t;
    std::vector<ShapeRecord> &m_out;
    size_t m_j = 0;
    QPoint m_startPen;
    QPoint m_endPen;
    QPoint m_pen;
};

} // namespace

std::unique_ptr<Shape> shapeAtRatio(const MorphShape &morph, quint16 ratio)
{
    const double t = ratio / 65535.0;
    auto shape = std::make_unique<Shape>(morph.id());
    // Version 4 keeps the caps and joins of DefineMorphShape2's lines.
    shape->version = morph.version >= 2 ? 4 : 3;
    const Rect &a = morph.startBounds, &b = morph.endBounds;
    shape->bounds = Rect{
        qint32(std::lround(lerp(a.xMin, b.xMin, t))), qint32(std::lround(lerp(a.xMax, b.xMax, t))),
        qint32(std::lround(lerp(a.yMin, b.yMin, t))), qint32(std::lround(lerp(a.yMax, b.yMax, t)))};
    shape->usesNonScalingStrokes = morph.usesNonScalingStrokes;
    shape->usesScalingStrokes = morph.usesScalingStrokes;
    StyleTable styles;
    styles.fills.reserve(morph.fills.size());
    for (const MorphFillStyle &fill : morph.fills)
        styles.fills.push_back(fillAt(fill, t));
    styles.lines.reserve(morph.lines.size());
    for (const MorphLineStyle &line : morph.lines)
        styles.lines.push_back(lineAt(line, t));
    shape->styleTables.push_back(std::move(styles));
    shape->records.reserve(morph.startRecords.size());
    if (!RecordInterpolator(morph, t, shape->records).run(morph.startRecords))
        return nullptr;
    return shape;
}

} // namespace swf
