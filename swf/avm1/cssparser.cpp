#include "swf/avm1/cssparser.h"

namespace swf::avm1::css {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// "font-size" is fontSize: a dash makes the next character upper case.
QString propertyName(QStringView written)
{
    QString name;
    name.reserve(written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        if (written[i] == u'-' && i + 1 < written.size())
            name.append(written[++i].toUpper());
        else
            name.append(written[i]);
    }
    return name;
}

class Reader {
public:
    Reader(QStringView text, int version) : m_text(text), m_version(version) {}

    std::optional<std::vector<Rule>> rules()
    {
        std::vector<Rule> out;
        for (;;) {
            Rule rule;
            bool atEnd = false;
            if (!selectors(rule.selectors, atEnd))
                return std::nullopt;
            if (atEnd)
                return out;
            if (!block(rule.declarations))
                return std::nullopt;
            if (!rule.selectors.empty())
                out.push_back(std::move(rule));
            if (m_at >= m_text.size())
                return out;
        }
    }

private:
    bool done() const { return m_at >= m_text.size(); }
    QChar peek() const { return m_text[m_at]; }
    void skipBlanks()
    {
        while (!done() && isBlank(peek()))
            ++m_at;
    }

    // Names separated by commas up to '{'; empty ones are skipped, one
    // with a blank inside is an error. The text may end where no name
    // has begun.
    bool selectors(std::vector<QString> &names, bool &atEnd)
    {
        qsizetype start = m_at;
        const auto take = [&](qsizetype end) {
            const QStringView name = m_text.mid(start, end - start).trimmed();
            for (const QChar c : name) {
                if (isBlank(c))
                    return false;
            }
            if (!name.isEmpty())
                names.push_back(name.toString());
            return true;
        };
        for (; !done(); ++m_at) {
            if (peek() == u'{') {
                if (!take(m_at))
                    return false;
                ++m_at;
                return true;
            }
            if (peek() == u',') {
                if (!take(m_at))
                    return false;
                start = m_at + 1;
            }
        }
        atEnd = true;
        return names.empty() && m_text.mid(start).trimmed().isEmpty();
    }

    // "name: value;" pairs up to '}'. The text may end after a ';'.
    bool block(std::vector<std::pair<QString, QString>> &declarations)
    {
        if (m_version >= 8)
            skipBlanks();
        if (!done() && peek() == u'}') {
            ++m_at;
            return true;
        }
        for (;;) {
            skipBlanks();
            const qsizetype nameStart = m_at;
            while (!done() && peek() != u':') {
                if (peek() == u';' || peek() == u'}' || peek() == u'{')
                    return false;
                ++m_at;
            }
            if (done())
                return false;
            const QStringView name = m_text.mid(nameStart, m_at - nameStart).trimmed();
            if (name.isEmpty())
                return false;
            ++m_at; // ':'
            skipBlanks();
            const qsizetype valueStart = m_at;
            while (!done() && peek() != u';' && peek() != u'}')
                ++m_at;
            if (done())
                return false;
            declarations.emplace_back(propertyName(name),
                                      m_text.mid(valueStart, m_at - valueStart).toString());
            if (peek() == u'}') {
                ++m_at;
                return true;
            }
            ++m_at; // ';'
            skipBlanks();
            if (done())
                return true;
            if (peek() == u'}') {
                ++m_at;
                return true;
            }
        }
    }

    QStringView m_text;
    int m_version;
    qsizetype m_at = 0;
};

} // namespace

std::optional<std::vector<Rule>> parse(QStringView text, int version)
{
    return Reader(text, version).rules();
}

} // namespace swf::avm1::css
