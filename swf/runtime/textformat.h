// The formats of a text field's text: what each character is drawn with
// and how each paragraph is set. Plain text has one format throughout;
// HTML text changes it with its elements.
#pragma once

#include "swf/model/edittext.h"
#include "swf/types.h"

#include <QString>

#include <optional>
#include <vector>

namespace swf {

struct CharFormat {
    QString face;        // font name
    double size = 240.0; // twips
    Rgba color{0, 0, 0, 255};
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double letterSpacing = 0.0; // twips added after each character
    bool kerning = false;
    QString url; // a link, with the window it opens in
    QString target;

    friend bool operator==(const CharFormat &, const CharFormat &) = default;
};

struct ParagraphFormat {
    TextAlign align = TextAlign::Left;
    double leftMargin = 0.0;  // twips
    double rightMargin = 0.0; // twips
    double indent = 0.0;      // twips, first line
    double blockIndent = 0.0; // twips, every line
    double leading = 0.0;     // twips between lines
    bool bullet = false;
    std::vector<int> tabStops; // pixels

    friend bool operator==(const ParagraphFormat &, const ParagraphFormat &) = default;
};

// What a script's TextFormat sets or reads: each value given, or none (a
// value left alone, or one that differs across the text asked about).
struct TextFormatValues {
    std::optional<QString> font;
    std::optional<double> size; // twips
    std::optional<Rgba> color;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> underline;
    std::optional<QString> url;
    std::optional<QString> target;
    std::optional<TextAlign> align;
    std::optional<double> leftMargin; // twips
    std::optional<double> rightMargin;
    std::optional<double> indent;
    std::optional<double> leading;
    std::optional<double> blockIndent;
    std::optional<std::vector<int>> tabStops;
    std::optional<bool> bullet;
    std::optional<double> letterSpacing; // twips
    std::optional<bool> kerning;

    void apply(CharFormat &chars, ParagraphFormat &paragraph) const;
    // The values of one character, every one given.
    static TextFormatValues of(const CharFormat &chars, const ParagraphFormat &paragraph);
    // Keeps the values `other` shares; the rest become none.
    void intersect(const TextFormatValues &other);
};

struct TextSpan {
    QString text;
    CharFormat format;
};

struct TextParagraph {
    ParagraphFormat format;
    std::vector<TextSpan> spans;
};

// Plain text: a paragraph per line (CR, LF or CR LF end one).
std::vector<TextParagraph> plainTextParagraphs(const QString &text, const CharFormat &format,
                                               const ParagraphFormat &paragraph);

// The HTML subset of text fields: <p align>, <br>, <b>, <i>, <u>,
// <font face size color>, <textformat>, <li>, and the character entities.
// Unknown elements keep their content; unclosed ones last to the end.
std::vector<TextParagraph> htmlTextParagraphs(const QString &html, const CharFormat &format,
                                              const ParagraphFormat &paragraph);

} // namespace swf
