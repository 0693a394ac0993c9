#include "swf/render/strokeoutline.h"

#include "swf/render/fillbrush.h"

#include <QPainterPathStroker>

#include <cmath>

namespace swf {

namespace {

// A cap reaches this share of the half width back over its line, so that
// it and the flat end of the line overlap instead of meeting edge to edge.
constexpr double kCapOverlap = 0.02;
// Quarter circles as cubic curves: the control points lie this share of
// the radius from their ends.
constexpr double kQuarterCircle = 0.5522847498;
// How far an open subpath's end is moved off its start so that strokers
// do not join the two (device pixels).
constexpr double kOpenNudge = 1.0 / 256;
// Uniting outlines costs far more than stroking; past this many open
// subpaths a line takes its start cap at both ends instead.
constexpr size_t kMaxSubpathsWithTwoCaps = 2048;

// Element indices [first, last] of one subpath.
struct Subpath {
    int first = 0;
    int last = 0;
};

std::vector<Subpath> subpathsOf(const QPainterPath &path)
{
    std::vector<Subpath> subpaths;
    for (int i = 0; i < path.elementCount(); ++i) {
        if (path.elementAt(i).isMoveTo() || subpaths.empty())
            subpaths.push_back(Subpath{i, i});
        else
            subpaths.back().last = i;
    }
    return subpaths;
}

QPointF pointAt(const QPainterPath &path, int i)
{
    return QPointF(path.elementAt(i));
}

// The unit vector from the first point of `from`…`to` (stepping by
// `step`) that differs from the point at `from`, towards `from`: the way
// a stroke leaves at that end. Null for a subpath of one point.
QPointF outwardAt(const QPainterPath &path, int from, int to, int step)
{
    const QPointF end = pointAt(path, from);
    for (int i = from + step; step > 0 ? i <= to : i >= to; i += step) {
        const QPointF d = end - pointAt(path, i);
        const double length = std::hypot(d.x(), d.y());
        if (length > 0)
            return d / length;
    }
    return {};
}

// The part of a cap past the end of its line, `outward` a unit vector.
void addCap(QPainterPath &caps, QPointF end, QPointF outward, double radius, Qt::PenCapStyle cap)
{
    if (cap == Qt::FlatCap)
        return;
    const QPointF along = outward * radius;
    const QPointF across(-along.y(), along.x());
    const QPointF back = -along * kCapOverlap;
    caps.moveTo(end + across + back);
    if (cap == Qt::SquareCap) {
        caps.lineTo(end + across + along);
        caps.lineTo(end - across + along);
    } else {
        const double k = kQuarterCircle;
        caps.lineTo(end + across);
        caps.cubicTo(end + across + along * k, end + along + across * k, end + along);
        caps.cubicTo(end + along - across * k, end - across + along * k, end - across);
    }
    caps.lineTo(end - across + back);
    caps.closeSubpath();
}

QPointF snapped(QPointF p, bool odd)
{
    if (odd)
        return QPointF(std::floor(p.x()) + 0.5, std::floor(p.y()) + 0.5);
    return QPointF(std::round(p.x()), std::round(p.y()));
}

// Snapping may bring the end of an open subpath onto its start; moved off
// again, it keeps its caps instead of gaining a join.
void keepOpen(const QPainterPath &original, QPainterPath &hinted)
{
    if (original.elementCount() != hinted.elementCount())
        return;
    for (const Subpath &s : subpathsOf(original)) {
        if (s.last == s.first || pointAt(original, s.first) == pointAt(original, s.last))
            continue;
        const QPointF end = pointAt(hinted, s.last);
        if (end == pointAt(hinted, s.first))
            hinted.setElementPositionAt(s.last, end.x() + kOpenNudge, end.y());
    }
}

} // namespace

StrokeCaps strokeCaps(const LineStyle &style, int shapeVersion)
{
    if (shapeVersion < 4)
        return {};
    return StrokeCaps{penCap(style.startCap), penCap(style.endCap)};
}

QPainterPath strokeOutline(const QPainterPath &path, const QPen &pen, StrokeCaps caps)
{
    QPainterPathStroker stroker(pen);
    const std::vector<Subpath> subpaths =
        caps.start == caps.end ? std::vector<Subpath>() : subpathsOf(path);
    if (subpaths.empty() || subpaths.size() > kMaxSubpathsWithTwoCaps) {
        stroker.setCapStyle(caps.start);
        return stroker.createStroke(path);
    }
    stroker.setCapStyle(Qt::FlatCap);
    QPainterPath outline = stroker.createStroke(path);
    QPainterPath capAreas;
    capAreas.setFillRule(Qt::WindingFill);
    const double radius = pen.widthF() / 2;
    for (const Subpath &s : subpaths) {
        const QPointF start = pointAt(path, s.first);
        const QPointF end = pointAt(path, s.last);
        if (s.last > s.first && start == end)
            continue; // closed: joined, no caps
        QPointF leaving = outwardAt(path, s.first, s.last, 1);
        QPointF arriving = outwardAt(path, s.last, s.first, -1);
        if (leaving.isNull()) {
            // A single point: the caps face each other across it.
            leaving = QPointF(-1, 0);
            arriving = QPointF(1, 0);
        }
        addCap(capAreas, start, leaving, radius, caps.start);
        addCap(capAreas, end, arriving, radius, caps.end);
    }
    if (capAreas.isEmpty())
        return outline;
    return outline.united(capAreas);
}

QPainterPath hintedDevicePath(const QPainterPath &path, const QTransform &transform,
                              int widthPixels)
{
    const bool odd = widthPixels % 2 != 0;
    QPainterPath hinted;
    QPointF offset; // how far the last anchor moved
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = transform.map(QPointF(e));
        if (e.isCurveTo() && i + 2 < count) {
            const QPointF control1 = p + offset;
            const QPointF to = transform.map(pointAt(path, i + 2));
            const QPointF toSnapped = snapped(to, odd);
            offset = toSnapped - to;
            const QPointF control2 = transform.map(pointAt(path, i + 1)) + offset;
            hinted.cubicTo(control1, control2, toSnapped);
            i += 2;
            continue;
        }
        const QPointF s = snapped(p, odd);
        offset = s - p;
        if (e.isMoveTo())
            hinted.moveTo(s);
        else
            hinted.lineTo(s);
    }
    keepOpen(path, hinted);
    return hinted;
}

} // namespace swf
