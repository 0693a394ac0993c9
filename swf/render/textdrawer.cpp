// Static text (DefineText) drawn with its embedded glyphs: each record
// may change the font, height, colour and pen position; the pen moves on
// by each glyph's advance. Glyph outlines are filled with the text colour
// under the text's own matrix.
#include "swf/model/movie.h"
#include "swf/model/text.h"
#include "swf/render/drawkinds.h"
#include "swf/render/textglyphs.h"
#include "swf/runtime/displayobject.h"

namespace swf {

namespace {

const Font *fontOf(const Movie &movie, quint16 id)
{
    const Character *character = movie.character(id);
    if (!character || character->kind() != CharacterKind::Font)
        return nullptr;
    return static_cast<const Font *>(character);
}

// Calls `visit(outline, glyphToText, colour)` for every glyph that has an
// outline, in the text's own coordinates.
template <typename Visit> void forEachGlyph(const Text &text, DrawContext &context, Visit visit)
{
    const Font *font = nullptr;
    Rgba color;
    double height = 0.0;
    double x = 0.0;
    double y = 0.0;
    for (const TextRecord &record : text.records) {
        if (record.fontId)
            font = fontOf(context.movie, *record.fontId);
        if (record.height)
            height = *record.height;
        if (record.color)
            color = *record.color;
        if (record.xOffset)
            x = *record.xOffset;
        if (record.yOffset)
            y = *record.yOffset;
        for (const GlyphEntry &entry : record.glyphs) {
            // A glyph past the font's table, or of a missing font, is not
            // drawn; the pen still moves on.
            const QPainterPath *outline =
                font && height > 0.0 ? glyphOutline(*font, entry.index, context.shapes) : nullptr;
            if (outline)
                visit(*outline, glyphTransform(*font, height, QPointF(x, y)), color);
            x += entry.advance;
        }
    }
}

void drawText(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &text = static_cast<const Text &>(*object.character());
    const QTransform textTransform = text.matrix.toTransform() * state.transform;
    QPainter &painter = context.painter;
    forEachGlyph(text, context,
                 [&](const QPainterPath &outline, const QTransform &glyph, Rgba color) {
                     const QColor fill = state.colorTransform.apply(color).toColor();
                     if (fill.alpha() == 0)
                         return;
                     painter.setTransform(glyph * textTransform);
                     painter.fillPath(outline, fill);
                 });
}

QPainterPath textOutline(const DisplayObject &object, DrawContext &context)
{
    const auto &text = static_cast<const Text &>(*object.character());
    const QTransform textTransform = text.matrix.toTransform();
    QPainterPath area;
    forEachGlyph(text, context, [&](const QPainterPath &outline, const QTransform &glyph, Rgba) {
        const QPainterPath mapped = (glyph * textTransform).map(outline);
        area = area.isEmpty() ? mapped : area.united(mapped);
    });
    return area;
}

} // namespace

const DrawKind *textDrawKind()
{
    static constexpr DrawKind kind{drawText, textOutline};
    return &kind;
}

} // namespace swf
