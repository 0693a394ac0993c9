#include "tools/swfwriter/fontwriter.h"

#include "swf/io/tagcodes.h"

#include <cmath>

namespace swfwriter {

namespace {

quint16 halfFloat(float value)
{
    const quint16 sign = value < 0 ? 0x8000 : 0;
    value = std::fabs(value);
    if (value == 0.0f)
        return sign;
    int exponent = 0;
    const float mantissa = std::frexp(value, &exponent); // value = mantissa · 2^exponent
    int biased = exponent - 1 + 15;
    if (biased <= 0)
        return quint16(sign | quint16(std::lround(value / std::ldexp(1.0f, -24))));
    if (biased >= 0x1f)
        return quint16(sign | 0x7c00);
    const int fraction = int(std::lround((mantissa * 2.0f - 1.0f) * 1024.0f));
    if (fraction == 1024)
        return quint16(sign | ((biased + 1) << 10));
    return quint16(sign | (biased << 10) | fraction);
}

void writeFont2Flags(BitWriter &w, const FontSpec &font, bool wideOffsets)
{
    w.ub(1, font.hasLayout);
    w.ub(1, font.shiftJis);
    w.ub(1, font.smallText);
    w.ub(1, font.ansi);
    w.ub(1, wideOffsets);
    w.ub(1, font.wideCodes);
    w.ub(1, font.italic);
    w.ub(1, font.bold);
}

void writeLayout(BitWriter &w, const FontSpec &font)
{
    w.u16(font.ascent);
    w.u16(font.descent);
    w.u16(quint32(quint16(font.leading)));
    for (const GlyphSpec &glyph : font.glyphs)
        w.u16(quint32(quint16(glyph.advance)));
    for (const GlyphSpec &glyph : font.glyphs)
        writeRect(w, glyph.bounds.value_or(glyph.outline.bounds()));
    w.u16(quint32(font.kerning.size()));
    for (const swf::KerningRecord &k : font.kerning) {
        if (font.wideCodes) {
            w.u16(k.left);
            w.u16(k.right);
        } else {
            w.u8(k.left);
            w.u8(k.right);
        }
        w.u16(quint32(quint16(k.adjustment)));
    }
}

QByteArray font1Body(quint16 id, const FontSpec &font)
{
    std::vector<QByteArray> shapes;
    for (const GlyphSpec &glyph : font.glyphs)
        shapes.push_back(encodeGlyph(glyph.outline));
    BitWriter w;
    w.u16(id);
    quint32 offset = quint32(2 * shapes.size());
    for (const QByteArray &shape : shapes) {
        w.u16(offset);
        offset += quint32(shape.size());
    }
    for (const QByteArray &shape : shapes)
        w.bytes(shape);
    return w.data();
}

QByteArray font23Body(quint16 id, const FontSpec &font)
{
    std::vector<QByteArray> shapes;
    qint64 shapeBytes = 0;
    for (const GlyphSpec &glyph : font.glyphs) {
        shapes.push_back(encodeGlyph(glyph.outline));
        shapeBytes += shapes.back().size();
    }
    const qint64 count = qint64(shapes.size());
    const bool wideOffsets = font.wideOffsets || 2 * (count + 1) + shapeBytes > 0xffff;
    const int offsetSize = wideOffsets ? 4 : 2;
    BitWriter w;
    w.u16(id);
    writeFont2Flags(w, font, wideOffsets);
    w.u8(font.language);
    const QByteArray name = font.name.toUtf8();
    w.u8(quint32(name.size()));
    w.bytes(name);
    w.u16(quint32(count));
    qint64 offset = offsetSize * (count + 1);
    for (const QByteArray &shape : shapes) {
        wideOffsets ? w.u32(quint32(offset)) : w.u16(quint32(offset));
        offset += shape.size();
    }
    wideOffsets ? w.u32(quint32(offset)) : w.u16(quint32(offset)); // the code table
    for (const QByteArray &shape : shapes)
        w.bytes(shape);
    for (const GlyphSpec &glyph : font.glyphs)
        font.wideCodes ? w.u16(glyph.code) : w.u8(glyph.code);
    if (font.hasLayout)
        writeLayout(w, font);
    return w.data();
}

} // namespace

// A ShapeBuilder written as DefineShape 1 starts with its style arrays:
// a fill count, fills of a type byte and RGB, a line count and lines of a
// width and RGB. The SHAPE follows them. Glyphs use solid fills only.
QByteArray encodeGlyph(const ShapeBuilder &outline)
{
    const QByteArray shape = outline.encode(1);
    const int fills = quint8(shape.at(0));
    const int lines = quint8(shape.at(1 + 4 * fills));
    return shape.mid(1 + 4 * fills + 1 + 5 * lines);
}

quint16 defineFont(SwfWriter &movie, const FontSpec &font, int version, std::optional<quint16> id)
{
    const quint16 fontId = movie.takeId(id);
    if (version <= 1) {
        movie.rawTag(swf::TagCode::DefineFont, font1Body(fontId, font));
        return fontId;
    }
    const quint16 code = version >= 3 ? swf::TagCode::DefineFont3 : swf::TagCode::DefineFont2;
    movie.rawTag(code, font23Body(fontId, font));
    return fontId;
}

void defineFontInfo(SwfWriter &movie, quint16 fontId, const FontSpec &font, int version)
{
    const bool wide = version >= 2 || font.wideCodes;
    BitWriter w;
    w.u16(fontId);
    const QByteArray name = font.name.toUtf8();
    w.u8(quint32(name.size()));
    w.bytes(name);
    w.ub(2, 0);
    w.ub(1, font.smallText);
    w.ub(1, font.shiftJis);
    w.ub(1, font.ansi);
    w.ub(1, font.italic);
    w.ub(1, font.bold);
    w.ub(1, wide);
    if (version >= 2)
        w.u8(font.language);
    for (const GlyphSpec &glyph : font.glyphs)
        wide ? w.u16(glyph.code) : w.u8(glyph.code);
    movie.rawTag(version >= 2 ? swf::TagCode::DefineFontInfo2 : swf::TagCode::DefineFontInfo,
                 w.data());
}

void defineFontName(SwfWriter &movie, quint16 fontId, const QString &name, const QString &copyright)
{
    BitWriter w;
    w.u16(fontId);
    w.cstring(name.toUtf8());
    w.cstring(copyright.toUtf8());
    movie.rawTag(swf::TagCode::DefineFontName, w.data());
}

void defineFontAlignZones(SwfWriter &movie, quint16 fontId,
                          const std::vector<swf::AlignZone> &zones, quint8 csmTableHint)
{
    BitWriter w;
    w.u16(fontId);
    w.u8(quint32(csmTableHint) << 6);
    for (const swf::AlignZone &zone : zones) {
        w.u8(quint32(zone.zones.size()));
        for (const auto &[coordinate, range] : zone.zones) {
            w.u16(halfFloat(coordinate));
            w.u16(halfFloat(range));
        }
        w.u8((zone.maskY ? 0x02 : 0) | (zone.maskX ? 0x01 : 0));
    }
    movie.rawTag(swf::TagCode::DefineFontAlignZones, w.data());
}

} // namespace swfwriter
