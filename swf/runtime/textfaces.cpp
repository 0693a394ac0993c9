#include "swf/runtime/textfaces.h"

#include "swf/limits.h"
#include "swf/log.h"
#include "swf/model/movie.h"
#include "swf/runtime/devicefonts.h"

#include <QFontDatabase>

namespace swf {

namespace {

// Installed fonts are read at this pixel size and scaled to the text's.
constexpr double kDesignSize = 1024.0;

// The rightmost point of a glyph outline, for fonts without advances.
double outlineRight(const Shape &shape)
{
    QPoint pen;
    int right = 0;
    for (const ShapeRecord &record : shape.records) {
        if (const auto *change = std::get_if<StyleChangeRecord>(&record)) {
            if (change->moveTo)
                pen = *change->moveTo;
        } else if (const auto *line = std::get_if<StraightEdgeRecord>(&record)) {
            pen += line->delta;
        } else if (const auto *curve = std::get_if<CurvedEdgeRecord>(&record)) {
            pen += curve->control + curve->anchor;
        }
        right = qMax(right, pen.x());
    }
    return right;
}

} // namespace

TextFace::TextFace(const Font &font) : m_font(&font)
{
}

TextFace::TextFace(const QString &name, bool bold, bool italic)
{
    m_deviceFont = deviceFont(name, bold, italic, int(kDesignSize));
    m_raw = QRawFont::fromFont(m_deviceFont);
}

// Characters the font lacks come from fonts that have them, as the
// system's own text drawing falls back; looked for on first need.
void TextFace::loadFallbacks()
{
    m_fallbacksLoaded = true;
    for (const auto system : {QFontDatabase::SimplifiedChinese, QFontDatabase::Japanese,
                              QFontDatabase::Korean, QFontDatabase::Any}) {
        QRawFont fallback = QRawFont::fromFont(m_deviceFont, system);
        if (fallback.isValid())
            m_fallbacks.push_back(std::move(fallback));
    }
}

double TextFace::ascent(double size) const
{
    if (m_font) {
        const FontData &data = m_font->data();
        return data.hasLayout ? data.ascent * size / m_font->emSquare() : size * 0.8;
    }
    return m_raw.isValid() ? m_raw.ascent() * size / kDesignSize : size * 0.8;
}

double TextFace::descent(double size) const
{
    if (m_font) {
        const FontData &data = m_font->data();
        return data.hasLayout ? data.descent * size / m_font->emSquare() : size * 0.2;
    }
    return m_raw.isValid() ? m_raw.descent() * size / kDesignSize : size * 0.2;
}

const QRawFont *TextFace::rawFont(int source) const
{
    if (source == 0)
        return &m_raw;
    return source <= int(m_fallbacks.size()) ? &m_fallbacks[size_t(source - 1)] : nullptr;
}

ShapedChar TextFace::shape(char32_t c, double size)
{
    ShapedChar shaped;
    if (m_font) {
        shaped.glyph = m_font->glyphIndex(c);
        const FontGlyph *glyph = m_font->glyph(shaped.glyph);
        if (!glyph)
            return ShapedChar{};
        const double units =
            glyph->advance ? *glyph->advance : (glyph->shape ? outlineRight(*glyph->shape) : 0.0);
        shaped.advance = units * size / m_font->emSquare();
        return shaped;
    }
    const QString text = QString::fromUcs4(&c, 1);
    for (int source = 0;; ++source) {
        if (source == 1 && !m_fallbacksLoaded)
            loadFallbacks();
        if (source > int(m_fallbacks.size()))
            break;
        const QRawFont *raw = rawFont(source);
        if (!raw->isValid() || !raw->supportsCharacter(c))
            continue;
        const QList<quint32> glyphs = raw->glyphIndexesForString(text);
        if (glyphs.size() != 1 || glyphs.front() == 0)
            continue;
        const QList<QPointF> advances = raw->advancesForGlyphIndexes(glyphs);
        shaped.glyph = int(glyphs.front());
        shaped.source = source;
        shaped.advance = advances.value(0).x() * size / kDesignSize;
        return shaped;
    }
    return ShapedChar{};
}

QPainterPath TextFace::devicePath(const ShapedChar &glyph, double size)
{
    const QRawFont *raw = rawFont(glyph.source);
    if (!raw || glyph.glyph < 0)
        return {};
    const quint64 key = (quint64(quint32(glyph.source)) << 32) | quint32(glyph.glyph);
    auto it = m_paths.find(key);
    if (it == m_paths.end())
        it = m_paths.emplace(key, raw->pathForGlyph(quint32(glyph.glyph))).first;
    const double scale = size / kDesignSize;
    return QTransform::fromScale(scale, scale).map(it->second);
}

FaceResolver::FaceResolver(const Movie &movie, bool embedded, const Font *fieldFont)
    : m_movie(movie), m_embedded(embedded), m_fieldFont(fieldFont)
{
}

// The font a format names: the field's own when it matches, else the
// movie's font of that name and style with the most glyphs (a style the
// movie lacks falls back to the name alone).
const Font *FaceResolver::embeddedFont(const CharFormat &format) const
{
    const auto matches = [&](const Font &font, bool style) {
        return font.name().compare(format.face, Qt::CaseInsensitive) == 0 &&
               (!style || (font.data().bold == format.bold && font.data().italic == format.italic));
    };
    if (m_fieldFont && matches(*m_fieldFont, true))
        return m_fieldFont;
    for (const bool style : {true, false}) {
        const Font *best = nullptr;
        for (const auto &[id, character] : m_movie.dictionary()) {
            if (character->kind() != CharacterKind::Font)
                continue;
            const auto &font = static_cast<const Font &>(*character);
            if (font.glyphCount() > 0 && matches(font, style) &&
                (!best || font.glyphCount() > best->glyphCount()))
                best = &font;
        }
        if (best)
            return best;
    }
    return m_fieldFont && matches(*m_fieldFont, false) ? m_fieldFont : nullptr;
}

TextFace *FaceResolver::face(const CharFormat &format)
{
    auto key = std::make_tuple(format.face.toLower(), format.bold, format.italic);
    auto it = m_faces.find(key);
    if (it != m_faces.end())
        return it->second.get();
    if (int(m_faces.size()) >= limits::kMaxTextFaces) {
        qCDebug(lcSwfRender) << "too many fonts in one text field;" << format.face << "not used";
        return m_first;
    }
    std::unique_ptr<TextFace> face;
    if (m_embedded) {
        if (const Font *font = embeddedFont(format); font && font->glyphCount() > 0)
            face = std::make_unique<TextFace>(*font);
    } else if (deviceFontsAvailable()) {
        face = std::make_unique<TextFace>(format.face, format.bold, format.italic);
        if (!face->valid())
            face.reset();
    } else {
        qCDebug(lcSwfRender) << "no font database; device text is not drawn";
    }
    TextFace *made = m_faces.emplace(std::move(key), std::move(face)).first->second.get();
    if (m_faces.size() == 1)
        m_first = made;
    return made;
}

} // namespace swf
