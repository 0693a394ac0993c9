// Fonts, texts and buttons written for the tests of the text and button
// families: a font of block glyphs whose every edge is known.
#pragma once

#include "swftest.h"
#include "tools/swfwriter/buttonwriter.h"
#include "tools/swfwriter/fontwriter.h"
#include "tools/swfwriter/textwriter.h"

// Block glyphs on an EM square of 1024 units (times `unit` for DefineFont3):
//   'I'  a bar, x 0…400, y −800…0, advance 512
//   'O'  a square ring: x 0…800, y −800…0 with a hole 200…600, advance 1024
//   'L'  an L: a bar x 0…200 and a foot y −200…0 to x 600, advance 768
//   ' '  nothing, advance 256
// Ascent 800, descent 224.
inline swfwriter::FontSpec blockFont(const QString &name = QStringLiteral("Block"), int unit = 1)
{
    swfwriter::FontSpec font;
    font.name = name;
    font.ascent = quint16(800 * unit);
    font.descent = quint16(224 * unit);
    const auto rect = [unit](int x, int y, int w, int h) {
        return QRect(x * unit, y * unit, w * unit, h * unit);
    };
    swfwriter::GlyphSpec bar;
    bar.code = u'I';
    bar.outline.rect(rect(0, -800, 400, 800), bar.outline.addFill({0, 0, 0}));
    bar.advance = qint16(512 * unit);
    font.glyphs.push_back(bar);
    swfwriter::GlyphSpec ring;
    ring.code = u'O';
    const int fill = ring.outline.addFill({0, 0, 0});
    ring.outline.rect(rect(0, -800, 800, 800), fill).rect(rect(200, -600, 400, 400), fill);
    ring.advance = qint16(1024 * unit);
    font.glyphs.push_back(ring);
    swfwriter::GlyphSpec ell;
    ell.code = u'L';
    ell.outline.polygon({QPoint(0, -800 * unit), QPoint(200 * unit, -800 * unit),
                         QPoint(200 * unit, -200 * unit), QPoint(600 * unit, -200 * unit),
                         QPoint(600 * unit, 0), QPoint(0, 0)},
                        ell.outline.addFill({0, 0, 0}));
    ell.advance = qint16(768 * unit);
    font.glyphs.push_back(ell);
    swfwriter::GlyphSpec space;
    space.code = u' ';
    space.advance = qint16(256 * unit);
    space.bounds = swf::Rect{};
    font.glyphs.push_back(space);
    return font;
}

// Glyph indices of blockFont().
enum BlockGlyph : quint32 { GlyphI = 0, GlyphO = 1, GlyphL = 2, GlyphSpace = 3 };

// Counts pixels of `image` within `area` whose colour is near `color`.
inline int countColor(const QImage &image, const QColor &color, QRect area = {}, int tolerance = 40)
{
    if (area.isNull())
        area = image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (near(pixelAt(image, x, y), color, tolerance))
                ++count;
        }
    }
    return count;
}

// The smallest rectangle holding the pixels of `image` that are not near
// `background`; null when there are none.
inline QRect inkBounds(const QImage &image, const QColor &background = Qt::white,
                       int tolerance = 60)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!near(pixelAt(image, x, y), background, tolerance))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}
