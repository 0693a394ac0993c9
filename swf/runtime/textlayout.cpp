// Setting out a text field as the Flash Player does: a gutter of two
// pixels inside the bounds, paragraphs with their margins and indent,
// lines as high as their tallest format (ascent, descent, then leading),
// broken at word boundaries when the field wraps, and aligned left, right,
// centred or justified within the width left.
#include "swf/runtime/textlayout.h"

#include "swf/limits.h"
#include "swf/model/movie.h"
#include "swf/runtime/textfaces.h"
#include "swf/runtime/textformat.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace swf {

namespace {

constexpr double kGutter = 40.0; // twips

struct Item {
    char32_t ch = 0;
    const CharFormat *format = nullptr;
    TextFace *face = nullptr;
    ShapedChar shaped;
    bool breakBefore = false; // a line may start here
    bool space = false;
    int units = 1; // UTF-16 code units of the character
};

struct Line {
    qsizetype first = 0; // items [first, last)
    qsizetype last = 0;
    double width = 0.0; // trailing spaces left out
    double ascent = 0.0;
    double descent = 0.0;
    bool firstOfParagraph = false;
    bool lastOfParagraph = false;
};

struct Paragraph {
    ParagraphFormat format;
    std::vector<Item> items;
    std::vector<Line> lines;
};

bool isSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\u3000';
}

class Layouter {
public:
    Layouter(const FieldLayoutSettings &field, const Movie &movie)
        : m_field(field), m_faces(movie, field.useOutlines, field.font)
    {
    }

    TextLayout run(const std::vector<TextParagraph> &text, const CharFormat &base)
    {
        m_layout.box = m_field.bounds;
        m_faces.face(base); // the field's own font is the first one
        const CharFormat *current = &base;
        for (const TextParagraph &source : text) {
            Paragraph paragraph{source.format, {}, {}};
            shapeParagraph(source, paragraph);
            if (!source.spans.empty())
                current = &source.spans.back().format;
            breakLines(paragraph, *current);
            m_paragraphs.push_back(std::move(paragraph));
            if (m_chars >= limits::kMaxTextFieldChars)
                break;
        }
        fitBox();
        place();
        return std::move(m_layout);
    }

private:
    void shapeParagraph(const TextParagraph &source, Paragraph &paragraph)
    {
        QString all;
        for (const TextSpan &span : source.spans)
            all += span.text;
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, all);
        qsizetype offset = 0;
        for (const TextSpan &span : source.spans) {
            TextFace *face = m_faces.face(span.format);
            const QList<uint> chars = span.text.toUcs4();
            qsizetype position = offset;
            for (const uint code : chars) {
                if (++m_chars > limits::kMaxTextFieldChars) {
                    m_layout.cutShort = true;
                    return;
                }
                Item item;
                item.ch = m_field.password ? U'*' : char32_t(code);
                item.format = &span.format;
                item.face = face;
                item.space = isSpace(item.ch);
                item.units = code > 0xffff ? 2 : 1;
                breaks.setPosition(position);
                item.breakBefore = position > 0 && breaks.isAtBoundary();
                const char32_t drawn = item.ch == U'\t' ? U' ' : item.ch;
                if (face && span.format.size > 0)
                    item.shaped = face->shape(drawn, span.format.size);
                // Letter spacing widens every character's advance, as the
                // Flash Player sets its runs.
                item.shaped.advance += span.format.letterSpacing;
                paragraph.items.push_back(item);
                position += code > 0xffff ? 2 : 1;
            }
            offset += span.text.size();
        }
    }

    double available(const Paragraph &paragraph, bool first) const
    {
        const ParagraphFormat &f = paragraph.format;
        return m_field.bounds.width() - 2 * kGutter - f.leftMargin - f.rightMargin - f.blockIndent -
               (first ? f.indent : 0.0);
    }

    void closeLine(Paragraph &paragraph, qsizetype first, qsizetype last, const CharFormat &empty)
    {
        Line line;
        line.first = first;
        line.last = last;
        line.firstOfParagraph = paragraph.lines.empty();
        double width = 0.0;
        double trailing = 0.0;
        for (qsizetype i = first; i < last; ++i) {
            const Item &item = paragraph.items[size_t(i)];
            width += item.shaped.advance;
            trailing = item.space ? trailing + item.shaped.advance : 0.0;
            measure(line, item.face, item.format->size);
        }
        line.width = width - trailing;
        if (first == last) {
            // An empty line is as high as the format it would have.
            TextFace *face = m_faces.face(empty);
            measure(line, face, empty.size);
        }
        paragraph.lines.push_back(line);
    }

    static void measure(Line &line, TextFace *face, double size)
    {
        if (!face)
            return;
        line.ascent = std::max(line.ascent, face->ascent(size));
        line.descent = std::max(line.descent, face->descent(size));
    }

    // Greedy breaking: a line takes items while they fit; past the width it
    // ends at the last break opportunity, or before the item when a word is
    // wider than the whole line. Spaces may hang past the edge.
    void breakLines(Paragraph &paragraph, const CharFormat &empty)
    {
        const std::vector<Item> &items = paragraph.items;
        qsizetype start = 0;
        qsizetype lastBreak = -1;
        double width = 0.0;
        for (qsizetype i = 0; i < qsizetype(items.size()); ++i) {
            const Item &item = items[size_t(i)];
            if (item.breakBefore && i > start)
                lastBreak = i;
            const double limit = available(paragraph, paragraph.lines.empty());
            if (m_field.wordWrap && !item.space && i > start &&
                width + item.shaped.advance > limit) {
                const qsizetype end = lastBreak > start ? lastBreak : i;
                closeLine(paragraph, start, end, empty);
                start = end;
                lastBreak = -1;
                width = 0.0;
                for (qsizetype j = start; j < i; ++j)
                    width += items[size_t(j)].shaped.advance;
            }
            width += item.shaped.advance;
        }
        closeLine(paragraph, start, qsizetype(items.size()), empty);
        paragraph.lines.back().lastOfParagraph = true;
    }

    // Auto-size: the box grows (or shrinks) to the text; a field that does
    // not wrap also takes the width of its longest line, around the edge
    // its alignment keeps.
    void fitBox()
    {
        double height = 0.0;
        double width = 0.0;
        for (const Paragraph &paragraph : m_paragraphs) {
            for (const Line &line : paragraph.lines) {
                height += line.ascent + line.descent + paragraph.format.leading;
                const ParagraphFormat &f = paragraph.format;
                width = std::max(width, line.width + f.leftMargin + f.rightMargin + f.blockIndent +
                                            (line.firstOfParagraph ? f.indent : 0.0));
            }
        }
        if (!m_paragraphs.empty() && !m_paragraphs.back().lines.empty())
            height -= m_paragraphs.back().format.leading;
        // A field with no text at all has no height of text.
        if (m_chars == 0)
            height = 0.0;
        if (m_field.autoSize == AutoSize::None)
            return;
        QRectF &box = m_layout.box;
        box.setHeight(height + 2 * kGutter);
        if (m_field.wordWrap || m_paragraphs.empty())
            return;
        const double newWidth = width + 2 * kGutter;
        AutoSize mode = m_field.autoSize;
        if (mode == AutoSize::FromAlign) {
            const TextAlign align = m_paragraphs.front().format.align;
            mode = align == TextAlign::Right    ? AutoSize::Right
                   : align == TextAlign::Center ? AutoSize::Center
                                                : AutoSize::Left;
        }
        switch (mode) {
        case AutoSize::Right:
            box.setLeft(box.right() - newWidth);
            break;
        case AutoSize::Center:
            box.setLeft(box.center().x() - newWidth / 2);
            box.setWidth(newWidth);
            break;
        default:
            box.setWidth(newWidth);
            break;
        }
    }

    void place()
    {
        const QRectF &box = m_layout.box;
        double top = box.top() + kGutter;
        for (Paragraph &paragraph : m_paragraphs) {
            for (const Line &line : paragraph.lines) {
                m_layout.lineTops.push_back(top);
                const double baseline = top + line.ascent;
                const double x = placeLine(paragraph, line, baseline);
                // The paragraph's end is a place for the caret too.
                if (line.lastOfParagraph)
                    m_layout.carets.emplace_back(x, top, x, baseline + line.descent);
                top = baseline + line.descent + paragraph.format.leading;
            }
        }
    }

    // Returns where the line ends.
    double placeLine(Paragraph &paragraph, const Line &line, double baseline)
    {
        const ParagraphFormat &f = paragraph.format;
        const double indent = line.firstOfParagraph ? f.indent : 0.0;
        const double room = m_layout.box.width() - 2 * kGutter - f.leftMargin - f.rightMargin -
                            f.blockIndent - indent;
        double x = m_layout.box.left() + kGutter + f.leftMargin + f.blockIndent + indent;
        double spaceExtra = 0.0;
        switch (f.align) {
        case TextAlign::Right:
            x += room - line.width;
            break;
        case TextAlign::Center:
            x += (room - line.width) / 2;
            break;
        case TextAlign::Justify:
            if (!line.lastOfParagraph)
                spaceExtra = justification(paragraph, line, room);
            break;
        case TextAlign::Left:
            break;
        }
        m_layout.textExtent |=
            QRectF(x, baseline - line.ascent, line.width, line.ascent + line.descent);
        const double lineEnd = x + line.width;
        LaidRun *run = nullptr;
        const CharFormat *runFormat = nullptr;
        const TextFace *runFace = nullptr;
        double underlineStart = x;
        for (qsizetype i = line.first; i < line.last; ++i) {
            const Item &item = paragraph.items[size_t(i)];
            if (!run || item.format != runFormat || item.face != runFace) {
                finishUnderline(run, runFormat, underlineStart, x, baseline);
                run = &newRun(item);
                runFormat = item.format;
                runFace = item.face;
                underlineStart = x;
            }
            addGlyph(*run, item, QPointF(x, baseline));
            for (int unit = 0; unit < item.units; ++unit)
                m_layout.carets.emplace_back(x, baseline - line.ascent, x, baseline + line.descent);
            x += item.shaped.advance + (item.space ? spaceExtra : 0.0);
        }
        finishUnderline(run, runFormat, underlineStart, std::min(x, lineEnd), baseline);
        return x;
    }

    double justification(const Paragraph &paragraph, const Line &line, double room) const
    {
        qsizetype last = line.last;
        while (last > line.first && paragraph.items[size_t(last - 1)].space)
            --last;
        int spaces = 0;
        for (qsizetype i = line.first; i < last; ++i)
            spaces += paragraph.items[size_t(i)].space ? 1 : 0;
        return spaces > 0 && room > line.width ? (room - line.width) / spaces : 0.0;
    }

    LaidRun &newRun(const Item &item)
    {
        LaidRun run;
        run.color = item.format->color;
        run.height = item.format->size;
        run.font = item.face ? item.face->embeddedFont() : nullptr;
        run.outline.setFillRule(Qt::WindingFill);
        m_layout.runs.push_back(std::move(run));
        return m_layout.runs.back();
    }

    void addGlyph(LaidRun &run, const Item &item, QPointF origin)
    {
        if (!item.face || item.shaped.glyph < 0 || item.space)
            return;
        if (run.font) {
            run.glyphs.push_back(PlacedGlyph{item.shaped.glyph, origin});
            return;
        }
        const QPainterPath path = item.face->devicePath(item.shaped, item.format->size);
        run.outline.addPath(path.translated(origin));
    }

    static void finishUnderline(LaidRun *run, const CharFormat *format, double from, double to,
                                double baseline)
    {
        if (!run || !format || !format->underline || to <= from)
            return;
        const double thickness = std::max(20.0, format->size / 16.0);
        run->underlines.emplace_back(from, baseline + thickness, to - from, thickness);
    }

    const FieldLayoutSettings &m_field;
    FaceResolver m_faces;
    TextLayout m_layout;
    std::vector<Paragraph> m_paragraphs;
    int m_chars = 0;
};

} // namespace

const Font *fieldFont(const EditText &field, const Movie &movie)
{
    const Character *character = field.fontId ? movie.character(*field.fontId) : nullptr;
    return character && character->kind() == CharacterKind::Font
               ? static_cast<const Font *>(character)
               : nullptr;
}

// The format the field starts with; a field without a font uses the
// Flash Player's default, a 12-pixel serif.
CharFormat baseFormat(const EditText &field, const Font *font)
{
    CharFormat format;
    format.face = QStringLiteral("Times New Roman");
    if (font) {
        format.face = font->name();
        format.bold = font->data().bold;
        format.italic = font->data().italic;
    } else if (field.fontClass) {
        format.face = *field.fontClass;
    }
    if (field.fontId || field.fontClass)
        format.size = std::min<double>(field.fontHeight, limits::kMaxTextHeight);
    if (field.textColor)
        format.color = *field.textColor;
    return format;
}

ParagraphFormat baseParagraph(const EditText &field)
{
    ParagraphFormat format;
    if (field.layout) {
        format.align = field.layout->align;
        format.leftMargin = field.layout->leftMargin;
        format.rightMargin = field.layout->rightMargin;
        format.indent = field.layout->indent;
        format.leading = field.layout->leading;
    }
    return format;
}

TextLayout layOutParagraphs(const FieldLayoutSettings &settings,
                            const std::vector<TextParagraph> &text, const CharFormat &base,
                            const Movie &movie)
{
    return Layouter(settings, movie).run(text, base);
}

} // namespace swf
