#include "swf/runtime/edittextinstance.h"

#include "swf/runtime/runtimecontext.h"

namespace swf {

EditTextInstance::EditTextInstance(const EditText &field, const PlacementState &placement,
                                   DisplayObject *parent, RuntimeContext &context)
    : DisplayObject(field, placement, parent, context), m_field(field),
      m_text(field.initialText.value_or(QString())),
      m_layout(layOutText(field, m_text, context.movie))
{
}

} // namespace swf
