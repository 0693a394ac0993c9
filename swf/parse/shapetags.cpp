// DefineShape, DefineShape2, DefineShape3 and DefineShape4.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/shape.h"
#include "swf/parse/records.h"
#include "swf/parse/styles.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

namespace swf {

namespace {

struct RecordBits {
    int fill = 0;
    int line = 0;
};

bool readStyleChange(Reader &r, quint32 flags, Shape &shape, RecordBits &bits,
                     StyleChangeRecord &change)
{
    if (flags & 0x01) {
        const int moveBits = int(r.ub(5));
        const int x = r.sb(moveBits);
        const int y = r.sb(moveBits);
        change.moveTo = QPoint(x, y);
    }
    if (flags & 0x02)
        change.fillStyle0 = r.ub(bits.fill);
    if (flags & 0x04)
        change.fillStyle1 = r.ub(bits.fill);
    if (flags & 0x08)
        change.lineStyle = r.ub(bits.line);
    if (flags & 0x10) {
        StyleTable table;
        if (!readStyleTable(r, shape.version, table))
            return false;
        change.newStyles = quint32(shape.styleTables.size());
        shape.styleTables.push_back(std::move(table));
        bits.fill = int(r.ub(4));
        bits.line = int(r.ub(4));
    }
    return r.ok();
}

ShapeRecord readEdge(Reader &r)
{
    const bool straight = r.flag();
    const int bits = int(r.ub(4)) + 2;
    if (!straight) {
        CurvedEdgeRecord curve;
        curve.control.setX(r.sb(bits));
        curve.control.setY(r.sb(bits));
        curve.anchor.setX(r.sb(bits));
        curve.anchor.setY(r.sb(bits));
        return curve;
    }
    StraightEdgeRecord line;
    if (r.flag()) { // general line
        line.delta.setX(r.sb(bits));
        line.delta.setY(r.sb(bits));
    } else if (r.flag()) { // vertical
        line.delta.setY(r.sb(bits));
    } else {
        line.delta.setX(r.sb(bits));
    }
    return line;
}

// SHAPERECORDs up to the end record. A shape cut short keeps the records
// read before the cut, as the Flash Player draws what it has.
std::optional<Error> readShapeRecords(TagContext &c, Shape &shape, RecordBits bits)
{
    Reader &r = c.reader;
    while (true) {
        if (qint64(shape.records.size()) >= limits::kMaxShapeRecords ||
            c.movie.stats.shapeRecords >= limits::kMaxMovieShapeRecords) {
            c.movie.stats.overLimits = true;
            return c.error(QStringLiteral("too many shape records"));
        }
        if (r.flag()) {
            ShapeRecord edge = readEdge(r);
            if (!r.ok())
                break;
            shape.records.push_back(edge);
        } else {
            const quint32 flags = r.ub(5);
            if (flags == 0 || !r.ok())
                break;
            StyleChangeRecord change;
            if (!readStyleChange(r, flags, shape, bits, change))
                break;
            shape.records.emplace_back(std::move(change));
        }
        ++c.movie.stats.shapeRecords;
    }
    return c.overrunError("shape records");
}

std::optional<Error> parseShape(TagContext &c, int version)
{
    Reader &r = c.reader;
    auto shape = std::make_unique<Shape>(r.u16());
    shape->version = version;
    shape->bounds = readRect(r);
    if (version >= 4) {
        shape->edgeBounds = readRect(r);
        r.ub(5); // reserved
        shape->usesFillWindingRule = r.flag();
        shape->usesNonScalingStrokes = r.flag();
        shape->usesScalingStrokes = r.flag();
    }
    StyleTable styles;
    if (!readStyleTable(r, version, styles))
        return c.overrunError("shape styles").value_or(c.error(QStringLiteral("bad fill style")));
    shape->styleTables.push_back(std::move(styles));
    RecordBits bits;
    bits.fill = int(r.ub(4));
    bits.line = int(r.ub(4));
    std::optional<Error> error = readShapeRecords(c, *shape, bits);
    // The shape is defined even when its records end early: what was read
    // is drawn.
    c.define(std::move(shape));
    return error;
}

std::optional<Error> parseDefineShape(TagContext &c)
{
    return parseShape(c, 1);
}
std::optional<Error> parseDefineShape2(TagContext &c)
{
    return parseShape(c, 2);
}
std::optional<Error> parseDefineShape3(TagContext &c)
{
    return parseShape(c, 3);
}
std::optional<Error> parseDefineShape4(TagContext &c)
{
    return parseShape(c, 4);
}

} // namespace

void registerShapeTags(TagTable &table)
{
    table.add(TagCode::DefineShape, parseDefineShape, TagScope::Definition);
    table.add(TagCode::DefineShape2, parseDefineShape2, TagScope::Definition);
    table.add(TagCode::DefineShape3, parseDefineShape3, TagScope::Definition);
    table.add(TagCode::DefineShape4, parseDefineShape4, TagScope::Definition);
}

} // namespace swf
