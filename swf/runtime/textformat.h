// The formats of a text field's text: what each character is drawn with
// and how each paragraph is set. Plain text has one format throughout;
// HTML text changes it with its elements.
#pragma once

#include "swf/model/edittext.h"
#include "swf/types.h"

#include <QString>

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

    friend bool operator==(const CharFormat &, const CharFormat &) = default;
};

struct ParagraphFormat {
    TextAlign align = TextAlign::Left;
    double leftMargin = 0.0;  // twips
    double rightMargin = 0.0; // twips
    double indent = 0.0;      // twips, first line
    double blockIndent = 0.0; // twips, every line
    double leading = 0.0;     // twips between lines
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
