#include "swf/io/tagstream.h"

#include "swf/io/reader.h"
#include "swf/io/tagcodes.h"

namespace swf {

bool TagStream::next(Tag &tag)
{
    if (m_sawEnd || m_cutShort || m_pos >= m_data.size())
        return false;
    Reader r(m_data.sliced(m_pos));
    const quint16 codeAndLength = r.u16();
    qint64 length = codeAndLength & 0x3f;
    if (length == 0x3f)
        length = r.u32();
    // A lone byte at the very end is padding some writers leave, not a tag.
    if (!r.ok() || length > r.remaining()) {
        m_cutShort = r.ok() || m_data.size() - m_pos > 1;
        m_pos = m_data.size();
        return false;
    }
    tag.code = codeAndLength >> 6;
    tag.offset = m_base + m_pos;
    tag.bodyOffset = tag.offset + r.position();
    tag.body = m_data.sliced(m_pos + r.position(), length);
    m_pos += r.position() + length;
    if (tag.code == TagCode::End)
        m_sawEnd = true;
    return true;
}

} // namespace swf
