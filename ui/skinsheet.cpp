#include "ui/skinsheet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <optional>

namespace {

bool isJunkCharacter(char16_t c)
{
    const bool whitespaceControl = c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    return (c < 0x20 && !whitespaceControl) || c == 0x7f;
}

bool isIdentifierCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_';
}

// Qt's style-sheet scanner keeps escapes inside strings as they stand, so a
// path is quoted with a quote character it does not contain rather than
// escaped. A path that cannot be written as a string is refused.
std::optional<QString> quotedCssString(const QString &path)
{
    if (path.contains(u'\n') || path.contains(u'\r') || path.contains(u'\f') ||
        path.endsWith(u'\\'))
        return std::nullopt;
    for (QChar quote : {QChar(u'"'), QChar(u'\'')}) {
        if (!path.contains(quote))
            return quote + path + quote;
    }
    return std::nullopt;
}

// Walks the sheet once: copies it, rewrites url(...) references, and checks
// that comments, strings, parentheses and blocks are closed. Qt itself drops
// a whole sheet it cannot parse, but only when it is applied and with no
// more than a warning; these checks refuse a damaged skin before that.
class SheetScanner {
public:
    SheetScanner(const QString &text, const QString &folder) : m_text(text), m_folder(folder) {}

    bool run();
    QString output() const { return m_out; }
    QString error() const { return m_error; }
    QStringList imagePaths() const { return m_images; }

private:
    bool fail(const QString &what);
    bool atUrl() const;
    bool copyComment();
    bool readString(QString *value);
    bool copyUrl();
    std::optional<QString> resolve(const QString &reference);
    void skipWhitespace();
    QChar peek(qsizetype ahead = 0) const;

    const QString &m_text;
    const QString m_folder;
    qsizetype m_pos = 0;
    int m_blocks = 0;
    int m_parens = 0;
    QString m_out;
    QString m_error;
    QStringList m_images;
};

QChar SheetScanner::peek(qsizetype ahead) const
{
    const qsizetype at = m_pos + ahead;
    return at < m_text.size() ? m_text.at(at) : QChar();
}

bool SheetScanner::fail(const QString &what)
{
    const qsizetype end = qMin(m_pos, m_text.size());
    const qsizetype line = m_text.left(end).count(u'\n') + 1;
    m_error = QStringLiteral("line %1: %2").arg(line).arg(what);
    return false;
}

bool SheetScanner::atUrl() const
{
    if (m_pos > 0 && isIdentifierCharacter(m_text.at(m_pos - 1)))
        return false;
    return QStringView(m_text).mid(m_pos, 4).compare(u"url(", Qt::CaseInsensitive) == 0;
}

void SheetScanner::skipWhitespace()
{
    while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
        ++m_pos;
}

bool SheetScanner::copyComment()
{
    const qsizetype end = m_text.indexOf(QStringLiteral("*/"), m_pos + 2);
    if (end < 0)
        return fail(QStringLiteral("comment not closed"));
    m_out += QStringView(m_text).mid(m_pos, end + 2 - m_pos);
    m_pos = end + 2;
    return true;
}

// Reads a quoted string starting at the quote; `value` gets its text between
// the quotes, escapes kept.
bool SheetScanner::readString(QString *value)
{
    const QChar quote = m_text.at(m_pos);
    const qsizetype start = ++m_pos;
    while (m_pos < m_text.size()) {
        const QChar c = m_text.at(m_pos);
        if (c == quote) {
            *value = m_text.mid(start, m_pos - start);
            ++m_pos;
            return true;
        }
        if (c == u'\n' || c == u'\r' || c == u'\f')
            break;
        m_pos += c == u'\\' ? 2 : 1;
    }
    return fail(QStringLiteral("string not closed"));
}

std::optional<QString> SheetScanner::resolve(const QString &reference)
{
    // Qt resources and anything with a scheme are not files of the skin.
    if (reference.startsWith(u':') || reference.contains(QStringLiteral("://")))
        return reference;
    // Relative paths would otherwise follow the process working directory,
    // which the file finder moves while the program runs.
    const QString path = QDir::isAbsolutePath(reference)
                             ? QDir::cleanPath(reference)
                             : QDir::cleanPath(m_folder + u'/' + reference);
    m_images.append(path);
    return path;
}

bool SheetScanner::copyUrl()
{
    m_pos += 4;
    skipWhitespace();
    QString reference;
    const QChar first = peek();
    if (first == u'"' || first == u'\'') {
        if (!readString(&reference))
            return false;
        skipWhitespace();
    } else {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos) != u')' && !m_text.at(m_pos).isSpace()) {
            const QChar c = m_text.at(m_pos);
            if (c == u'"' || c == u'\'' || c == u'(' || c == u'\\')
                return fail(QStringLiteral("bad character in url()"));
            ++m_pos;
        }
        reference = m_text.mid(start, m_pos - start);
        skipWhitespace();
    }
    if (peek() != u')')
        return fail(QStringLiteral("url() not closed"));
    ++m_pos;
    if (reference.isEmpty())
        return fail(QStringLiteral("empty url()"));
    const std::optional<QString> path = resolve(reference);
    const std::optional<QString> quoted = path ? quotedCssString(*path) : std::nullopt;
    if (!quoted)
        return fail(QStringLiteral("url() path cannot be quoted: %1").arg(reference));
    m_out += QStringLiteral("url(") + *quoted + u')';
    return true;
}

bool SheetScanner::run()
{
    m_out.reserve(m_text.size());
    while (m_pos < m_text.size()) {
        const QChar c = m_text.at(m_pos);
        if (c == u'/' && peek(1) == u'*') {
            if (!copyComment())
                return false;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            const qsizetype start = m_pos;
            QString ignored;
            if (!readString(&ignored))
                return false;
            m_out += QStringView(m_text).mid(start, m_pos - start);
            continue;
        }
        if ((c == u'u' || c == u'U') && atUrl()) {
            if (!copyUrl())
                return false;
            continue;
        }
        if (c == u'(') {
            ++m_parens;
        } else if (c == u')') {
            if (--m_parens < 0)
                return fail(QStringLiteral("')' without '('"));
        } else if (c == u'{' || c == u'}') {
            if (m_parens != 0)
                return fail(QStringLiteral("parenthesis not closed"));
            m_blocks += c == u'{' ? 1 : -1;
            // Qt style sheets have no nested blocks.
            if (m_blocks > 1)
                return fail(QStringLiteral("'{' inside a block"));
            if (m_blocks < 0)
                return fail(QStringLiteral("'}' without '{'"));
        }
        m_out += c;
        ++m_pos;
    }
    if (m_parens != 0)
        return fail(QStringLiteral("parenthesis not closed at the end"));
    if (m_blocks != 0)
        return fail(QStringLiteral("block not closed at the end"));
    return true;
}

} // namespace

SkinSheet SkinSheet::failure(const QString &error)
{
    SkinSheet sheet;
    sheet.m_error = error;
    return sheet;
}

SkinSheet SkinSheet::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    // Read one byte past the limit so that a file growing meanwhile, or a
    // device reporting no size, is still caught.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return fromBytes(bytes, QFileInfo(path).absolutePath());
}

SkinSheet SkinSheet::fromBytes(const QByteArray &bytes, const QString &folder)
{
    if (bytes.size() > MaxFileBytes)
        return failure(QStringLiteral("larger than %1 bytes").arg(MaxFileBytes));
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return failure(QStringLiteral("not UTF-8 text"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isJunkCharacter(text.at(i).unicode()))
            return failure(QStringLiteral("binary data at character %1").arg(i));
    }
    SheetScanner scanner(text, folder);
    if (!scanner.run())
        return failure(scanner.error());
    SkinSheet sheet;
    sheet.m_styleSheet = scanner.output();
    sheet.m_imagePaths = scanner.imagePaths();
    return sheet;
}
