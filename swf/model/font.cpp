#include "swf/model/font.h"

namespace swf {

Font::Font(quint16 id, FontData data) : Character(id), m_data(std::move(data))
{
    if (!m_data.hasCodeTable)
        return;
    m_codes.reserve(m_data.glyphs.size());
    // The first glyph listed for a code wins.
    for (int i = 0; i < glyphCount(); ++i)
        m_codes.emplace(m_data.glyphs[size_t(i)].code, i);
}

int Font::glyphIndex(char32_t code) const
{
    if (code > 0xffff)
        return -1;
    const auto it = m_codes.find(quint16(code));
    return it == m_codes.end() ? -1 : it->second;
}

} // namespace swf
