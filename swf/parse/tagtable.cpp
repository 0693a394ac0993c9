#include "swf/parse/tagtable.h"

#include "swf/parse/tagfamilies.h"

namespace swf {

void TagTable::add(quint16 code, TagHandler handler, TagScope scope)
{
    if (code < m_entries.size())
        m_entries[code] = Entry{handler, scope};
}

const TagTable::Entry *TagTable::find(quint16 code) const
{
    if (code >= m_entries.size() || !m_entries[code].handler)
        return nullptr;
    return &m_entries[code];
}

const TagTable &TagTable::standard()
{
    static const TagTable table = [] {
        TagTable t;
        registerTimelineTags(t);
        registerDisplayListTags(t);
        registerShapeTags(t);
        registerSpriteTags(t);
        registerBitmapTags(t);
        registerMorphTags(t);
        registerFontTags(t);
        registerTextTags(t);
        registerButtonTags(t);
        registerSoundTags(t);
        registerScriptTags(t);
        registerVideoTags(t);
        return t;
    }();
    return table;
}

} // namespace swf
