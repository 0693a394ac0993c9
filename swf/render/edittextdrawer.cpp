// Text fields (DefineEditText): the white background and black border a
// field with a border has, then the laid-out text, scrolled and clipped to
// the field's box. Embedded glyphs come from the font's outlines; device
// text comes as outlines of the installed font, made when it was laid out.
#include "swf/render/drawkinds.h"
#include "swf/render/textglyphs.h"
#include "swf/runtime/edittextinstance.h"

#include <cmath>

namespace swf {

namespace {

const EditTextInstance &fieldOf(const DisplayObject &object)
{
    return static_cast<const EditTextInstance &>(object);
}

// The border lies on the pixels right of and below the box's edges, one
// device pixel wide whatever the scale, as the Flash Player draws it; the
// background fills what it encloses.
void drawFrame(const EditTextInstance &field, const DrawState &state, QPainter &painter)
{
    const QRectF box = field.layout().box;
    const FieldSettings &settings = field.settings();
    const QColor background = settings.background
                                  ? state.colorTransform.apply(settings.backgroundColor).toColor()
                                  : QColor(Qt::transparent);
    const QColor border = settings.border
                              ? state.colorTransform.apply(settings.borderColor).toColor()
                              : QColor(Qt::transparent);
    QPen pen(border, 1.0);
    pen.setCosmetic(true);
    pen.setJoinStyle(Qt::MiterJoin);
    const QTransform &t = state.transform;
    if (t.type() <= QTransform::TxScale && t.m11() > 0 && t.m22() > 0) {
        const QRectF device = t.mapRect(box);
        const QRectF pixels(std::round(device.left()), std::round(device.top()),
                            std::round(device.right()) - std::round(device.left()),
                            std::round(device.bottom()) - std::round(device.top()));
        painter.setTransform(QTransform());
        painter.fillRect(settings.border ? pixels.adjusted(0, 0, 1, 1) : pixels, background);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(pixels.translated(0.5, 0.5));
    } else {
        painter.setTransform(t);
        painter.fillRect(box, background);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box);
    }
    painter.setPen(Qt::NoPen);
}

// A focused input field's caret: a line one device pixel wide before the
// character the selection ends at.
void drawCaret(const EditTextInstance &field, const DrawState &state, QPainter &painter)
{
    const auto &carets = field.layout().carets;
    const int at = field.selectionEnd();
    if (!field.focused() || !field.settings().input || at < 0 || size_t(at) >= carets.size())
        return;
    QPen pen(state.colorTransform.apply(Rgba{0, 0, 0, 255}).toColor(), 1.0);
    pen.setCosmetic(true);
    painter.setTransform(state.transform);
    painter.setPen(pen);
    painter.drawLine(carets[size_t(at)]);
    painter.setPen(Qt::NoPen);
}

void drawRun(const LaidRun &run, const DrawState &state, DrawContext &context)
{
    const QColor color = state.colorTransform.apply(run.color).toColor();
    if (color.alpha() == 0)
        return;
    QPainter &painter = context.painter;
    if (run.font) {
        for (const PlacedGlyph &glyph : run.glyphs) {
            const QPainterPath *outline = glyphOutline(*run.font, glyph.index, context.shapes);
            if (!outline)
                continue;
            painter.setTransform(glyphTransform(*run.font, run.height, glyph.origin) *
                                 state.transform);
            painter.fillPath(*outline, color);
        }
    }
    painter.setTransform(state.transform);
    if (!run.outline.isEmpty())
        painter.fillPath(run.outline, color);
    for (const QRectF &underline : run.underlines)
        painter.fillRect(underline, color);
}

// Device text keeps its shape under a field stretched on one axis: it
// takes the vertical scale on both, from the box's top left corner.
QTransform textTransform(const EditTextInstance &field, const QTransform &t)
{
    if (field.settings().embedFonts || t.type() > QTransform::TxScale || t.m11() == t.m22())
        return t;
    const QPointF corner = field.layout().box.topLeft();
    const QPointF device = t.map(corner);
    return QTransform::fromTranslate(-corner.x(), -corner.y()) *
           QTransform::fromScale(t.m22(), t.m22()) *
           QTransform::fromTranslate(device.x(), device.y());
}

void drawEditText(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const EditTextInstance &field = fieldOf(object);
    // A field turned over on an axis (negative scale, unrotated) has a box
    // of negative size on the screen, and nothing of it shows.
    const QTransform &t = state.transform;
    if (t.type() <= QTransform::TxScale && (t.m11() < 0 || t.m22() < 0))
        return;
    // Device text is drawn opaque: a field without embedded fonts keeps
    // its colours' own alpha whatever its colour transform says.
    DrawState own = state;
    if (!field.settings().embedFonts) {
        own.colorTransform.multA = 256;
        own.colorTransform.addA = 0;
    }
    QPainter &painter = context.painter;
    painter.save();
    if (field.settings().border || field.settings().background)
        drawFrame(field, own, painter);
    // The text stays within the box, moved as the field is scrolled.
    painter.setTransform(state.transform);
    painter.setClipRect(field.layout().box, Qt::IntersectClip);
    const QPointF offset = field.scrollOffset();
    const DrawState scrolled{QTransform::fromTranslate(offset.x(), offset.y()) *
                                 textTransform(field, state.transform),
                             own.colorTransform};
    for (const LaidRun &run : field.layout().runs)
        drawRun(run, scrolled, context);
    drawCaret(field, scrolled, painter);
    painter.restore();
}

// The glyphs' area, within the box, for masks.
QPainterPath editTextOutline(const DisplayObject &object, DrawContext &context)
{
    const EditTextInstance &field = fieldOf(object);
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    for (const LaidRun &run : field.layout().runs) {
        if (run.font) {
            for (const PlacedGlyph &glyph : run.glyphs) {
                if (const QPainterPath *outline =
                        glyphOutline(*run.font, glyph.index, context.shapes))
                    area = area.united(
                        glyphTransform(*run.font, run.height, glyph.origin).map(*outline));
            }
        }
        if (!run.outline.isEmpty())
            area = area.united(run.outline);
    }
    area.translate(field.scrollOffset());
    QPainterPath box;
    box.addRect(field.layout().box);
    return area.intersected(box);
}

} // namespace

const DrawKind *editTextDrawKind()
{
    static constexpr DrawKind kind{drawEditText, editTextOutline};
    return &kind;
}

} // namespace swf
