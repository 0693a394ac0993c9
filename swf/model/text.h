// DefineText and DefineText2: static text as runs of glyphs of embedded
// fonts, each run with its font, colour, height and pen position.
#pragma once

#include "swf/model/character.h"
#include "swf/types.h"

#include <optional>
#include <vector>

namespace swf {

struct GlyphEntry {
    quint32 index = 0;  // into the font's glyph table
    qint32 advance = 0; // twips to the next glyph's origin
};

// A TEXTRECORD. Absent fields keep their value from the record before.
struct TextRecord {
    std::optional<quint16> fontId;
    std::optional<Rgba> color;
    std::optional<qint16> xOffset;
    std::optional<qint16> yOffset;
    std::optional<quint16> height; // twips; given with the font
    std::vector<GlyphEntry> glyphs;
};

class Text final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::Text; }

    int version = 1; // 1 or 2: DefineText2 colours carry alpha
    Rect bounds;
    Matrix matrix;
    std::vector<TextRecord> records;
};

} // namespace swf
