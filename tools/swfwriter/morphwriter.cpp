#include "tools/swfwriter/morphwriter.h"

#include "swf/io/tagcodes.h"
#include "tools/swfwriter/records.h"

namespace swfwriter {

namespace {

void writeCount(BitWriter &w, size_t count)
{
    if (count >= 0xff) {
        w.u8(0xff);
        w.u16(quint32(count));
    } else {
        w.u8(quint32(count));
    }
}

void writeMorphFill(BitWriter &w, const swf::MorphFillStyle &fill)
{
    w.u8(quint8(fill.kind));
    switch (fill.kind) {
    case swf::FillKind::Solid:
        writeRgba(w, fill.startColor);
        writeRgba(w, fill.endColor);
        return;
    case swf::FillKind::LinearGradient:
    case swf::FillKind::RadialGradient:
    case swf::FillKind::FocalGradient:
        writeMatrix(w, fill.startMatrix);
        writeMatrix(w, fill.endMatrix);
        w.ub(2, quint32(fill.spread));
        w.ub(2, quint32(fill.interpolation));
        w.ub(4, quint32(std::min<size_t>(fill.records.size(), 15)));
        for (size_t i = 0; i < fill.records.size() && i < 15; ++i) {
            w.u8(fill.records[i].startRatio);
            writeRgba(w, fill.records[i].startColor);
            w.u8(fill.records[i].endRatio);
            writeRgba(w, fill.records[i].endColor);
        }
        if (fill.kind == swf::FillKind::FocalGradient) {
            w.fixed8(fill.startFocalPoint);
            w.fixed8(fill.endFocalPoint);
        }
        return;
    default:
        w.u16(fill.bitmapId);
        writeMatrix(w, fill.startMatrix);
        writeMatrix(w, fill.endMatrix);
        return;
    }
}

void writeMorphLine(BitWriter &w, const swf::MorphLineStyle &line, int version)
{
    w.u16(line.startWidth);
    w.u16(line.endWidth);
    if (version >= 2) {
        w.ub(2, quint32(line.startCap));
        w.ub(2, quint32(line.join));
        w.ub(1, line.fill.has_value());
        w.ub(1, line.noHScale);
        w.ub(1, line.noVScale);
        w.ub(1, line.pixelHinting);
        w.ub(5, 0);
        w.ub(1, line.noClose);
        w.ub(2, quint32(line.endCap));
        if (line.join == swf::JoinStyle::Miter)
            w.fixed8(line.miterLimit);
        if (line.fill) {
            writeMorphFill(w, *line.fill);
            return;
        }
    }
    writeRgba(w, line.startColor);
    writeRgba(w, line.endColor);
}

// SHAPE: a ShapeBuilder without styles encodes as two empty style counts
// followed by the SHAPE.
QByteArray edges(const ShapeBuilder &shape)
{
    return shape.encode(3).mid(2);
}

} // namespace

QByteArray morphShapeBody(quint16 id, const std::vector<swf::MorphFillStyle> &fills,
                          const std::vector<swf::MorphLineStyle> &lines, const ShapeBuilder &start,
                          const ShapeBuilder &end, int version)
{
    BitWriter w;
    w.u16(id);
    writeRect(w, start.bounds());
    writeRect(w, end.bounds());
    if (version >= 2) {
        writeRect(w, start.bounds());
        writeRect(w, end.bounds());
        w.ub(6, 0);
        w.ub(1, 0); // non-scaling strokes
        w.ub(1, 1); // scaling strokes
    }
    BitWriter styles;
    writeCount(styles, fills.size());
    for (const swf::MorphFillStyle &fill : fills)
        writeMorphFill(styles, fill);
    writeCount(styles, lines.size());
    for (const swf::MorphLineStyle &line : lines)
        writeMorphLine(styles, line, version);
    const QByteArray startEdges = edges(start);
    const QByteArray rest = styles.data() + startEdges;
    w.u32(quint32(rest.size()));
    w.bytes(rest);
    w.bytes(edges(end));
    return w.data();
}

quint16 defineMorphShape(SwfWriter &movie, const std::vector<swf::MorphFillStyle> &fills,
                         const std::vector<swf::MorphLineStyle> &lines, const ShapeBuilder &start,
                         const ShapeBuilder &end, int version, std::optional<quint16> id)
{
    const quint16 morphId = movie.takeId(id);
    movie.rawTag(version >= 2 ? swf::TagCode::DefineMorphShape2 : swf::TagCode::DefineMorphShape,
                 morphShapeBody(morphId, fills, lines, start, end, version));
    return morphId;
}

swf::MorphFillStyle morphSolid(swf::Rgba start, swf::Rgba end)
{
    swf::MorphFillStyle fill;
    fill.kind = swf::FillKind::Solid;
    fill.startColor = start;
    fill.endColor = end;
    return fill;
}

} // namespace swfwriter
