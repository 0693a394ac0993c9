// A text field's text set out in lines: glyph runs positioned in the
// field's coordinates (twips), ready to be painted. Embedded fonts give
// glyph indices and their origins; device fonts give outlines made from
// the installed font the name maps to.
#pragma once

#include "swf/model/edittext.h"
#include "swf/model/font.h"
#include "swf/types.h"

#include <QLineF>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <vector>

namespace swf {

class Movie;

struct PlacedGlyph {
    int index = 0;  // into the font's glyph table
    QPointF origin; // twips, on the baseline
};

struct LaidRun {
    Rgba color;
    // Embedded glyphs: the font, the text height in twips and the glyphs.
    const Font *font = nullptr;
    double height = 0.0;
    std::vector<PlacedGlyph> glyphs;
    // Device fonts: the outlines of the run's characters, in twips.
    QPainterPath outline;
    // Underlines, in twips.
    std::vector<QRectF> underlines;
};

struct TextLayout {
    // The field's box: the bounds of the definition, grown by auto-size.
    QRectF box;
    std::vector<LaidRun> runs;
    // The text's own extent, in twips, margins excluded.
    QRectF textExtent;
    // The top of each line, in twips, in order: scrolling by lines moves
    // the text up by the distance between the first line's and another's.
    std::vector<double> lineTops;
    // Where a caret before each character of the text is drawn (the last
    // for the end of the text), in twips.
    std::vector<QLineF> carets;
    // Characters left out to stay within the limits.
    bool cutShort = false;
};

struct CharFormat;
struct ParagraphFormat;
struct TextParagraph;

// How a field grows to its text: from its left edge, around its centre,
// from its right edge, or (a field defined to auto-size) as its first
// paragraph is aligned.
enum class AutoSize : quint8 { None, Left, Center, Right, FromAlign };

// What the layout of a field's text depends on besides the text.
struct FieldLayoutSettings {
    QRectF bounds; // twips
    bool wordWrap = false;
    bool password = false;
    bool useOutlines = false; // embedded glyphs
    AutoSize autoSize = AutoSize::None;
    const Font *font = nullptr; // the field's own font, if any
};

// Lays out formatted paragraphs; `base` is the field's first format.
TextLayout layOutParagraphs(const FieldLayoutSettings &settings,
                            const std::vector<TextParagraph> &text, const CharFormat &base,
                            const Movie &movie);
// The field's own font, and the formats it starts with.
const Font *fieldFont(const EditText &field, const Movie &movie);
CharFormat baseFormat(const EditText &field, const Font *font);
ParagraphFormat baseParagraph(const EditText &field);

} // namespace swf
