// Reading the text of text fields into formatted paragraphs: plain text
// and the HTML subset the Flash Player understands.
#include "swf/limits.h"
#include "swf/runtime/textformat.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace swf {

namespace {

std::optional<char32_t> namedEntity(QStringView name)
{
    static const QHash<QString, char32_t> entities{
        {QStringLiteral("lt"), U'<'},    {QStringLiteral("gt"), U'>'},
        {QStringLiteral("amp"), U'&'},   {QStringLiteral("quot"), U'"'},
        {QStringLiteral("apos"), U'\''}, {QStringLiteral("nbsp"), U'\u00a0'},
    };
    const auto it = entities.find(name.toString().toLower());
    if (it == entities.end())
        return std::nullopt;
    return *it;
}

// The lines of `text`: CR, LF and CR LF each end one; the last runs to
// the end, so there is always one line more than there are line ends.
std::vector<QStringView> linesOf(QStringView text)
{
    std::vector<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.push_back(text.sliced(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.sliced(start));
    return lines;
}

// `&name;`, `&#123;` and `&#x7b;` replaced; anything else kept as written.
QString decodeEntities(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype semicolon = text[i] == u'&' ? text.indexOf(u';', i + 1) : -1;
        // Entity names are short; a lone ampersand is text.
        if (semicolon < 0 || semicolon - i > 10) {
            out += text[i++];
            continue;
        }
        const QStringView name = text.sliced(i + 1, semicolon - i - 1);
        std::optional<char32_t> code;
        if (name.startsWith(u'#')) {
            bool ok = false;
            const uint value = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                                   ? name.sliced(2).toUInt(&ok, 16)
                                   : name.sliced(1).toUInt(&ok, 10);
            if (ok && value > 0 && value <= 0x10ffff && !(value >= 0xd800 && value < 0xe000))
                code = char32_t(value);
        } else {
            code = namedEntity(name);
        }
        if (!code) {
            out += text[i++];
            continue;
        }
        out += QString::fromUcs4(&*code, 1);
        i = semicolon + 1;
    }
    return out;
}

struct Element {
    QString name;
    QHash<QString, QString> attributes;
    bool closing = false;
};

// The element in `tag` (the text between < and >).
Element parseElement(QStringView tag)
{
    Element element;
    tag = tag.trimmed();
    if (tag.startsWith(u'/')) {
        element.closing = true;
        tag = tag.sliced(1).trimmed();
    }
    if (tag.endsWith(u'/'))
        tag.chop(1);
    qsizetype i = 0;
    while (i < tag.size() && !tag[i].isSpace())
        ++i;
    element.name = tag.first(i).toString().toLower();
    while (i < tag.size()) {
        while (i < tag.size() && tag[i].isSpace())
            ++i;
        const qsizetype nameStart = i;
        while (i < tag.size() && tag[i] != u'=' && !tag[i].isSpace())
            ++i;
        const QString name = tag.sliced(nameStart, i - nameStart).toString().toLower();
        while (i < tag.size() && tag[i].isSpace())
            ++i;
        if (i >= tag.size() || tag[i] != u'=') {
            if (!name.isEmpty())
                element.attributes.insert(name, QString());
            continue;
        }
        ++i;
        while (i < tag.size() && tag[i].isSpace())
            ++i;
        QString value;
        if (i < tag.size() && (tag[i] == u'"' || tag[i] == u'\'')) {
            const QChar quote = tag[i++];
            qsizetype end = tag.indexOf(quote, i);
            if (end < 0)
                end = tag.size();
            value = tag.sliced(i, end - i).toString();
            i = qMin(end + 1, tag.size());
        } else {
            const qsizetype start = i;
            while (i < tag.size() && !tag[i].isSpace())
                ++i;
            value = tag.sliced(start, i - start).toString();
        }
        element.attributes.insert(name, decodeEntities(value));
    }
    return element;
}

std::optional<TextAlign> alignOf(const QString &value)
{
    const QString v = value.trimmed().toLower();
    if (v == u"left")
        return TextAlign::Left;
    if (v == u"right")
        return TextAlign::Right;
    if (v == u"center")
        return TextAlign::Center;
    if (v == u"justify")
        return TextAlign::Justify;
    return std::nullopt;
}

std::optional<Rgba> colorOf(QString value)
{
    value = value.trimmed();
    if (value.startsWith(u'#'))
        value.remove(0, 1);
    else if (value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value.remove(0, 2);
    bool ok = false;
    const uint rgb = value.toUInt(&ok, 16);
    if (!ok || value.size() > 6)
        return std::nullopt;
    return Rgba{quint8(rgb >> 16), quint8(rgb >> 8), quint8(rgb), 255};
}

// Font sizes are pixels, or pixels more or less than the current size.
double sizeOf(const QString &value, double current)
{
    const QString v = value.trimmed();
    bool ok = false;
    const int number = v.toInt(&ok);
    if (!ok)
        return current;
    const bool relative = v.startsWith(u'+') || v.startsWith(u'-');
    const double size = relative ? current + number * kTwipsPerPixel : number * kTwipsPerPixel;
    return std::clamp(size, kTwipsPerPixel, double(limits::kMaxTextHeight));
}

// Pixel lengths of <textformat>, in twips.
std::optional<double> lengthOf(const QHash<QString, QString> &attributes, const QString &name)
{
    const auto it = attributes.find(name);
    if (it == attributes.end())
        return std::nullopt;
    bool ok = false;
    const int value = it->trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return std::clamp(value * kTwipsPerPixel, -double(limits::kMaxTextHeight),
                      double(limits::kMaxTextHeight));
}

class HtmlReader {
public:
    HtmlReader(const CharFormat &format, const ParagraphFormat &paragraph)
        : m_base(format), m_paragraph(paragraph)
    {
        m_paragraphs.push_back(TextParagraph{paragraph, {}});
    }

    std::vector<TextParagraph> read(QStringView html)
    {
        qsizetype i = 0;
        while (i < html.size()) {
            const qsizetype open = html.indexOf(u'<', i);
            if (open < 0) {
                text(html.sliced(i));
                break;
            }
            text(html.sliced(i, open - i));
            const qsizetype close = html.indexOf(u'>', open + 1);
            if (close < 0)
                break; // an element that never ends is left out
            element(parseElement(html.sliced(open + 1, close - open - 1)));
            i = close + 1;
        }
        return std::move(m_paragraphs);
    }

private:
    struct Frame {
        QString name;
        CharFormat format;
        ParagraphFormat paragraph;
    };

    const CharFormat &format() const { return m_stack.empty() ? m_base : m_stack.back().format; }

    void text(QStringView raw)
    {
        if (raw.isEmpty())
            return;
        const QString decoded = decodeEntities(raw);
        const std::vector<QStringView> lines = linesOf(decoded);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i > 0)
                breakLine();
            append(lines[i]);
        }
    }

    void append(QStringView text)
    {
        if (text.isEmpty())
            return;
        if (m_pendingBreak) {
            m_pendingBreak = false;
            m_paragraphs.push_back(TextParagraph{m_paragraph, {}});
        }
        std::vector<TextSpan> &spans = m_paragraphs.back().spans;
        if (!spans.empty() && spans.back().format == format())
            spans.back().text += text;
        else
            spans.push_back(TextSpan{text.toString(), format()});
    }

    void breakLine()
    {
        m_pendingBreak = false;
        m_paragraphs.push_back(TextParagraph{m_paragraph, {}});
    }

    // Starts a paragraph unless the current one is still empty.
    void startParagraph()
    {
        if (m_pendingBreak || !m_paragraphs.back().spans.empty()) {
            m_pendingBreak = false;
            m_paragraphs.push_back(TextParagraph{m_paragraph, {}});
        }
        m_paragraphs.back().format = m_paragraph;
    }

    void element(const Element &e)
    {
        if (e.closing) {
            close(e.name);
            return;
        }
        if (e.name == u"br") {
            breakLine();
            return;
        }
        if (e.name == u"li") {
            startParagraph();
            append(u"\u2022 ");
            return;
        }
        if (e.name != u"p" && e.name != u"b" && e.name != u"i" && e.name != u"u" &&
            e.name != u"font" && e.name != u"textformat")
            return; // <a>, <span>, <img> and the like: content only
        if (int(m_stack.size()) >= limits::kMaxHtmlNesting) {
            ++m_ignored;
            return;
        }
        m_stack.push_back(Frame{e.name, format(), m_paragraph});
        open(e, m_stack.back().format);
    }

    void open(const Element &e, CharFormat &f)
    {
        if (e.name == u"b") {
            f.bold = true;
        } else if (e.name == u"i") {
            f.italic = true;
        } else if (e.name == u"u") {
            f.underline = true;
        } else if (e.name == u"font") {
            if (const auto face = e.attributes.find(QStringLiteral("face"));
                face != e.attributes.end() && !face->trimmed().isEmpty())
                f.face = face->section(u',', 0, 0).trimmed();
            if (e.attributes.contains(QStringLiteral("size")))
                f.size = sizeOf(e.attributes.value(QStringLiteral("size")), f.size);
            if (const auto color = colorOf(e.attributes.value(QStringLiteral("color"))))
                f.color = *color;
            if (const auto spacing = e.attributes.find(QStringLiteral("letterspacing"));
                spacing != e.attributes.end()) {
                bool ok = false;
                const double pixels = spacing->trimmed().toDouble(&ok);
                if (ok && std::isfinite(pixels))
                    f.letterSpacing =
                        std::clamp(pixels * kTwipsPerPixel, -double(limits::kMaxTextHeight),
                                   double(limits::kMaxTextHeight));
            }
        } else if (e.name == u"p") {
            if (const auto align = alignOf(e.attributes.value(QStringLiteral("align"))))
                m_paragraph.align = *align;
            startParagraph();
        } else if (e.name == u"textformat") {
            const auto &a = e.attributes;
            m_paragraph.leftMargin =
                lengthOf(a, QStringLiteral("leftmargin")).value_or(m_paragraph.leftMargin);
            m_paragraph.rightMargin =
                lengthOf(a, QStringLiteral("rightmargin")).value_or(m_paragraph.rightMargin);
            m_paragraph.indent = lengthOf(a, QStringLiteral("indent")).value_or(m_paragraph.indent);
            m_paragraph.blockIndent =
                lengthOf(a, QStringLiteral("blockindent")).value_or(m_paragraph.blockIndent);
            m_paragraph.leading =
                lengthOf(a, QStringLiteral("leading")).value_or(m_paragraph.leading);
            if (m_paragraphs.back().spans.empty() && !m_pendingBreak)
                m_paragraphs.back().format = m_paragraph;
        }
    }

    void close(const QString &name)
    {
        if (m_ignored > 0 && std::none_of(m_stack.begin(), m_stack.end(),
                                          [&](const Frame &f) { return f.name == name; })) {
            --m_ignored;
            return;
        }
        const auto it = std::find_if(m_stack.rbegin(), m_stack.rend(),
                                     [&](const Frame &f) { return f.name == name; });
        if (it == m_stack.rend())
            return;
        m_paragraph = it->paragraph;
        m_stack.erase(std::next(it).base(), m_stack.end());
        if (name == u"p")
            m_pendingBreak = true;
    }

    const CharFormat m_base;
    ParagraphFormat m_paragraph;
    std::vector<TextParagraph> m_paragraphs;
    std::vector<Frame> m_stack;
    int m_ignored = 0;
    bool m_pendingBreak = false;
};

} // namespace

std::vector<TextParagraph> plainTextParagraphs(const QString &text, const CharFormat &format,
                                               const ParagraphFormat &paragraph)
{
    std::vector<TextParagraph> paragraphs;
    for (const QStringView line : linesOf(text)) {
        TextParagraph p{paragraph, {}};
        if (!line.isEmpty())
            p.spans.push_back(TextSpan{line.toString(), format});
        paragraphs.push_back(std::move(p));
    }
    return paragraphs;
}

std::vector<TextParagraph> htmlTextParagraphs(const QString &html, const CharFormat &format,
                                              const ParagraphFormat &paragraph)
{
    return HtmlReader(format, paragraph).read(html);
}

} // namespace swf
