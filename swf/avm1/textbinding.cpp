// Text fields bound to a variable (DefineEditText's VariableName) show its
// value: once a frame the field takes the variable's text; a field whose
// variable is not set yet gives it its own text.
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

void Machine::updateBoundText()
{
    const auto visit = [this](const auto &self, DisplayObject &object) -> void {
        if (object.kind() == CharacterKind::EditText) {
            auto &field = static_cast<EditTextInstance &>(object);
            const QString &variable = field.settings().variable;
            if (!variable.isEmpty() && object.parent())
                bindText(field, variable);
        }
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    visit(visit, m_player->root());
}

void Machine::bindText(EditTextInstance &field, const QString &variable)
{
    // "path:name" or "path.name" names a variable of another clip.
    DisplayObject *owner = field.parent();
    QString name = variable;
    const int colon = int(variable.lastIndexOf(QLatin1Char(':')));
    const int dot = int(variable.lastIndexOf(QLatin1Char('.')));
    const int cut = qMax(colon, dot);
    if (cut > 0) {
        owner = resolvePath(variable.left(cut), owner);
        name = variable.mid(cut + 1);
    }
    if (!owner || name.isEmpty())
        return;
    Object *clip = objectOf(*owner);
    const StrRef k = key(name);
    Value value;
    if (!lookup(clip, k.data(), value) || value.isUndefined()) {
        set(clip, k.data(), Value(field.text()), StrRef(name).data());
        return;
    }
    const QString text = toString(value).text();
    if (text != field.source())
        field.setSourceText(text);
}

} // namespace swf::avm1
