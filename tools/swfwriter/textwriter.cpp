#include "tools/swfwriter/textwriter.h"

#include "swf/io/tagcodes.h"

#include <algorithm>

namespace swfwriter {

namespace {

void writeRun(BitWriter &w, const TextRun &run, int version, int glyphBits, int advanceBits)
{
    w.align();
    w.ub(1, 1); // text record type
    w.ub(3, 0);
    w.ub(1, run.fontId.has_value());
    w.ub(1, run.color.has_value());
    w.ub(1, run.y.has_value());
    w.ub(1, run.x.has_value());
    if (run.fontId)
        w.u16(*run.fontId);
    if (run.color)
        version >= 2 ? writeRgba(w, *run.color) : writeRgb(w, *run.color);
    if (run.x)
        w.u16(quint32(quint16(*run.x)));
    if (run.y)
        w.u16(quint32(quint16(*run.y)));
    if (run.fontId)
        w.u16(run.height.value_or(0));
    w.u8(quint32(run.glyphs.size()));
    for (const swf::GlyphEntry &glyph : run.glyphs) {
        w.ub(glyphBits, glyph.index);
        w.sb(advanceBits, glyph.advance);
    }
    w.align();
}

} // namespace

quint16 defineText(SwfWriter &movie, const TextSpec &text, int version, std::optional<quint16> id)
{
    const quint16 textId = movie.takeId(id);
    int glyphBits = 1;
    int advanceBits = 1;
    for (const TextRun &run : text.runs) {
        for (const swf::GlyphEntry &glyph : run.glyphs) {
            glyphBits = std::max(glyphBits, BitWriter::unsignedBits(glyph.index));
            advanceBits = std::max(advanceBits, BitWriter::signedBits(glyph.advance));
        }
    }
    BitWriter w;
    w.u16(textId);
    writeRect(w, text.bounds);
    writeMatrix(w, text.matrix);
    w.u8(quint32(glyphBits));
    w.u8(quint32(advanceBits));
    for (const TextRun &run : text.runs)
        writeRun(w, run, version, glyphBits, advanceBits);
    w.u8(0); // end of records
    movie.rawTag(version >= 2 ? swf::TagCode::DefineText2 : swf::TagCode::DefineText, w.data());
    return textId;
}

quint16 defineEditText(SwfWriter &movie, const EditTextSpec &f, std::optional<quint16> id)
{
    const quint16 fieldId = movie.takeId(id);
    BitWriter w;
    w.u16(fieldId);
    writeRect(w, f.bounds);
    w.ub(1, f.text.has_value());
    w.ub(1, f.wordWrap);
    w.ub(1, f.multiline);
    w.ub(1, f.password);
    w.ub(1, f.readOnly);
    w.ub(1, f.color.has_value());
    w.ub(1, f.maxLength.has_value());
    w.ub(1, f.fontId.has_value());
    w.ub(1, f.fontClass.has_value());
    w.ub(1, f.autoSize);
    w.ub(1, f.layout.has_value());
    w.ub(1, f.noSelect);
    w.ub(1, f.border);
    w.ub(1, f.wasStatic);
    w.ub(1, f.html);
    w.ub(1, f.useOutlines);
    if (f.fontId)
        w.u16(*f.fontId);
    if (f.fontClass)
        w.cstring(f.fontClass->toUtf8());
    if (f.fontId || f.fontClass)
        w.u16(f.fontHeight);
    if (f.color)
        writeRgba(w, *f.color);
    if (f.maxLength)
        w.u16(*f.maxLength);
    if (f.layout) {
        w.u8(quint32(f.layout->align));
        w.u16(f.layout->leftMargin);
        w.u16(f.layout->rightMargin);
        w.u16(f.layout->indent);
        w.u16(quint32(quint16(f.layout->leading)));
    }
    w.cstring(f.variableName.toUtf8());
    if (f.text)
        w.cstring(f.text->toUtf8());
    movie.rawTag(swf::TagCode::DefineEditText, w.data());
    return fieldId;
}

} // namespace swfwriter
