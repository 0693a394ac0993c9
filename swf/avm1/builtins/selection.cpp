// Selection: which object has the keyboard focus, and the selected text of
// a focused field. Focus moves tell the objects (onKillFocus, onSetFocus)
// and Selection's listeners; typed keys edit a focused input field.
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

namespace {

struct FocusState final : MachineExtension {
    ObjectHandle focused;
    Object *selection = nullptr;
    void markRoots(Heap &heap) override { heap.mark(selection); }
};

FocusState &state(Machine &m)
{
    return *m.extension<FocusState>();
}

DisplayObject *focused(Machine &m)
{
    const ObjectHandle handle = state(m).focused;
    return handle == ObjectHandle{} || !m.hasPlayer() ? nullptr : m.player().find(handle);
}

EditTextInstance *focusedField(Machine &m)
{
    DisplayObject *object = focused(m);
    return object && object->kind() == CharacterKind::EditText
               ? static_cast<EditTextInstance *>(object)
               : nullptr;
}

Value objectValue(Machine &m, DisplayObject *object)
{
    return object ? Value(m.objectOf(*object)) : Value::null();
}

// Fields always take the focus; clips when they ask for it.
bool takesFocus(Machine &m, DisplayObject &object)
{
    if (object.kind() == CharacterKind::EditText)
        return true;
    if (!object.parent())
        return false;
    if (object.kind() != CharacterKind::Sprite && object.kind() != CharacterKind::Button)
        return false;
    Object *script = m.objectOf(object);
    if (m.toBoolean(m.get(script, QStringLiteral("focusEnabled"))))
        return true;
    // Clips that act as buttons take it too.
    for (const char *name : {"onPress", "onRelease", "onReleaseOutside", "onRollOver", "onRollOut",
                             "onDragOver", "onDragOut"}) {
        if (m.findProperty(script, m.key(QString::fromLatin1(name)).data()))
            return true;
    }
    return false;
}

void moveFocus(Machine &m, DisplayObject *to)
{
    DisplayObject *from = focused(m);
    if (from == to)
        return;
    const Value oldValue = objectValue(m, from);
    const Value newValue = objectValue(m, to);
    const ObjectHandle next = to ? to->handle() : ObjectHandle{};
    // The object losing the focus hears of it while it still has it.
    if (from && from->kind() == CharacterKind::EditText)
        static_cast<EditTextInstance *>(from)->setFocused(false);
    if (from) {
        Object *script = m.objectOf(*from);
        m.call(m.get(script, QStringLiteral("onKillFocus")), Value(script), Args({newValue}));
    }
    state(m).focused = next;
    to = next == ObjectHandle{} ? nullptr : m.player().find(next);
    // Clips and buttons show the focus with a rectangle; fields with their caret.
    m.player().setFocusHighlight(to && to->kind() != CharacterKind::EditText ? next
                                                                             : ObjectHandle{});
    if (to) {
        if (to->kind() == CharacterKind::EditText) {
            auto *field = static_cast<EditTextInstance *>(to);
            field->setSelection(0, int(field->text().size()));
            field->setFocused(true);
        }
        Object *script = m.objectOf(*to);
        m.call(m.get(script, QStringLiteral("onSetFocus")), Value(script), Args({oldValue}));
    }
    m.broadcastToListeners(Value(state(m).selection), QStringLiteral("onSetFocus"),
                           {oldValue, newValue});
}

Value getFocus(Machine &m, const Value &, const Args &)
{
    DisplayObject *object = focused(m);
    return object ? Value(m.targetPathOf(*object)) : Value::null();
}

Value setFocus(Machine &m, const Value &, const Args &args)
{
    const Value &target = args[0];
    if (args.size() == 0)
        return Value(false);
    if (target.isNullish()) {
        moveFocus(m, nullptr);
        return Value(true);
    }
    DisplayObject *object = m.displayObjectOf(target);
    if (!object && target.isString() && m.hasPlayer())
        object = m.resolvePath(target.string()->text(), &m.player().root());
    if (object && takesFocus(m, *object))
        moveFocus(m, object);
    return Value(false);
}

Value getBeginIndex(Machine &m, const Value &, const Args &)
{
    EditTextInstance *field = focusedField(m);
    return Value(field ? field->selectionBegin() : -1);
}

Value getEndIndex(Machine &m, const Value &, const Args &)
{
    EditTextInstance *field = focusedField(m);
    return Value(field ? field->selectionEnd() : -1);
}

Value getCaretIndex(Machine &m, const Value &, const Args &)
{
    EditTextInstance *field = focusedField(m);
    return Value(field ? field->selectionEnd() : -1);
}

Value setSelection(Machine &m, const Value &, const Args &args)
{
    if (EditTextInstance *field = focusedField(m))
        field->setSelection(intArg(m, args, 0, 0), intArg(m, args, 1, 0));
    return Value();
}

// A character a field's restrict lets in: its ranges ("a-z"), "^" to
// leave characters out after it, "\\" for a literal.
bool allowed(const std::optional<QString> &restrict, QChar c)
{
    if (!restrict)
        return true;
    const QString &r = *restrict;
    bool anyIncluded = false;
    bool included = false;
    bool excluded = false;
    bool include = true;
    for (qsizetype i = 0; i < r.size(); ++i) {
        QChar a = r[i];
        if (a == u'^') {
            include = !include;
            continue;
        }
        if (a == u'\\' && i + 1 < r.size())
            a = r[++i];
        QChar b = a;
        if (i + 2 < r.size() && r[i + 1] == u'-') {
            b = r[i + 2];
            i += 2;
        }
        const bool match = c >= a && c <= b;
        if (include) {
            anyIncluded = true;
            included = included || match;
        } else {
            excluded = excluded || match;
        }
    }
    return (anyIncluded ? included : !r.isEmpty()) && !excluded;
}

} // namespace

void installSelection(Machine &m)
{
    auto owned = std::make_unique<FocusState>();
    FocusState &s = *owned;
    m.addExtension(std::move(owned));
    Object *selection = m.newObject();
    s.selection = selection;
    m.defineValue(m.global(), QStringLiteral("Selection"), Value(selection));
    constexpr quint32 kFlags =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    m.defineValue(selection, QStringLiteral("constructor"),
                  m.get(m.global(), QStringLiteral("Object")), kFlags);
    const struct {
        const char *name;
        NativeFunction function;
    } methods[] = {
        {"getFocus", getFocus},           {"setFocus", setFocus},
        {"getBeginIndex", getBeginIndex}, {"getEndIndex", getEndIndex},
        {"getCaretIndex", getCaretIndex}, {"setSelection", setSelection},
    };
    for (const auto &method : methods)
        m.defineValue(selection, QString::fromLatin1(method.name),
                      Value(m.newNative(method.function)), kFlags);
    makeBroadcaster(m, selection);
    for (const char *name : {"_listeners", "addListener", "removeListener", "broadcastMessage"}) {
        if (Property *p = selection->properties().find(m.key(QString::fromLatin1(name)).data()))
            p->flags = kFlags;
    }
}

void focusFieldAt(Machine &m, QPointF stagePoint)
{
    if (!m.hasPlayer())
        return;
    // The topmost selectable or input field under the pointer.
    EditTextInstance *hit = nullptr;
    const auto visit = [&](const auto &self, DisplayObject &object) -> void {
        if (!object.placement().visible)
            return;
        if (object.kind() == CharacterKind::EditText) {
            auto &field = static_cast<EditTextInstance &>(object);
            if ((field.settings().input || field.settings().selectable) &&
                m.player().geometry().hitTest(object, stagePoint, false))
                hit = &field;
        }
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    visit(visit, m.player().root());
    if (hit) {
        if (focused(m) != hit)
            moveFocus(m, hit);
        const int end = int(hit->text().size());
        hit->setSelection(end, end);
    } else if (focusedField(m)) {
        moveFocus(m, nullptr);
    }
}

void typeIntoFocus(Machine &m, const KeyEvent &event)
{
    EditTextInstance *field = focusedField(m);
    if (!field || event.type != KeyEvent::Type::Press)
        return;
    const int length = int(field->text().size());
    const int begin = field->selectionBegin();
    const int end = field->selectionEnd();
    const auto caret = [field](int at) { field->setSelection(at, at); };
    switch (event.keyCode) {
    case 37: // left
        caret(begin == end ? std::max(0, begin - 1) : begin);
        return;
    case 39: // right
        caret(begin == end ? std::min(length, end + 1) : end);
        return;
    case 36: // home
        caret(0);
        return;
    case 35: // end
        caret(length);
        return;
    default:
        break;
    }
    if (!field->settings().input)
        return;
    if (event.keyCode == 8 || event.keyCode == 46) { // backspace, delete
        int from = begin;
        int to = end;
        if (from == to) {
            if (event.keyCode == 8)
                from = std::max(0, from - 1);
            else
                to = std::min(length, to + 1);
        }
        if (from == to)
            return;
        field->replaceText(from, to, QString(), EditTextInstance::ReplaceFormat::NewText);
        caret(from);
    } else {
        QChar c(event.charCode);
        if (event.keyCode == 13) {
            if (!field->settings().multiline)
                return;
            c = u'\r';
        } else if (event.charCode < 0x20 || event.charCode == 0x7f ||
                   !allowed(field->settings().restrict, c)) {
            return;
        }
        const int maxChars = field->settings().maxChars;
        if (maxChars > 0 && length - (end - begin) >= maxChars)
            return;
        field->replaceText(begin, end, QString(c), EditTextInstance::ReplaceFormat::NewText);
        caret(begin + 1);
    }
    // The bound variable and the field's listeners hear of the change.
    Object *script = m.objectOf(*field);
    const QString &variable = field->settings().variable;
    if (!variable.isEmpty() && field->parent()) {
        DisplayObject *owner = field->parent();
        QString name = variable;
        const int cut = int(
            qMax(variable.lastIndexOf(QLatin1Char(':')), variable.lastIndexOf(QLatin1Char('.'))));
        if (cut > 0) {
            owner = m.resolvePath(variable.left(cut), owner);
            name = variable.mid(cut + 1);
        }
        if (owner && !name.isEmpty()) {
            field->noteSource(field->text());
            m.set(m.objectOf(*owner), name, Value(field->text()));
        }
    }
    m.call(m.get(script, QStringLiteral("onChanged")), Value(script), Args({Value(script)}));
}

} // namespace swf::avm1
