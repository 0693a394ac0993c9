// DefineFont 1–3 with what DefineFontInfo 1/2, DefineFontAlignZones and
// DefineFontName add to them: glyph outlines, the code of each glyph, and
// the layout (ascent, descent, leading, advances, bounds, kerning).
#pragma once

#include "swf/model/character.h"
#include "swf/model/shape.h"
#include "swf/types.h"

#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace swf {

struct KerningRecord {
    quint16 left = 0;
    quint16 right = 0;
    qint16 adjustment = 0;
};

// One glyph's alignment zones (DefineFontAlignZones): up to two pairs of
// coordinate and range, kept as read; the anti-aliasing hints they give
// are not used for drawing.
struct AlignZone {
    std::vector<std::pair<float, float>> zones;
    bool maskX = false;
    bool maskY = false;
};

struct FontGlyph {
    // The outline: shape records whose fill style 1 stands for the text
    // colour. Shared, so that a font amended by a later tag can keep them.
    std::shared_ptr<const Shape> shape;
    quint16 code = 0;              // from the code table; meaningless without one
    std::optional<qint16> advance; // from the layout, in glyph units
    Rect bounds;                   // from the layout, in glyph units
};

struct FontData {
    int version = 1; // 1, 2 or 3 for DefineFont, DefineFont2, DefineFont3
    QString name;
    // DefineFontName.
    QString fullName;
    QString copyright;
    bool bold = false;
    bool italic = false;
    bool smallText = false;
    bool shiftJis = false;
    bool ansi = false;
    bool wideCodes = false;
    quint8 language = 0;
    // DefineFont gets its codes from a later DefineFontInfo.
    bool hasCodeTable = false;
    std::vector<FontGlyph> glyphs;
    // The layout of DefineFont2/3, in glyph units.
    bool hasLayout = false;
    int ascent = 0;
    int descent = 0;
    int leading = 0;
    std::vector<KerningRecord> kerning;
    // DefineFontAlignZones.
    quint8 csmTableHint = 0;
    std::vector<AlignZone> alignZones;
    // Which later tags amended the font while the movie was read (bits of
    // the font parser's own); each applies once.
    quint8 amendments = 0;
};

class Font final : public Character {
public:
    Font(quint16 id, FontData data);
    CharacterKind kind() const override { return CharacterKind::Font; }

    const FontData &data() const { return m_data; }
    const QString &name() const { return m_data.name; }
    int glyphCount() const { return int(m_data.glyphs.size()); }
    // Null past the glyph table.
    const FontGlyph *glyph(qint64 index) const
    {
        return index >= 0 && index < glyphCount() ? &m_data.glyphs[size_t(index)] : nullptr;
    }
    // Glyph units per EM square: DefineFont3 draws its glyphs at twenty
    // times the resolution of the older tags.
    double emSquare() const { return m_data.version >= 3 ? 1024.0 * 20.0 : 1024.0; }
    // The glyph showing `code`, or -1.
    int glyphIndex(char32_t code) const;

private:
    FontData m_data;
    std::unordered_map<quint16, int> m_codes;
};

} // namespace swf
