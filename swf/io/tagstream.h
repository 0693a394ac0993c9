// Walks a sequence of tags: each has a short header (code and a length up
// to 62) or a long one (length 63, then a 32-bit length).
#pragma once

#include <QByteArrayView>

namespace swf {

struct Tag {
    quint16 code = 0;
    // Offsets in the decoded movie: of the tag header and of the body.
    qint64 offset = 0;
    qint64 bodyOffset = 0;
    QByteArrayView body;
};

class TagStream {
public:
    // `data` holds the tags; `base` is its offset in the decoded movie.
    explicit TagStream(QByteArrayView data, qint64 base = 0) : m_data(data), m_base(base) {}
    explicit TagStream(QByteArray &&, qint64 = 0) = delete;

    // The next tag, false at the end of the data, after an End tag, or at a
    // tag whose length runs past the end (then cutShort() is true).
    bool next(Tag &tag);
    bool cutShort() const { return m_cutShort; }
    bool sawEnd() const { return m_sawEnd; }

private:
    QByteArrayView m_data;
    qint64 m_base = 0;
    qint64 m_pos = 0;
    bool m_cutShort = false;
    bool m_sawEnd = false;
};

} // namespace swf
