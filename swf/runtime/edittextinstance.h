// An instance of a DefineEditText: the field's text, set out when the
// instance is made and again whenever scripts change it.
#pragma once

#include "swf/model/edittext.h"
#include "swf/runtime/displayobject.h"
#include "swf/runtime/textlayout.h"

namespace swf {

class EditTextInstance final : public DisplayObject {
public:
    EditTextInstance(const EditText &field, const PlacementState &placement, DisplayObject *parent,
                     RuntimeContext &context);

    const EditText &field() const { return m_field; }
    // The text as set: HTML source in an HTML field.
    const QString &text() const { return m_text; }
    // New text (HTML source in an HTML field), laid out at once.
    void setText(const QString &text);
    const TextLayout &layout() const { return m_layout; }
    // The first line shown (from 1) and the text moved left by `hscroll`
    // twips, as scripts scroll a field; kept within the text.
    int scroll() const { return m_scroll; }
    void setScroll(int line);
    double hscroll() const { return m_hscroll; }
    void setHScroll(double twips);
    // Where the laid-out text is drawn, in the field's coordinates.
    QPointF scrollOffset() const;

private:
    const EditText &m_field;
    QString m_text;
    TextLayout m_layout;
    int m_scroll = 1;
    double m_hscroll = 0.0;
};

} // namespace swf
