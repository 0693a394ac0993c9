// DefineEditText: a text field with its bounds, its text (plain or HTML)
// and the format it starts with.
#pragma once

#include "swf/model/character.h"
#include "swf/types.h"

#include <QString>

#include <optional>

namespace swf {

enum class TextAlign : quint8 { Left = 0, Right = 1, Center = 2, Justify = 3 };

struct EditTextLayout {
    TextAlign align = TextAlign::Left;
    quint16 leftMargin = 0;  // twips
    quint16 rightMargin = 0; // twips
    quint16 indent = 0;      // twips, first line of each paragraph
    qint16 leading = 0;      // twips between lines
};

class EditText final : public Character {
public:
    using Character::Character;
    CharacterKind kind() const override { return CharacterKind::EditText; }

    Rect bounds;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool readOnly = false;
    bool autoSize = false;
    bool noSelect = false;
    bool border = false; // a black border over a white background
    bool wasStatic = false;
    bool html = false;
    bool useOutlines = false; // draw with the font's embedded glyphs
    std::optional<quint16> fontId;
    std::optional<QString> fontClass;
    quint16 fontHeight = 0; // twips, with a font id or class
    std::optional<Rgba> textColor;
    std::optional<quint16> maxLength;
    std::optional<EditTextLayout> layout;
    QString variableName;
    std::optional<QString> initialText;
};

} // namespace swf
