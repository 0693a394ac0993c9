// The faces a text field draws with: for each format, either an embedded
// font (its glyph table, advances and ascent) or an installed font read
// through QRawFont at a design size and scaled. Made for one layout.
#pragma once

#include "swf/model/font.h"
#include "swf/runtime/textformat.h"

#include <QFont>
#include <QPainterPath>
#include <QRawFont>

#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace swf {

class Movie;

// One character as a face draws it; glyph −1 when the face has none.
struct ShapedChar {
    int glyph = -1;
    int source = 0;       // device faces: 0 the font itself, k the k-th fallback
    double advance = 0.0; // twips at the size asked for
};

class TextFace {
public:
    // An embedded font.
    explicit TextFace(const Font &font);
    // An installed font; `valid()` is false when none could be loaded.
    TextFace(const QString &name, bool bold, bool italic);

    bool valid() const { return m_font || m_raw.isValid(); }
    const Font *embeddedFont() const { return m_font; }
    double ascent(double size) const;
    double descent(double size) const;
    ShapedChar shape(char32_t c, double size);
    // The outline of a device glyph at `size`, with its origin at 0,0.
    QPainterPath devicePath(const ShapedChar &glyph, double size);

private:
    const QRawFont *rawFont(int source) const;
    void loadFallbacks();

    const Font *m_font = nullptr;
    QFont m_deviceFont;
    QRawFont m_raw;
    bool m_fallbacksLoaded = false;
    std::vector<QRawFont> m_fallbacks;
    std::unordered_map<quint64, QPainterPath> m_paths;
};

class FaceResolver {
public:
    // `fieldFont` is the field's own font: formats naming it use it even
    // when the movie holds other fonts of the same name.
    FaceResolver(const Movie &movie, bool embedded, const Font *fieldFont);

    // Null when the format cannot be drawn (an embedded name without
    // glyphs, or no font database for device fonts).
    TextFace *face(const CharFormat &format);

private:
    const Font *embeddedFont(const CharFormat &format) const;

    const Movie &m_movie;
    const bool m_embedded;
    const Font *m_fieldFont;
    std::map<std::tuple<QString, bool, bool>, std::unique_ptr<TextFace>> m_faces;
    TextFace *m_first = nullptr; // the field's own format comes first
};

} // namespace swf
