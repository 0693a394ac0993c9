// Tag family: text: DefineText 1/2, DefineEditText.
#include "swf/io/tagcodes.h"
#include "swf/limits.h"
#include "swf/model/edittext.h"
#include "swf/model/text.h"
#include "swf/parse/records.h"
#include "swf/parse/tagfamilies.h"
#include "swf/parse/tagtable.h"
#include "swf/parse/textencoding.h"

namespace swf {

namespace {

// One TEXTRECORD after its first byte (type and style flags). False when
// the record is damaged or the movie's glyph entries are used up.
bool readTextRecord(TagContext &c, quint8 flags, int version, int glyphBits, int advanceBits,
                    TextRecord &record)
{
    Reader &r = c.reader;
    if (flags & 0x08)
        record.fontId = r.u16();
    if (flags & 0x04)
        record.color = version >= 2 ? readRgba(r) : readRgb(r);
    if (flags & 0x01)
        record.xOffset = r.s16();
    if (flags & 0x02)
        record.yOffset = r.s16();
    if (flags & 0x08)
        record.height = r.u16();
    const int count = r.u8();
    if (!r.ok())
        return false;
    // Entries without bits carry nothing and would cost memory for free.
    if (count > 0 && glyphBits + advanceBits == 0)
        return false;
    if (qint64(count) * (glyphBits + advanceBits) > 8 * r.remaining())
        return false;
    if (c.movie.stats.textGlyphs + count > limits::kMaxMovieTextGlyphs) {
        c.movie.stats.overLimits = true;
        return false;
    }
    c.movie.stats.textGlyphs += count;
    record.glyphs.resize(size_t(count));
    for (GlyphEntry &glyph : record.glyphs) {
        glyph.index = r.ub(glyphBits);
        glyph.advance = r.sb(advanceBits);
    }
    r.align();
    return r.ok();
}

// DefineText and DefineText2. Records end at a zero byte; a text cut short
// keeps the records read before the cut.
std::optional<Error> parseText(TagContext &c, int version)
{
    Reader &r = c.reader;
    auto text = std::make_unique<Text>(r.u16());
    text->version = version;
    text->bounds = readRect(r);
    text->matrix = readMatrix(r);
    const int glyphBits = r.u8();
    const int advanceBits = r.u8();
    if (auto error = c.overrunError("DefineText"))
        return error;
    if (glyphBits > 32 || advanceBits > 32)
        return c.error(
            QStringLiteral("glyph entries of %1 and %2 bits").arg(glyphBits).arg(advanceBits));
    std::optional<Error> error;
    while (true) {
        const quint8 flags = r.u8();
        if (!r.ok()) {
            error = c.overrunError("text records");
            break;
        }
        if (flags == 0)
            break;
        TextRecord record;
        if (!(flags & 0x80) || !readTextRecord(c, flags, version, glyphBits, advanceBits, record)) {
            error = c.error(QStringLiteral("damaged text record"));
            break;
        }
        text->records.push_back(std::move(record));
    }
    c.define(std::move(text));
    return error;
}

std::optional<Error> parseDefineText(TagContext &c)
{
    return parseText(c, 1);
}

std::optional<Error> parseDefineText2(TagContext &c)
{
    return parseText(c, 2);
}

void readEditTextFlags(Reader &r, EditText &field, bool &hasText, bool &hasColor,
                       bool &hasMaxLength, bool &hasFont, bool &hasFontClass, bool &hasLayout)
{
    const quint8 first = r.u8();
    const quint8 second = r.u8();
    hasText = first & 0x80;
    field.wordWrap = first & 0x40;
    field.multiline = first & 0x20;
    field.password = first & 0x10;
    field.readOnly = first & 0x08;
    hasColor = first & 0x04;
    hasMaxLength = first & 0x02;
    hasFont = first & 0x01;
    hasFontClass = second & 0x80;
    field.autoSize = second & 0x40;
    hasLayout = second & 0x20;
    field.noSelect = second & 0x10;
    field.border = second & 0x08;
    field.wasStatic = second & 0x04;
    field.html = second & 0x02;
    field.useOutlines = second & 0x01;
}

std::optional<Error> parseDefineEditText(TagContext &c)
{
    Reader &r = c.reader;
    auto field = std::make_unique<EditText>(r.u16());
    field->bounds = readRect(r);
    bool hasText, hasColor, hasMaxLength, hasFont, hasFontClass, hasLayout;
    readEditTextFlags(r, *field, hasText, hasColor, hasMaxLength, hasFont, hasFontClass, hasLayout);
    if (hasFont)
        field->fontId = r.u16();
    if (hasFontClass)
        field->fontClass = decodeMovieText(r.cstring(), c.version());
    if (hasFont || hasFontClass)
        field->fontHeight = r.u16();
    if (hasColor)
        field->textColor = readRgba(r);
    if (hasMaxLength)
        field->maxLength = r.u16();
    if (hasLayout) {
        EditTextLayout layout;
        const quint8 align = r.u8();
        layout.align = align <= 3 ? TextAlign(align) : TextAlign::Left;
        layout.leftMargin = r.u16();
        layout.rightMargin = r.u16();
        layout.indent = r.u16();
        layout.leading = r.s16();
        field->layout = layout;
    }
    field->variableName = decodeMovieText(r.cstring(), c.version());
    if (auto error = c.overrunError("DefineEditText"))
        return error;
    // A text cut short keeps what it holds.
    std::optional<Error> error;
    if (hasText) {
        // Embedded glyphs are found by the text's byte values.
        const QByteArray text = r.cstring();
        field->initialText =
            field->useOutlines ? decodeText(text, c.version()) : decodeMovieText(text, c.version());
        error = c.overrunError("text field text");
    }
    c.define(std::move(field));
    return error;
}

} // namespace

void registerTextTags(TagTable &table)
{
    table.add(TagCode::DefineText, parseDefineText, TagScope::Definition);
    table.add(TagCode::DefineText2, parseDefineText2, TagScope::Definition);
    table.add(TagCode::DefineEditText, parseDefineEditText, TagScope::Definition);
}

} // namespace swf
