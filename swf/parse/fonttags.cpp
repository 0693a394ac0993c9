// Tag family: fonts: DefineFont 1/2/3, DefineFontInfo 1/2, DefineFontAlignZones, DefineFontName.
//
// Glyph outlines are SHAPEs without style arrays; fill style 1 is the text
// colour. DefineFont2/3 locate each glyph through an offset table counted
// from the table's own start; every glyph is read within its own span, so
// one damaged glyph cannot spill into the next.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/font.h"
#include "swf/parse/records.h"
#include "swf/parse/shaperecords.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"
#include "swf/parse/textencoding.h"

#include <cmath>
#include <limits>

namespace swf {

namespace {

// Amendments of a font by later tags (FontData::amendments bits).
constexpr quint8 kInfo = 0x01;
constexpr quint8 kAlignZones = 0x02;
constexpr quint8 kName = 0x04;

std::shared_ptr<Shape> emptyGlyph(quint16 fontId)
{
    auto glyph = std::make_shared<Shape>(fontId);
    StyleTable styles;
    styles.fills.resize(1); // stands for the text colour
    glyph->styleTables.push_back(std::move(styles));
    return glyph;
}

// The glyph in `span` of the tag body: fill and line bit counts, then
// records up to the end record. Glyphs have no styles of their own, so a
// record bringing new styles is damage; the records read before any damage
// are kept.
FontGlyph readGlyph(TagContext &c, quint16 fontId, QByteArrayView span, qint64 spanOffset,
                    bool *damaged)
{
    Tag glyphTag = c.tag;
    glyphTag.body = span;
    glyphTag.bodyOffset = spanOffset;
    TagContext glyph(glyphTag, c.movie, c.timeline, c.spriteDepth);
    RecordBits bits;
    bits.fill = int(glyph.reader.ub(4));
    bits.line = int(glyph.reader.ub(4));
    auto shape = emptyGlyph(fontId);
    if (readShapeRecords(glyph, shape->records, bits, 1, nullptr))
        *damaged = true;
    ++c.movie.stats.fontGlyphs;
    return FontGlyph{std::move(shape), 0, {}, {}};
}

bool glyphsWithinLimits(TagContext &c, qint64 count)
{
    if (c.movie.stats.fontGlyphs + count <= limits::kMaxMovieFontGlyphs)
        return true;
    c.movie.stats.overLimits = true;
    return false;
}

QString fontName(QByteArrayView bytes, int version)
{
    QByteArray name = bytes.toByteArray();
    // Names are often written with their terminating zero.
    while (name.endsWith('\0'))
        name.chop(1);
    return decodeMovieText(name, version);
}

// DefineFont: an offset table whose first entry, halved, is the glyph count.
std::optional<Error> parseDefineFont(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    if (auto error = c.overrunError("DefineFont"))
        return error;
    const QByteArrayView table = r.rest();
    const qint64 tableOffset = c.tag.bodyOffset + 2;
    FontData data;
    data.version = 1;
    bool damaged = false;
    if (table.size() >= 2) {
        Reader offsets(table, tableOffset);
        const quint16 first = offsets.u16();
        const qint64 count = first / 2;
        if (first % 2 || count == 0 || 2 * count > table.size())
            return c.error(QStringLiteral("offset table of %1 bytes does not fit").arg(first));
        if (!glyphsWithinLimits(c, count))
            return c.error(QStringLiteral("too many glyphs in the movie"));
        std::vector<qint64> starts(static_cast<size_t>(count));
        starts[0] = first;
        for (qint64 i = 1; i < count; ++i)
            starts[size_t(i)] = offsets.u16();
        data.glyphs.reserve(size_t(count));
        for (qint64 i = 0; i < count; ++i) {
            const qint64 start = starts[size_t(i)];
            const qint64 end = i + 1 < count ? starts[size_t(i + 1)] : table.size();
            if (start < 2 * count || end > table.size() || start > end) {
                damaged = true;
                data.glyphs.push_back(FontGlyph{emptyGlyph(id), 0, {}, {}});
                continue;
            }
            data.glyphs.push_back(
                readGlyph(c, id, table.sliced(start, end - start), tableOffset + start, &damaged));
        }
    }
    c.define(std::make_unique<Font>(id, std::move(data)));
    if (damaged)
        return c.error(QStringLiteral("font %1 has damaged glyphs").arg(id));
    return std::nullopt;
}

struct Font2Header {
    quint16 id = 0;
    bool hasLayout = false;
    bool wideOffsets = false;
    qint64 glyphCount = 0;
};

void readFont2Flags(Reader &r, Font2Header &header, FontData &data, int swfVersion)
{
    const quint8 flags = r.u8();
    header.hasLayout = flags & 0x80;
    data.shiftJis = flags & 0x40;
    data.smallText = flags & 0x20;
    data.ansi = flags & 0x10;
    header.wideOffsets = flags & 0x08;
    data.wideCodes = flags & 0x04;
    data.italic = flags & 0x02;
    data.bold = flags & 0x01;
    data.language = r.u8();
    const int nameLength = r.u8();
    data.name = fontName(r.bytes(nameLength), swfVersion);
}

// The glyph outlines and the code table of DefineFont2/3. `table` starts
// at the offset table; returns the code table's end, or -1.
qint64 readFont2Glyphs(TagContext &c, const Font2Header &header, QByteArrayView table,
                       qint64 tableOffset, FontData &data, bool *damaged)
{
    const qint64 n = header.glyphCount;
    const int offsetSize = header.wideOffsets ? 4 : 2;
    Reader offsets(table, tableOffset);
    std::vector<qint64> starts(size_t(n) + 1);
    for (qint64 i = 0; i <= n; ++i)
        starts[size_t(i)] = header.wideOffsets ? qint64(offsets.u32()) : qint64(offsets.u16());
    if (!offsets.ok())
        return -1;
    const qint64 tableEnd = offsetSize * (n + 1);
    data.glyphs.reserve(size_t(n));
    for (qint64 i = 0; i < n; ++i) {
        const qint64 start = starts[size_t(i)];
        const qint64 end = starts[size_t(i + 1)];
        if (start < tableEnd || end > table.size() || start > end) {
            *damaged = true;
            data.glyphs.push_back(FontGlyph{emptyGlyph(header.id), 0, {}, {}});
            continue;
        }
        data.glyphs.push_back(readGlyph(c, header.id, table.sliced(start, end - start),
                                        tableOffset + start, damaged));
    }
    const qint64 codeStart = starts[size_t(n)];
    if (codeStart < tableEnd || codeStart > table.size())
        return -1;
    Reader codes(table.sliced(codeStart), tableOffset + codeStart);
    for (FontGlyph &glyph : data.glyphs)
        glyph.code = data.wideCodes ? codes.u16() : codes.u8();
    if (!codes.ok())
        return -1;
    data.hasCodeTable = true;
    return codeStart + codes.position();
}

bool readFontLayout(Reader &r, FontData &data)
{
    data.hasLayout = true;
    data.ascent = r.u16();
    data.descent = r.u16();
    data.leading = r.s16();
    if (2 * qint64(data.glyphs.size()) > r.remaining())
        return false;
    for (FontGlyph &glyph : data.glyphs)
        glyph.advance = r.s16();
    for (FontGlyph &glyph : data.glyphs)
        glyph.bounds = readRect(r);
    const qint64 kerningCount = r.u16();
    const qint64 recordSize = data.wideCodes ? 6 : 4;
    if (!r.ok() || kerningCount * recordSize > r.remaining())
        return false;
    data.kerning.reserve(size_t(kerningCount));
    for (qint64 i = 0; i < kerningCount; ++i) {
        KerningRecord k;
        k.left = data.wideCodes ? r.u16() : r.u8();
        k.right = data.wideCodes ? r.u16() : r.u8();
        k.adjustment = r.s16();
        data.kerning.push_back(k);
    }
    return r.ok();
}

std::optional<Error> parseFont23(TagContext &c, int version)
{
    Reader &r = c.reader;
    Font2Header header;
    FontData data;
    data.version = version;
    header.id = r.u16();
    readFont2Flags(r, header, data, c.version());
    header.glyphCount = r.u16();
    if (auto error = c.overrunError("DefineFont2"))
        return error;
    const int offsetSize = header.wideOffsets ? 4 : 2;
    // Each glyph takes an offset and at least one byte of outline.
    if (header.glyphCount * (offsetSize + 1) > r.remaining())
        return c.error(QStringLiteral("%1 glyphs cannot fit").arg(header.glyphCount));
    if (!glyphsWithinLimits(c, header.glyphCount))
        return c.error(QStringLiteral("too many glyphs in the movie"));
    bool damaged = false;
    if (header.glyphCount == 0) {
        // Fonts without outlines name a device font. Some writers leave out
        // the code table offset then; a layout tells by its size.
        const qint64 layoutSize = header.hasLayout ? 8 : 0;
        if (r.remaining() >= layoutSize + offsetSize)
            r.skip(offsetSize);
        data.hasCodeTable = true;
    } else {
        const qint64 tableOffset = r.absolutePosition();
        const QByteArrayView table = r.rest();
        const qint64 end = readFont2Glyphs(c, header, table, tableOffset, data, &damaged);
        if (end < 0) {
            damaged = true;
            r.skip(r.remaining());
        } else {
            r.seek(tableOffset - c.tag.bodyOffset + end);
        }
    }
    if (header.hasLayout && !damaged && !readFontLayout(r, data))
        damaged = true;
    c.define(std::make_unique<Font>(header.id, std::move(data)));
    if (damaged)
        return c.error(QStringLiteral("font %1 is damaged; what was read is kept").arg(header.id));
    return std::nullopt;
}

std::optional<Error> parseDefineFont2(TagContext &c)
{
    return parseFont23(c, 2);
}

std::optional<Error> parseDefineFont3(TagContext &c)
{
    return parseFont23(c, 3);
}

// The font a later tag amends, or null. Each kind of amendment applies
// once per font, like a definition: the first one stays, which also keeps
// the copying below to a few times per font.
const Font *fontToAmend(TagContext &c, quint16 id, quint8 amendment)
{
    const auto it = c.movie.dictionary.find(id);
    if (it == c.movie.dictionary.end() || it->second->kind() != CharacterKind::Font)
        return nullptr;
    const auto *font = static_cast<const Font *>(it->second.get());
    return font->data().amendments & amendment ? nullptr : font;
}

// The movie is immutable once loaded; while it is read, a font amended by
// a later tag is replaced by an amended copy (texts refer to fonts by id).
void replaceFont(TagContext &c, quint16 id, FontData data, quint8 amendment)
{
    data.amendments |= amendment;
    c.movie.dictionary[id] = std::make_unique<Font>(id, std::move(data));
}

std::optional<Error> parseFontInfo(TagContext &c, int version)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    const int nameLength = r.u8();
    const QByteArrayView name = r.bytes(nameLength);
    const quint8 flags = r.u8();
    const quint8 language = version >= 2 ? r.u8() : 0;
    if (auto error = c.overrunError("DefineFontInfo"))
        return error;
    const Font *font = fontToAmend(c, id, kInfo);
    if (!font)
        return c.error(
            QStringLiteral("font information for a missing or described font %1").arg(id));
    FontData data = font->data();
    data.name = fontName(name, c.version());
    data.smallText = flags & 0x20;
    data.shiftJis = flags & 0x10;
    data.ansi = flags & 0x08;
    data.italic = flags & 0x04;
    data.bold = flags & 0x02;
    data.wideCodes = version >= 2 || (flags & 0x01);
    data.language = language;
    // A table shorter than the glyphs leaves the rest without a code.
    for (FontGlyph &glyph : data.glyphs) {
        if (r.remaining() < (data.wideCodes ? 2 : 1))
            break;
        glyph.code = data.wideCodes ? r.u16() : r.u8();
    }
    data.hasCodeTable = true;
    replaceFont(c, id, std::move(data), kInfo);
    return std::nullopt;
}

std::optional<Error> parseDefineFontInfo(TagContext &c)
{
    return parseFontInfo(c, 1);
}

std::optional<Error> parseDefineFontInfo2(TagContext &c)
{
    return parseFontInfo(c, 2);
}

// FLOAT16: sign, five exponent bits (bias 15), ten fraction bits.
float readFloat16(Reader &r)
{
    const quint16 bits = r.u16();
    const float sign = bits & 0x8000 ? -1.0f : 1.0f;
    const int exponent = (bits >> 10) & 0x1f;
    const float fraction = float(bits & 0x3ff) / 1024.0f;
    if (exponent == 0)
        return sign * std::ldexp(fraction, -14);
    if (exponent == 0x1f)
        return sign * std::numeric_limits<float>::infinity();
    return sign * std::ldexp(1.0f + fraction, exponent - 15);
}

std::optional<Error> parseDefineFontAlignZones(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    const quint8 hint = r.u8() >> 6;
    if (auto error = c.overrunError("DefineFontAlignZones"))
        return error;
    const Font *font = fontToAmend(c, id, kAlignZones);
    if (!font)
        return c.error(QStringLiteral("alignment zones for a missing or zoned font %1").arg(id));
    FontData data = font->data();
    data.csmTableHint = hint;
    data.alignZones.clear();
    std::optional<Error> error;
    while (!r.atEnd() && data.alignZones.size() < data.glyphs.size()) {
        AlignZone zone;
        const int count = r.u8();
        if (4 * qint64(count) + 1 > r.remaining()) {
            error = c.error(QStringLiteral("alignment zones cut short"));
            break;
        }
        for (int i = 0; i < count; ++i) {
            const float coordinate = readFloat16(r);
            zone.zones.emplace_back(coordinate, readFloat16(r));
        }
        const quint8 mask = r.u8();
        zone.maskY = mask & 0x02;
        zone.maskX = mask & 0x01;
        data.alignZones.push_back(std::move(zone));
    }
    replaceFont(c, id, std::move(data), kAlignZones);
    return error;
}

std::optional<Error> parseDefineFontName(TagContext &c)
{
    Reader &r = c.reader;
    const quint16 id = r.u16();
    const QByteArray name = r.cstring();
    const QByteArray copyright = r.atEnd() ? QByteArray() : r.cstring();
    if (auto error = c.overrunError("DefineFontName"))
        return error;
    const Font *font = fontToAmend(c, id, kName);
    if (!font)
        return c.error(QStringLiteral("name for a missing or named font %1").arg(id));
    FontData data = font->data();
    data.fullName = decodeMovieText(name, c.version());
    data.copyright = decodeMovieText(copyright, c.version());
    replaceFont(c, id, std::move(data), kName);
    return std::nullopt;
}

} // namespace

void registerFontTags(TagTable &table)
{
    table.add(TagCode::DefineFont, parseDefineFont, TagScope::Definition);
    table.add(TagCode::DefineFont2, parseDefineFont2, TagScope::Definition);
    table.add(TagCode::DefineFont3, parseDefineFont3, TagScope::Definition);
    table.add(TagCode::DefineFontInfo, parseDefineFontInfo, TagScope::Definition);
    table.add(TagCode::DefineFontInfo2, parseDefineFontInfo2, TagScope::Definition);
    table.add(TagCode::DefineFontAlignZones, parseDefineFontAlignZones, TagScope::Definition);
    table.add(TagCode::DefineFontName, parseDefineFontName, TagScope::Definition);
}

} // namespace swf
