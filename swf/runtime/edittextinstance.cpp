#include "swf/runtime/edittextinstance.h"

#include "swf/runtime/runtimecontext.h"

#include <algorithm>
#include <cmath>

namespace swf {

EditTextInstance::EditTextInstance(const EditText &field, const PlacementState &placement,
                                   DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(&field, CharacterKind::EditText, placement, parent, context), m_field(field),
      m_text(field.initialText.value_or(QString())), m_layout(layOutText(field, m_text, movie()))
{
}

void EditTextInstance::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_layout = layOutText(m_field, m_text, movie());
    setScroll(m_scroll);
    setHScroll(m_hscroll);
    context().changed = true;
}

void EditTextInstance::setScroll(int line)
{
    const int lines = std::max(1, int(m_layout.lineTops.size()));
    line = std::clamp(line, 1, lines);
    if (line != m_scroll)
        context().changed = true;
    m_scroll = line;
}

void EditTextInstance::setHScroll(double twips)
{
    const double room = std::max(0.0, m_layout.textExtent.right() - m_layout.box.right());
    twips = std::isfinite(twips) ? std::clamp(twips, 0.0, room) : 0.0;
    if (twips != m_hscroll)
        context().changed = true;
    m_hscroll = twips;
}

QPointF EditTextInstance::scrollOffset() const
{
    const auto &tops = m_layout.lineTops;
    if (tops.empty())
        return QPointF(-m_hscroll, 0.0);
    return QPointF(-m_hscroll, tops.front() - tops[size_t(m_scroll - 1)]);
}

} // namespace swf
