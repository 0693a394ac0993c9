#include "swf/avm1/xmlparser.h"

#include "swf/limits.h"

#include <QHash>

namespace swf::avm1::xml {

namespace {

bool isWhite(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool allWhite(QStringView text)
{
    for (QChar c : text) {
        if (!isWhite(c))
            return false;
    }
    return true;
}

// The character a numeric reference names ("#65", "#x41"), or none.
bool numericEntity(QStringView body, QString &out)
{
    if (body.size() < 2 || body[0] != u'#')
        return false;
    bool ok = false;
    const bool hex = body[1] == u'x' || body[1] == u'X';
    const QStringView digits = body.mid(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return false;
    const uint code = digits.toUInt(&ok, hex ? 16 : 10);
    if (!ok || code == 0 || code > 0x10ffff || (code >= 0xd800 && code < 0xe000))
        return false;
    const char32_t c = char32_t(code);
    out += QString::fromUcs4(&c, 1);
    return true;
}

class Reader {
public:
    Reader(QStringView text, bool ignoreWhite) : m_text(text), m_ignoreWhite(ignoreWhite) {}

    Document run()
    {
        m_open.clear();
        while (m_pos < m_text.size() && m_doc.status == Status::Ok)
            step();
        if (m_doc.status == Status::Ok && !m_open.empty())
            m_doc.status = Status::MissingEndTag;
        return std::move(m_doc);
    }

private:
    std::vector<Node> &current()
    {
        return m_open.empty() ? m_doc.children : m_open.back()->children;
    }
    bool startsWith(QLatin1StringView what) const
    {
        return m_text.mid(m_pos).startsWith(what, Qt::CaseSensitive);
    }
    qsizetype find(QLatin1StringView what, qsizetype from) const
    {
        return m_text.indexOf(what, from);
    }
    void fail(int status) { m_doc.status = status; }

    bool countNode()
    {
        if (++m_nodes > limits::kMaxXmlNodes) {
            fail(Status::OutOfMemory);
            return false;
        }
        return true;
    }

    void addText(const QString &text)
    {
        std::vector<Node> &list = current();
        if (text.isEmpty() || (m_ignoreWhite && allWhite(text)))
            return;
        if (!countNode())
            return;
        Node node;
        node.type = kTextNode;
        node.value = text;
        list.push_back(std::move(node));
    }

    void step()
    {
        if (m_text[m_pos] != u'<') {
            qsizetype end = m_text.indexOf(u'<', m_pos);
            if (end < 0)
                end = m_text.size();
            addText(decodeEntities(m_text.mid(m_pos, end - m_pos)));
            m_pos = end;
            return;
        }
        if (startsWith(QLatin1StringView("<!--"))) {
            const qsizetype end = find(QLatin1StringView("-->"), m_pos + 4);
            if (end < 0)
                return fail(Status::CommentNotTerminated);
            m_pos = end + 3;
            return;
        }
        if (startsWith(QLatin1StringView("<![CDATA["))) {
            const qsizetype end = find(QLatin1StringView("]]>"), m_pos + 9);
            if (end < 0)
                return fail(Status::CdataNotTerminated);
            addText(m_text.mid(m_pos + 9, end - m_pos - 9).toString());
            m_pos = end + 3;
            return;
        }
        if (startsWith(QLatin1StringView("<!DOCTYPE")))
            return docType();
        if (startsWith(QLatin1StringView("<?"))) {
            const qsizetype end = find(QLatin1StringView("?>"), m_pos + 2);
            if (end < 0)
                return fail(Status::DeclNotTerminated);
            if (startsWith(QLatin1StringView("<?xml"))) {
                m_doc.hasXmlDecl = true;
                m_doc.xmlDecl = m_text.mid(m_pos, end + 2 - m_pos).toString();
            }
            m_pos = end + 2;
            return;
        }
        if (startsWith(QLatin1StringView("<!"))) {
            const qsizetype end = m_text.indexOf(u'>', m_pos);
            if (end < 0)
                return fail(Status::MalformedElement);
            m_pos = end + 1;
            return;
        }
        if (startsWith(QLatin1StringView("</")))
            return endTag();
        startTag();
    }

    void docType()
    {
        // The internal subset in brackets may hold '>'.
        int brackets = 0;
        for (qsizetype i = m_pos + 9; i < m_text.size(); ++i) {
            const QChar c = m_text[i];
            if (c == u'[')
                ++brackets;
            else if (c == u']' && brackets > 0)
                --brackets;
            else if (c == u'>' && brackets == 0) {
                m_doc.hasDocType = true;
                m_doc.docType = m_text.mid(m_pos, i + 1 - m_pos).toString();
                m_pos = i + 1;
                return;
            }
        }
        fail(Status::DocTypeNotTerminated);
    }

    void skipWhite()
    {
        while (m_pos < m_text.size() && isWhite(m_text[m_pos]))
            ++m_pos;
    }

    bool atTagEnd() const
    {
        return m_pos < m_text.size() &&
               (m_text[m_pos] == u'>' ||
                (m_text[m_pos] == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'>'));
    }

    void startTag()
    {
        ++m_pos;
        const qsizetype nameStart = m_pos;
        while (m_pos < m_text.size() && !isWhite(m_text[m_pos]) && !atTagEnd())
            ++m_pos;
        Node node;
        QHash<QString, qsizetype> names;
        node.name = m_text.mid(nameStart, m_pos - nameStart).toString();
        if (node.name.isEmpty())
            return fail(Status::MalformedElement);
        for (;;) {
            skipWhite();
            if (m_pos >= m_text.size())
                return fail(Status::MalformedElement);
            if (atTagEnd())
                break;
            const qsizetype attrStart = m_pos;
            while (m_pos < m_text.size() && !isWhite(m_text[m_pos]) && m_text[m_pos] != u'=' &&
                   m_text[m_pos] != u'>' && m_text[m_pos] != u'/')
                ++m_pos;
            const QString attrName = decodeEntities(m_text.mid(attrStart, m_pos - attrStart));
            skipWhite();
            if (attrName.isEmpty() || m_pos >= m_text.size() || m_text[m_pos] != u'=')
                return fail(Status::MalformedElement);
            ++m_pos;
            skipWhite();
            if (m_pos >= m_text.size() || (m_text[m_pos] != u'"' && m_text[m_pos] != u'\''))
                return fail(Status::MalformedElement);
            const qsizetype close = m_text.indexOf(m_text[m_pos], m_pos + 1);
            if (close < 0)
                return fail(Status::AttributeNotTerminated);
            QString value = decodeEntities(m_text.mid(m_pos + 1, close - m_pos - 1));
            m_pos = close + 1;
            // A name given again takes the later value, in its first place.
            const auto seen = names.constFind(attrName);
            if (seen != names.constEnd()) {
                node.attributes[size_t(*seen)].second = std::move(value);
            } else {
                names.insert(attrName, qsizetype(node.attributes.size()));
                node.attributes.emplace_back(attrName, std::move(value));
            }
        }
        const bool empty = m_text[m_pos] == u'/';
        m_pos += empty ? 2 : 1;
        if (!countNode())
            return;
        std::vector<Node> &list = current();
        list.push_back(std::move(node));
        if (empty)
            return;
        if (int(m_open.size()) >= limits::kMaxXmlDepth)
            return fail(Status::OutOfMemory);
        // Only the innermost open element gains children, so the pointers
        // to the others stay valid.
        m_open.push_back(&list.back());
    }

    void endTag()
    {
        m_pos += 2;
        const qsizetype nameStart = m_pos;
        while (m_pos < m_text.size() && !isWhite(m_text[m_pos]) && m_text[m_pos] != u'>' &&
               m_text[m_pos] != u'/')
            ++m_pos;
        const QStringView name = m_text.mid(nameStart, m_pos - nameStart);
        skipWhite();
        if (name.isEmpty() || m_pos >= m_text.size())
            return fail(Status::MalformedElement);
        if (m_text[m_pos] != u'>') {
            if (m_text[m_pos] != u'/')
                return fail(Status::MalformedElement);
        }
        if (!m_open.empty() && m_open.back()->name == name && m_text[m_pos] == u'>') {
            ++m_pos;
            m_open.pop_back();
            return;
        }
        for (const Node *open : m_open) {
            if (open->name == name)
                return fail(Status::MissingEndTag);
        }
        fail(Status::MissingStartTag);
    }

    QStringView m_text;
    bool m_ignoreWhite;
    qsizetype m_pos = 0;
    qint64 m_nodes = 0;
    std::vector<Node *> m_open;
    Document m_doc;
};

} // namespace

Document parse(QStringView text, bool ignoreWhite)
{
    return Reader(text, ignoreWhite).run();
}

QString decodeEntities(QStringView text)
{
    if (!text.contains(u'&'))
        return text.toString();
    static const struct {
        QLatin1StringView name;
        char16_t c;
    } named[] = {
        {QLatin1StringView("lt"), u'<'},    {QLatin1StringView("gt"), u'>'},
        {QLatin1StringView("amp"), u'&'},   {QLatin1StringView("quot"), u'"'},
        {QLatin1StringView("apos"), u'\''}, {QLatin1StringView("nbsp"), u'\u00a0'},
    };
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        // References are short: the semicolon is looked for close by only.
        const qsizetype near = text.mid(i + 1, 12).indexOf(u';');
        const qsizetype semi = near < 0 ? -1 : i + 1 + near;
        if (semi < 0) {
            out += c;
            ++i;
            continue;
        }
        const QStringView body = text.mid(i + 1, semi - i - 1);
        bool done = false;
        for (const auto &entity : named) {
            if (body == entity.name) {
                out += QChar(entity.c);
                done = true;
                break;
            }
        }
        if (!done)
            done = numericEntity(body, out);
        if (done) {
            i = semi + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QString escapeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'<':
            out += QLatin1StringView("&lt;");
            break;
        case u'>':
            out += QLatin1StringView("&gt;");
            break;
        case u'&':
            out += QLatin1StringView("&amp;");
            break;
        case u'"':
            out += QLatin1StringView("&quot;");
            break;
        case u'\'':
            out += QLatin1StringView("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace swf::avm1::xml
