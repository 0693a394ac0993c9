// A text field's text set out in lines: glyph runs positioned in the
// field's coordinates (twips), ready to be painted. Embedded fonts give
// glyph indices and their origins; device fonts give outlines made from
// the installed font the name maps to.
#pragma once

#include "swf/model/edittext.h"
#include "swf/model/font.h"
#include "swf/types.h"

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
    // Characters left out to stay within the limits.
    bool cutShort = false;
};

// Lays out `text` (HTML when the field says so) with the field's format.
TextLayout layOutText(const EditText &field, const QString &text, const Movie &movie);

} // namespace swf
