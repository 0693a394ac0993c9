// Writers of DefineText 1/2 and DefineEditText.
//
//   swfwriter::TextSpec text;
//   swfwriter::TextRun run;
//   run.fontId = fontId;
//   run.height = px(20);
//   run.color = swf::Rgba{255, 0, 0, 255};
//   run.y = px(20);
//   run.glyphs = {{0, px(12)}, {1, px(12)}};   // glyph index, advance
//   text.runs.push_back(run);
//   const quint16 textId = swfwriter::defineText(movie, text);
#pragma once

#include "swf/model/edittext.h"
#include "swf/model/text.h"
#include "tools/swfwriter/swfwriter.h"

#include <optional>
#include <vector>

namespace swfwriter {

// A TEXTRECORD: absent fields are not written.
struct TextRun {
    std::optional<quint16> fontId;
    std::optional<quint16> height; // twips; written with the font
    std::optional<swf::Rgba> color;
    std::optional<qint16> x;
    std::optional<qint16> y;
    std::vector<swf::GlyphEntry> glyphs;
};

struct TextSpec {
    // The runs' extent is not computed: give the bounds.
    swf::Rect bounds;
    swf::Matrix matrix;
    std::vector<TextRun> runs;
};

// DefineText (version 1, RGB colours) or DefineText2 (RGBA).
quint16 defineText(SwfWriter &movie, const TextSpec &text, int version = 2,
                   std::optional<quint16> id = std::nullopt);

struct EditTextSpec {
    swf::Rect bounds;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = true;
    bool autoSize = false;
    bool noSelect = false;
    bool border = false;
    bool wasStatic = false;
    bool html = false;
    bool useOutlines = false;
    std::optional<quint16> fontId;
    std::optional<QString> fontClass;
    quint16 fontHeight = 240; // twips
    std::optional<swf::Rgba> color;
    std::optional<quint16> maxLength;
    std::optional<swf::EditTextLayout> layout;
    QString variableName;
    std::optional<QString> text; // UTF-8 in the file
};

quint16 defineEditText(SwfWriter &movie, const EditTextSpec &field,
                       std::optional<quint16> id = std::nullopt);

} // namespace swfwriter
