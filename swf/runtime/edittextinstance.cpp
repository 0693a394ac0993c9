#include "swf/runtime/edittextinstance.h"

#include "swf/limits.h"
#include "swf/model/movie.h"
#include "swf/runtime/runtimecontext.h"

#include <algorithm>
#include <cmath>

namespace swf {

namespace {

// Scripts' line ends become CR, the one paragraph end fields keep; CR LF
// is two of them.
QString normalizedLines(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    if (text.size() > limits::kMaxTextFieldChars)
        text.truncate(limits::kMaxTextFieldChars);
    return text;
}

QString escaped(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'"')
            out += QLatin1String("&quot;");
        else
            out += c;
    }
    return out;
}

QString colorName(const Rgba &c)
{
    return QStringLiteral("#%1")
        .arg((c.r << 16) | (c.g << 8) | c.b, 6, 16, QLatin1Char('0'))
        .toUpper();
}

QString number(double twips)
{
    return QString::number(std::round(twips / kTwipsPerPixel));
}

const char *alignName(TextAlign align)
{
    switch (align) {
    case TextAlign::Right:
        return "RIGHT";
    case TextAlign::Center:
        return "CENTER";
    case TextAlign::Justify:
        return "JUSTIFY";
    case TextAlign::Left:
        break;
    }
    return "LEFT";
}

template <typename T> void keepShared(std::optional<T> &mine, const std::optional<T> &other)
{
    if (mine && (!other || !(*mine == *other)))
        mine.reset();
}

} // namespace

void TextFormatValues::apply(CharFormat &c, ParagraphFormat &p) const
{
    if (font)
        c.face = *font;
    if (size)
        c.size = *size;
    if (color)
        c.color = *color;
    if (bold)
        c.bold = *bold;
    if (italic)
        c.italic = *italic;
    if (underline)
        c.underline = *underline;
    if (url)
        c.url = *url;
    if (target)
        c.target = *target;
    if (letterSpacing)
        c.letterSpacing = *letterSpacing;
    if (kerning)
        c.kerning = *kerning;
    if (align)
        p.align = *align;
    if (leftMargin)
        p.leftMargin = *leftMargin;
    if (rightMargin)
        p.rightMargin = *rightMargin;
    if (indent)
        p.indent = *indent;
    if (leading)
        p.leading = *leading;
    if (blockIndent)
        p.blockIndent = *blockIndent;
    if (tabStops)
        p.tabStops = *tabStops;
    if (bullet)
        p.bullet = *bullet;
}

TextFormatValues TextFormatValues::of(const CharFormat &c, const ParagraphFormat &p)
{
    TextFormatValues v;
    v.font = c.face;
    v.size = c.size;
    v.color = c.color;
    v.bold = c.bold;
    v.italic = c.italic;
    v.underline = c.underline;
    v.url = c.url;
    v.target = c.target;
    v.letterSpacing = c.letterSpacing;
    v.kerning = c.kerning;
    v.align = p.align;
    v.leftMargin = p.leftMargin;
    v.rightMargin = p.rightMargin;
    v.indent = p.indent;
    v.leading = p.leading;
    v.blockIndent = p.blockIndent;
    v.tabStops = p.tabStops;
    v.bullet = p.bullet;
    return v;
}

void TextFormatValues::intersect(const TextFormatValues &o)
{
    keepShared(font, o.font);
    keepShared(size, o.size);
    keepShared(color, o.color);
    keepShared(bold, o.bold);
    keepShared(italic, o.italic);
    keepShared(underline, o.underline);
    keepShared(url, o.url);
    keepShared(target, o.target);
    keepShared(letterSpacing, o.letterSpacing);
    keepShared(kerning, o.kerning);
    keepShared(align, o.align);
    keepShared(leftMargin, o.leftMargin);
    keepShared(rightMargin, o.rightMargin);
    keepShared(indent, o.indent);
    keepShared(leading, o.leading);
    keepShared(blockIndent, o.blockIndent);
    keepShared(tabStops, o.tabStops);
    keepShared(bullet, o.bullet);
}

EditTextInstance::EditTextInstance(const EditText &field, const PlacementState &placement,
                                   DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(&field, CharacterKind::EditText, placement, parent, context), m_field(field),
      m_bounds(field.bounds.toRectF())
{
    m_settings.html = field.html;
    m_settings.wordWrap = field.wordWrap;
    m_settings.multiline = field.multiline;
    m_settings.password = field.password;
    m_settings.selectable = !field.noSelect;
    m_settings.input = !field.readOnly;
    m_settings.border = field.border;
    m_settings.background = field.border;
    m_settings.embedFonts = field.useOutlines;
    m_settings.autoSize = field.autoSize ? AutoSize::FromAlign : AutoSize::None;
    m_settings.maxChars = field.maxLength.value_or(0);
    m_settings.variable = field.variableName;
    m_font = fieldFont(field, movie());
    m_base = baseFormat(field, m_font);
    m_newFormat = CharAttributes{m_base, baseParagraph(field)};
    m_defaultFormat = m_newFormat;
    setSourceText(field.initialText.value_or(QString()));
}

EditTextInstance::EditTextInstance(std::shared_ptr<const EditText> field,
                                   const PlacementState &placement, DisplayObject *parent,
                                   RuntimeContext &context)
    : EditTextInstance(*field, placement, parent, context)
{
    m_owned = std::move(field);
}

void EditTextInstance::setSettings(const FieldSettings &settings)
{
    m_settings = settings;
    m_dirty = true;
    context().changed = true;
}

void EditTextInstance::setBounds(const QRectF &bounds)
{
    m_bounds = bounds;
    relayout();
}

void EditTextInstance::setText(const QString &text)
{
    const QString lines = normalizedLines(text);
    setContent(lines, std::vector<CharAttributes>(size_t(lines.size()), m_newFormat));
}

void EditTextInstance::setHtmlText(const QString &html)
{
    // HTML starts from the new-text format from version 8, from the field's
    // own format before.
    const CharAttributes &base = movie().version() >= 8 ? m_newFormat : m_defaultFormat;
    const std::vector<TextParagraph> paragraphs =
        htmlTextParagraphs(html, base.chars, base.paragraph);
    QString text;
    std::vector<CharAttributes> formats;
    const CharFormat *last = &m_newFormat.chars;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        const TextParagraph &p = paragraphs[i];
        // A paragraph's end belongs to the paragraph after it.
        if (i > 0) {
            text += QLatin1Char('\r');
            formats.push_back(CharAttributes{*last, p.format});
        }
        for (const TextSpan &span : p.spans) {
            text += span.text;
            formats.insert(formats.end(), size_t(span.text.size()),
                           CharAttributes{span.format, p.format});
            last = &span.format;
        }
        if (text.size() > limits::kMaxTextFieldChars)
            break;
    }
    if (text.size() > limits::kMaxTextFieldChars) {
        text.truncate(limits::kMaxTextFieldChars);
        formats.resize(size_t(text.size()));
    }
    setContent(text, std::move(formats));
    // Text to come continues in the format the HTML ended with.
    if (!m_formats.empty())
        m_newFormat = m_formats.back();
}

const ParagraphFormat &EditTextInstance::paragraphAt(qsizetype start) const
{
    // A paragraph's format is kept on the CR before it, and on its
    // characters; the first paragraph has no CR.
    if (start > 0 && size_t(start - 1) < m_formats.size())
        return m_formats[size_t(start - 1)].paragraph;
    if (size_t(start) < m_formats.size() && m_text[start] != u'\r')
        return m_formats[size_t(start)].paragraph;
    return m_newFormat.paragraph;
}

QString EditTextInstance::htmlText() const
{
    if (!m_settings.html || m_text.isEmpty())
        return m_text;
    QString out;
    qsizetype from = 0;
    while (true) {
        qsizetype end = m_text.indexOf(QLatin1Char('\r'), from);
        if (end < 0)
            end = m_text.size();
        const ParagraphFormat &p = paragraphAt(from);
        QString attributes;
        if (p.indent != 0)
            attributes += QStringLiteral(" INDENT=\"%1\"").arg(number(p.indent));
        if (p.blockIndent != 0)
            attributes += QStringLiteral(" BLOCKINDENT=\"%1\"").arg(number(p.blockIndent));
        if (p.leftMargin != 0)
            attributes += QStringLiteral(" LEFTMARGIN=\"%1\"").arg(number(p.leftMargin));
        if (p.rightMargin != 0)
            attributes += QStringLiteral(" RIGHTMARGIN=\"%1\"").arg(number(p.rightMargin));
        if (p.leading != 0)
            attributes += QStringLiteral(" LEADING=\"%1\"").arg(number(p.leading));
        if (!attributes.isEmpty())
            out += QStringLiteral("<TEXTFORMAT") + attributes + QLatin1Char('>');
        out += p.bullet ? QStringLiteral("<LI>")
                        : QStringLiteral("<P ALIGN=\"%1\">").arg(QLatin1String(alignName(p.align)));
        const CharFormat *outer =
            from < m_text.size() ? &m_formats[size_t(from)].chars : &m_newFormat.chars;
        out += QStringLiteral("<FONT FACE=\"%1\" SIZE=\"%2\" COLOR=\"%3\" LETTERSPACING=\"%4\" "
                              "KERNING=\"%5\">")
                   .arg(escaped(outer->face), number(outer->size), colorName(outer->color),
                        number(outer->letterSpacing),
                        outer->kerning ? QStringLiteral("1") : QStringLiteral("0"));
        qsizetype i = from;
        while (i < end) {
            const CharFormat &f = m_formats[size_t(i)].chars;
            qsizetype j = i + 1;
            while (j < end && m_formats[size_t(j)].chars == f)
                ++j;
            QString open;
            QString close;
            QString font;
            if (f.face != outer->face)
                font += QStringLiteral(" FACE=\"%1\"").arg(escaped(f.face));
            if (f.size != outer->size)
                font += QStringLiteral(" SIZE=\"%1\"").arg(number(f.size));
            if (!(f.color == outer->color))
                font += QStringLiteral(" COLOR=\"%1\"").arg(colorName(f.color));
            if (f.letterSpacing != outer->letterSpacing)
                font += QStringLiteral(" LETTERSPACING=\"%1\"").arg(number(f.letterSpacing));
            if (f.kerning != outer->kerning)
                font += QStringLiteral(" KERNING=\"%1\"").arg(f.kerning ? 1 : 0);
            if (!font.isEmpty()) {
                open += QStringLiteral("<FONT") + font + QLatin1Char('>');
                close.prepend(QStringLiteral("</FONT>"));
            }
            if (!f.url.isEmpty()) {
                open += QStringLiteral("<A HREF=\"%1\" TARGET=\"%2\">")
                            .arg(escaped(f.url), escaped(f.target));
                close.prepend(QStringLiteral("</A>"));
            }
            if (f.bold) {
                open += QStringLiteral("<B>");
                close.prepend(QStringLiteral("</B>"));
            }
            if (f.italic) {
                open += QStringLiteral("<I>");
                close.prepend(QStringLiteral("</I>"));
            }
            if (f.underline) {
                open += QStringLiteral("<U>");
                close.prepend(QStringLiteral("</U>"));
            }
            out += open + escaped(QStringView(m_text).sliced(i, j - i)) + close;
            i = j;
        }
        out += QStringLiteral("</FONT>");
        out += p.bullet ? QStringLiteral("</LI>") : QStringLiteral("</P>");
        if (!attributes.isEmpty())
            out += QStringLiteral("</TEXTFORMAT>");
        if (end + 1 >= m_text.size())
            break;
        from = end + 1;
    }
    return out;
}

void EditTextInstance::replaceText(int begin, int end, const QString &text, ReplaceFormat format)
{
    const int length = int(m_text.size());
    begin = std::clamp(begin, 0, length);
    end = std::clamp(end, begin, length);
    const QString inserted = normalizedLines(text);
    // Scripts' replaced text takes the format of the character after it,
    // if any; typed text takes the new-text format.
    const bool following = format == ReplaceFormat::Following && end < length;
    const CharAttributes attributes = following ? m_formats[size_t(end)] : m_newFormat;
    QString next = m_text;
    next.replace(begin, end - begin, inserted);
    std::vector<CharAttributes> formats = m_formats;
    formats.erase(formats.begin() + begin, formats.begin() + end);
    formats.insert(formats.begin() + begin, size_t(inserted.size()), attributes);
    if (next.size() > limits::kMaxTextFieldChars) {
        next.truncate(limits::kMaxTextFieldChars);
        formats.resize(size_t(next.size()));
    }
    setContent(next, std::move(formats));
    // Scripts' replacements leave the first character's format as that of
    // text to come.
    if (format == ReplaceFormat::Following && !m_formats.empty())
        m_newFormat = m_formats.front();
}

TextFormatValues EditTextInstance::formatOf(int begin, int end) const
{
    begin = std::max(begin, 0);
    end = std::min(end, int(m_text.size()));
    if (begin >= end)
        return {};
    TextFormatValues values =
        TextFormatValues::of(m_formats[size_t(begin)].chars, m_formats[size_t(begin)].paragraph);
    for (int i = begin + 1; i < end; ++i)
        values.intersect(
            TextFormatValues::of(m_formats[size_t(i)].chars, m_formats[size_t(i)].paragraph));
    return values;
}

void EditTextInstance::applyFormat(int begin, int end, const TextFormatValues &format)
{
    begin = std::max(begin, 0);
    end = std::min(end, int(m_text.size()));
    if (begin >= end)
        return;
    // Paragraph values too are kept with each character, as the Flash
    // Player keeps them; a paragraph is set out with its first one's.
    for (int i = begin; i < end; ++i) {
        CharAttributes &a = m_formats[size_t(i)];
        format.apply(a.chars, a.paragraph);
    }
    relayout();
}

TextFormatValues EditTextInstance::newFormat() const
{
    return TextFormatValues::of(m_newFormat.chars, m_newFormat.paragraph);
}

void EditTextInstance::setNewFormat(const TextFormatValues &format)
{
    format.apply(m_newFormat.chars, m_newFormat.paragraph);
}

void EditTextInstance::setSelection(int begin, int end)
{
    const int length = int(m_text.size());
    m_selectionBegin = std::clamp(std::min(begin, end), 0, length);
    m_selectionEnd = std::clamp(std::max(begin, end), 0, length);
    context().changed = true;
}

void EditTextInstance::setFocused(bool focused)
{
    if (focused != m_focused)
        context().changed = true;
    m_focused = focused;
}

void EditTextInstance::setContent(QString text, std::vector<CharAttributes> formats)
{
    m_text = std::move(text);
    m_formats = std::move(formats);
    m_formats.resize(size_t(m_text.size()), m_newFormat);
    evenParagraphs();
    setSelection(m_selectionBegin, m_selectionEnd);
    relayout();
}

void EditTextInstance::evenParagraphs()
{
    qsizetype start = 0;
    while (start < m_text.size()) {
        qsizetype end = m_text.indexOf(QLatin1Char('\r'), start + 1);
        if (end < 0)
            end = m_text.size();
        const ParagraphFormat p = m_formats[size_t(start)].paragraph;
        for (qsizetype i = start + 1; i < end; ++i)
            m_formats[size_t(i)].paragraph = p;
        start = end;
    }
}

void EditTextInstance::relayout()
{
    std::vector<TextParagraph> paragraphs;
    qsizetype start = 0;
    while (true) {
        qsizetype end = m_text.indexOf(QLatin1Char('\r'), start);
        if (end < 0)
            end = m_text.size();
        TextParagraph paragraph;
        paragraph.format = paragraphAt(start);
        for (qsizetype i = start; i < end;) {
            const CharFormat &f = m_formats[size_t(i)].chars;
            qsizetype j = i + 1;
            while (j < end && m_formats[size_t(j)].chars == f)
                ++j;
            paragraph.spans.push_back(TextSpan{m_text.sliced(i, j - i), f});
            i = j;
        }
        paragraphs.push_back(std::move(paragraph));
        if (end >= m_text.size())
            break;
        start = end + 1;
    }
    FieldLayoutSettings settings;
    settings.bounds = m_bounds;
    settings.wordWrap = m_settings.wordWrap;
    settings.password = m_settings.password;
    settings.useOutlines = m_settings.embedFonts;
    settings.autoSize = m_settings.autoSize;
    settings.font = m_font;
    m_layout = layOutParagraphs(settings, paragraphs, m_base, movie());
    // A field that sized itself to its text keeps that size.
    if (m_settings.autoSize != AutoSize::None)
        m_bounds = m_layout.box;
    m_dirty = false;
    m_scroll = std::min(m_scroll, maxScroll());
    context().changed = true;
}

void EditTextInstance::setScroll(int line)
{
    line = std::clamp(line, 1, maxScroll());
    if (line != m_scroll)
        context().changed = true;
    m_scroll = line;
}

int EditTextInstance::maxScroll() const
{
    const auto &tops = m_layout.lineTops;
    if (tops.empty())
        return 1;
    // The first line from which the last one still ends within the box.
    const double bottom = m_layout.box.height() - 80.0;
    const double end = m_layout.textExtent.bottom();
    for (size_t i = 0; i < tops.size(); ++i) {
        if (end - tops[i] <= bottom + 1e-6)
            return int(i) + 1;
    }
    return int(tops.size());
}

int EditTextInstance::bottomScroll() const
{
    const auto &tops = m_layout.lineTops;
    if (tops.empty())
        return 1;
    const int first = scroll();
    const double limit = tops[size_t(first - 1)] + m_layout.box.height() - 80.0;
    int last = first;
    for (size_t i = size_t(first); i < tops.size(); ++i) {
        const double lineEnd = i + 1 < tops.size() ? tops[i + 1] : m_layout.textExtent.bottom();
        if (lineEnd > limit + 1e-6)
            break;
        last = int(i) + 1;
    }
    return last;
}

void EditTextInstance::setHScroll(double twips)
{
    twips = std::isfinite(twips) ? std::clamp(twips, 0.0, maxHScroll()) : 0.0;
    if (twips != m_hscroll)
        context().changed = true;
    m_hscroll = twips;
}

double EditTextInstance::maxHScroll() const
{
    // Wrapped text never runs past the right edge.
    if (m_settings.wordWrap)
        return 0.0;
    return std::max(0.0, m_layout.textExtent.right() - m_layout.box.right());
}

int EditTextInstance::scroll() const
{
    return std::min(m_scroll, maxScroll());
}

QPointF EditTextInstance::scrollOffset() const
{
    const auto &tops = m_layout.lineTops;
    if (tops.empty())
        return QPointF(-std::min(m_hscroll, maxHScroll()), 0.0);
    return QPointF(-std::min(m_hscroll, maxHScroll()), tops.front() - tops[size_t(scroll() - 1)]);
}

} // namespace swf
