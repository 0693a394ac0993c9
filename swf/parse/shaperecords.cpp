#include "swf/parse/shaperecords.h"

#include "swf/limits.h"
#include "swf/parse/styles.h"

namespace swf {

namespace {

struct RecordContext {
    RecordBits bits;
    int shapeVersion;
    std::vector<StyleTable> *styleTables;
};

bool readStyleChange(Reader &r, quint32 flags, RecordContext &rc, StyleChangeRecord &change)
{
    if (flags & 0x01) {
        const int moveBits = int(r.ub(5));
        const int x = r.sb(moveBits);
        const int y = r.sb(moveBits);
        change.moveTo = QPoint(x, y);
    }
    if (flags & 0x02)
        change.fillStyle0 = r.ub(rc.bits.fill);
    if (flags & 0x04)
        change.fillStyle1 = r.ub(rc.bits.fill);
    if (flags & 0x08)
        change.lineStyle = r.ub(rc.bits.line);
    if (flags & 0x10) {
        StyleTable table;
        if (!rc.styleTables || !readStyleTable(r, rc.shapeVersion, table)) {
            r.fail();
            return false;
        }
        change.newStyles = quint32(rc.styleTables->size());
        rc.styleTables->push_back(std::move(table));
        rc.bits.fill = int(r.ub(4));
        rc.bits.line = int(r.ub(4));
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

} // namespace

std::optional<Error> readShapeRecords(TagContext &c, std::vector<ShapeRecord> &records,
                                      RecordBits bits, int shapeVersion,
                                      std::vector<StyleTable> *styleTables)
{
    Reader &r = c.reader;
    RecordContext rc{bits, shapeVersion, styleTables};
    while (true) {
        if (qint64(records.size()) >= limits::kMaxShapeRecords ||
            c.movie.stats.shapeRecords >= limits::kMaxMovieShapeRecords) {
            c.movie.stats.overLimits = true;
            return c.error(QStringLiteral("too many shape records"));
        }
        if (r.flag()) {
            ShapeRecord edge = readEdge(r);
            if (!r.ok())
                break;
            records.push_back(edge);
        } else {
            const quint32 flags = r.ub(5);
            if (flags == 0 || !r.ok())
                break;
            StyleChangeRecord change;
            if (!readStyleChange(r, flags, rc, change))
                break;
            records.emplace_back(std::move(change));
        }
        ++c.movie.stats.shapeRecords;
    }
    if (!styleTables && !r.ok())
        return c.error(QStringLiteral("shape records damaged or with new styles"));
    return c.overrunError("shape records");
}

} // namespace swf
