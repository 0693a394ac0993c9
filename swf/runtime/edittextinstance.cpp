#include "swf/runtime/edittextinstance.h"

#include "swf/runtime/runtimecontext.h"

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
    context().changed = true;
}

} // namespace swf
