// An instance of a DefineEditText, or a field a script made: its text
// with a format for every character, the settings scripts may change,
// and the text set out again whenever either changes.
#pragma once

#include "swf/model/edittext.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/textformat.h"
#include "swf/runtime/textlayout.h"

#include <memory>
#include <optional>

namespace swf {

// What scripts may change of a field besides its text.
struct FieldSettings {
    bool html = false;
    bool wordWrap = false;
    bool multiline = false;
    bool password = false;
    bool selectable = true;
    bool input = false; // takes typed text
    bool border = false;
    bool background = false;
    bool condenseWhite = false;
    bool embedFonts = false;
    bool mouseWheelEnabled = true;
    AutoSize autoSize = AutoSize::None;
    Rgba borderColor{0, 0, 0, 255};
    Rgba backgroundColor{255, 255, 255, 255};
    int maxChars = 0;                // 0: no limit
    std::optional<QString> restrict; // none: any character
    QString variable;
};

class EditTextInstance final : public DisplayObject {
public:
    EditTextInstance(const EditText &field, const PlacementState &placement, DisplayObject *parent,
                     RuntimeContext &context);
    // A field a script made: it owns its definition.
    EditTextInstance(std::shared_ptr<const EditText> field, const PlacementState &placement,
                     DisplayObject *parent, RuntimeContext &context);

    const EditText &field() const { return m_field; }
    const FieldSettings &settings() const { return m_settings; }
    // Changes settings; the text is laid out again.
    void setSettings(const FieldSettings &settings);
    // The field's box before auto-size, in twips.
    QRectF bounds() const { return m_bounds; }
    void setBounds(const QRectF &bounds);

    // The text without formats; paragraphs end with CR.
    const QString &text() const { return m_text; }
    // New plain text, in the new-text format.
    void setText(const QString &text);
    // The text as HTML, as the Flash Player writes it.
    QString htmlText() const;
    void setHtmlText(const QString &html);
    // Text given to the field: HTML or plain as the field is set.
    void setSourceText(const QString &text)
    {
        m_settings.html ? setHtmlText(text) : setText(text);
        m_source = text;
    }
    // The text last given by setSourceText (a bound variable's value).
    const QString &source() const { return m_source; }
    // The variable now holds `text`, which the field already shows.
    void noteSource(const QString &text) { m_source = text; }
    // Characters [begin, end) replaced by `text`, in the new-text format
    // (typing, replaceSel) or in that of the character that follows
    // (replaceText).
    enum class ReplaceFormat { NewText, Following };
    void replaceText(int begin, int end, const QString &text, ReplaceFormat format);

    // Formats of the characters [begin, end): values they all share.
    TextFormatValues formatOf(int begin, int end) const;
    void applyFormat(int begin, int end, const TextFormatValues &format);
    TextFormatValues newFormat() const;
    void setNewFormat(const TextFormatValues &format);

    // The selection, in characters; begin == end is a caret.
    int selectionBegin() const { return m_selectionBegin; }
    int selectionEnd() const { return m_selectionEnd; }
    void setSelection(int begin, int end);

    // A focused input field shows a caret.
    bool focused() const { return m_focused; }
    void setFocused(bool focused);

    // The text as set out now. Settings changed since it was last laid out
    // take effect here (drawing, bounds): as in the Flash Player, scroll
    // values read before then still see the old lines.
    const TextLayout &layout() const
    {
        if (m_dirty)
            const_cast<EditTextInstance *>(this)->relayout();
        return m_layout;
    }
    // An auto-sized field's size is settled when scripts read its place.
    void settleAutoSize()
    {
        if (m_dirty && m_settings.autoSize != AutoSize::None)
            relayout();
    }
    // The first line shown (from 1) and the text moved left by `hscroll`
    // twips, as scripts scroll a field; kept within the text.
    int scroll() const;
    void setScroll(int line);
    int maxScroll() const;
    int bottomScroll() const;
    double hscroll() const { return m_hscroll; }
    void setHScroll(double twips);
    double maxHScroll() const;
    // Where the laid-out text is drawn, in the field's coordinates.
    QPointF scrollOffset() const;

private:
    struct CharAttributes {
        CharFormat chars;
        ParagraphFormat paragraph;
    };
    const ParagraphFormat &paragraphAt(qsizetype start) const;
    void setContent(QString text, std::vector<CharAttributes> formats);
    void relayout();
    // Characters of one paragraph share its paragraph format.
    void evenParagraphs();

    std::shared_ptr<const EditText> m_owned;
    const EditText &m_field;
    FieldSettings m_settings;
    QRectF m_bounds;
    QString m_text;
    QString m_source;
    std::vector<CharAttributes> m_formats; // one a character of m_text
    CharAttributes m_newFormat;
    CharAttributes m_defaultFormat; // the field's own, as defined
    CharFormat m_base;
    const Font *m_font = nullptr;
    TextLayout m_layout;
    int m_scroll = 1;
    double m_hscroll = 0.0;
    int m_selectionBegin = 0;
    int m_selectionEnd = 0;
    bool m_focused = false;
    bool m_dirty = false; // settings changed since the last layout
};

} // namespace swf
