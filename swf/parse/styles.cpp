#include "swf/parse/styles.h"

#include "swf/limits.h"
#include "swf/parse/records.h"

namespace swf {

namespace {

Rgba readColor(Reader &r, int shapeVersion)
{
    return shapeVersion >= 3 ? readRgba(r) : readRgb(r);
}

void readGradient(Reader &r, int shapeVersion, Gradient &gradient, bool focal)
{
    r.align();
    const quint32 spread = r.ub(2);
    gradient.spread = spread <= 2 ? SpreadMode(spread) : SpreadMode::Pad;
    gradient.interpolation = r.ub(2) == 1 ? InterpolationMode::Linear : InterpolationMode::Normal;
    const int count = int(r.ub(4));
    gradient.records.reserve(count);
    for (int i = 0; i < count; ++i) {
        GradientRecord record;
        record.ratio = r.u8();
        record.color = readColor(r, shapeVersion);
        gradient.records.push_back(record);
    }
    if (focal)
        gradient.focalPoint = qBound(-1.0, r.fixed8(), 1.0);
}

// A count of one byte, with 0xff announcing a 16-bit count when allowed.
int readCount(Reader &r, bool extended)
{
    int count = r.u8();
    if (count == 0xff && extended)
        count = r.u16();
    return count;
}

bool readLineStyle(Reader &r, int shapeVersion, LineStyle &line)
{
    line.width = r.u16();
    if (shapeVersion < 4) {
        line.color = readColor(r, shapeVersion);
        return r.ok();
    }
    line.startCap = CapStyle(qMin<quint32>(r.ub(2), 2));
    line.join = JoinStyle(qMin<quint32>(r.ub(2), 2));
    const bool hasFill = r.flag();
    line.noHScale = r.flag();
    line.noVScale = r.flag();
    line.pixelHinting = r.flag();
    r.ub(5); // reserved
    line.noClose = r.flag();
    line.endCap = CapStyle(qMin<quint32>(r.ub(2), 2));
    if (line.join == JoinStyle::Miter)
        line.miterLimit = r.fixed8();
    if (hasFill) {
        FillStyle fill;
        if (!readFillStyle(r, shapeVersion, fill))
            return false;
        // A solid line fill is the same as a line colour.
        if (fill.kind == FillKind::Solid)
            line.color = fill.color;
        else
            line.fill = std::move(fill);
    } else {
        line.color = readRgba(r);
    }
    return r.ok();
}

} // namespace

bool readFillStyle(Reader &r, int shapeVersion, FillStyle &fill)
{
    const quint8 type = r.u8();
    switch (type) {
    case 0x00:
        fill.kind = FillKind::Solid;
        fill.color = readColor(r, shapeVersion);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        fill.kind = FillKind(type);
        fill.matrix = readMatrix(r);
        readGradient(r, shapeVersion, fill.gradient, type == 0x13);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        fill.kind = FillKind(type);
        fill.bitmapId = r.u16();
        fill.matrix = readMatrix(r);
        break;
    default:
        r.fail();
        return false;
    }
    return r.ok();
}

bool readStyleTable(Reader &r, int shapeVersion, StyleTable &table)
{
    r.align();
    const int fills = readCount(r, shapeVersion >= 2);
    // Every style takes at least two bytes: no more can follow than that.
    if (fills > limits::kMaxStyles || 2 * qint64(fills) > r.remaining()) {
        r.fail();
        return false;
    }
    table.fills.resize(fills);
    for (FillStyle &fill : table.fills) {
        if (!readFillStyle(r, shapeVersion, fill))
            return false;
    }
    const int lines = readCount(r, true);
    if (lines > limits::kMaxStyles || 2 * qint64(lines) > r.remaining()) {
        r.fail();
        return false;
    }
    table.lines.resize(lines);
    for (LineStyle &line : table.lines) {
        if (!readLineStyle(r, shapeVersion, line))
            return false;
    }
    return r.ok();
}

} // namespace swf
