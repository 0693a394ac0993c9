// Writers of the font tags: DefineFont 1–3 with glyphs drawn by
// ShapeBuilder, DefineFontInfo 1/2, DefineFontName and DefineFontAlignZones.
//
//   swfwriter::FontSpec font;
//   font.name = "Block";
//   swfwriter::GlyphSpec glyph;              // in glyph units: EM 1024, or
//   glyph.code = 'I';                        // 20480 for DefineFont3
//   glyph.outline.rect(QRect(0, -700, 200, 700), glyph.outline.addFill({0, 0, 0}));
//   glyph.advance = 300;
//   font.glyphs.push_back(glyph);
//   const quint16 fontId = swfwriter::defineFont(movie, font, 2);
#pragma once

#include "swf/model/font.h"
#include "tools/swfwriter/swfwriter.h"

#include <optional>
#include <vector>

namespace swfwriter {

struct GlyphSpec {
    char16_t code = 0;
    // One solid fill (any colour): the text colour takes its place.
    ShapeBuilder outline;
    qint16 advance = 0;
    // The outline's extent when not given.
    std::optional<swf::Rect> bounds;
};

struct FontSpec {
    QString name;
    bool bold = false;
    bool italic = false;
    bool smallText = false;
    bool shiftJis = false;
    bool ansi = false;
    quint8 language = 0;
    bool wideOffsets = false;
    bool wideCodes = true;
    std::vector<GlyphSpec> glyphs;
    // The layout of DefineFont2/3, in glyph units.
    bool hasLayout = true;
    quint16 ascent = 0;
    quint16 descent = 0;
    qint16 leading = 0;
    std::vector<swf::KerningRecord> kerning;
};

// Names are written in UTF-8 (movies of version 6 on).

// A glyph's SHAPE: bit counts and records, without style arrays.
QByteArray encodeGlyph(const ShapeBuilder &outline);

// DefineFont`version` (1…3); version 1 writes the outlines only (names and
// codes come with defineFontInfo). Returns the font id.
quint16 defineFont(SwfWriter &movie, const FontSpec &font, int version = 3,
                   std::optional<quint16> id = std::nullopt);
// DefineFontInfo (version 1) or DefineFontInfo2 (version 2) for `fontId`.
void defineFontInfo(SwfWriter &movie, quint16 fontId, const FontSpec &font, int version = 1);
void defineFontName(SwfWriter &movie, quint16 fontId, const QString &name,
                    const QString &copyright);
// Alignment zones, one per glyph: (coordinate, range) pairs as half floats.
void defineFontAlignZones(SwfWriter &movie, quint16 fontId,
                          const std::vector<swf::AlignZone> &zones, quint8 csmTableHint = 1);

} // namespace swfwriter
