// Tag family: morph shapes: DefineMorphShape and DefineMorphShape2.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/morphshape.h"
#include "swf/parse/records.h"
#include "swf/parse/shaperecords.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"

#include <algorithm>

namespace swf {

namespace {

// A count of one byte, 0xff announcing a 16-bit count.
int readCount(Reader &r)
{
    int count = r.u8();
    if (count == 0xff)
        count = r.u16();
    return count;
}

void readMorphGradient(Reader &r, MorphFillStyle &fill)
{
    // The count byte is laid out as in GRADIENT: spread, interpolation, count.
    const quint8 head = r.u8();
    const int spread = head >> 6;
    fill.spread = spread <= 2 ? SpreadMode(spread) : SpreadMode::Pad;
    fill.interpolation =
        ((head >> 4) & 3) == 1 ? InterpolationMode::Linear : InterpolationMode::Normal;
    const int count = head & 0x0f;
    fill.records.resize(size_t(count));
    for (MorphGradientRecord &record : fill.records) {
        record.startRatio = r.u8();
        record.startColor = readRgba(r);
        record.endRatio = r.u8();
        record.endColor = readRgba(r);
    }
    if (fill.kind == FillKind::FocalGradient) {
        fill.startFocalPoint = qBound(-1.0, r.fixed8(), 1.0);
        fill.endFocalPoint = qBound(-1.0, r.fixed8(), 1.0);
    }
}

bool readMorphFill(Reader &r, MorphFillStyle &fill)
{
    const quint8 type = r.u8();
    switch (type) {
    case 0x00:
        fill.kind = FillKind::Solid;
        fill.startColor = readRgba(r);
        fill.endColor = readRgba(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        fill.kind = FillKind(type);
        fill.startMatrix = readMatrix(r);
        fill.endMatrix = readMatrix(r);
        readMorphGradient(r, fill);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        fill.kind = FillKind(type);
        fill.bitmapId = r.u16();
        fill.startMatrix = readMatrix(r);
        fill.endMatrix = readMatrix(r);
        break;
    default:
        r.fail();
        return false;
    }
    return r.ok();
}

bool readMorphLine(Reader &r, int version, MorphLineStyle &line)
{
    line.startWidth = r.u16();
    line.endWidth = r.u16();
    if (version < 2) {
        line.startColor = readRgba(r);
        line.endColor = readRgba(r);
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
        MorphFillStyle fill;
        if (!readMorphFill(r, fill))
            return false;
        if (fill.kind == FillKind::Solid) {
            line.startColor = fill.startColor;
            line.endColor = fill.endColor;
        } else {
            line.fill = std::move(fill);
        }
    } else {
        line.startColor = readRgba(r);
        line.endColor = readRgba(r);
    }
    return r.ok();
}

bool readMorphStyles(Reader &r, int version, MorphShape &morph)
{
    // Every style takes at least two bytes: no more can follow than that.
    const int fills = readCount(r);
    if (fills > limits::kMaxStyles || 2 * qint64(fills) > r.remaining())
        return false;
    morph.fills.resize(size_t(fills));
    for (MorphFillStyle &fill : morph.fills) {
        if (!readMorphFill(r, fill))
            return false;
    }
    const int lines = readCount(r);
    if (lines > limits::kMaxStyles || 2 * qint64(lines) > r.remaining())
        return false;
    morph.lines.resize(size_t(lines));
    for (MorphLineStyle &line : morph.lines) {
        if (!readMorphLine(r, version, line))
            return false;
    }
    return r.ok();
}

qint64 edgeCount(const std::vector<ShapeRecord> &records)
{
    return std::count_if(records.begin(), records.end(), [](const ShapeRecord &record) {
        return !std::holds_alternative<StyleChangeRecord>(record);
    });
}

std::optional<Error> readEdges(TagContext &c, std::vector<ShapeRecord> &records)
{
    RecordBits bits;
    c.reader.align();
    bits.fill = int(c.reader.ub(4));
    bits.line = int(c.reader.ub(4));
    return readShapeRecords(c, records, bits, 3, nullptr);
}

std::optional<Error> parseMorph(TagContext &c, int version)
{
    Reader &r = c.reader;
    auto morph = std::make_unique<MorphShape>(r.u16());
    morph->version = version;
    morph->startBounds = readRect(r);
    morph->endBounds = readRect(r);
    if (version >= 2) {
        readRect(r); // start edge bounds
        readRect(r); // end edge bounds
        r.ub(6);     // reserved
        morph->usesNonScalingStrokes = r.flag();
        morph->usesScalingStrokes = r.flag();
    }
    const qint64 offset = r.u32();
    const qint64 endEdges = r.position() + offset;
    if (auto error = c.overrunError("DefineMorphShape header"))
        return error;
    if (offset == 0 || endEdges > r.size())
        return c.error(QStringLiteral("end edges at offset %1 lie outside the tag").arg(offset));
    if (!readMorphStyles(r, version, *morph))
        return c.overrunError("morph styles").value_or(c.error(QStringLiteral("bad morph style")));
    if (auto error = readEdges(c, morph->startRecords))
        return error;
    r.seek(endEdges);
    if (auto error = readEdges(c, morph->endRecords))
        return error;
    // The edges are paired in order; lists that do not pair cannot be drawn.
    if (edgeCount(morph->startRecords) != edgeCount(morph->endRecords))
        return c.error(QStringLiteral("start shape has %1 edges, end shape %2")
                           .arg(edgeCount(morph->startRecords))
                           .arg(edgeCount(morph->endRecords)));
    c.define(std::move(morph));
    return std::nullopt;
}

std::optional<Error> parseDefineMorphShape(TagContext &c)
{
    return parseMorph(c, 1);
}

std::optional<Error> parseDefineMorphShape2(TagContext &c)
{
    return parseMorph(c, 2);
}

} // namespace

void registerMorphTags(TagTable &table)
{
    table.add(TagCode::DefineMorphShape, parseDefineMorphShape, TagScope::Definition);
    table.add(TagCode::DefineMorphShape2, parseDefineMorphShape2, TagScope::Definition);
}

} // namespace swf
