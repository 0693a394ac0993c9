// TextField: its properties are getters and setters on the prototype that
// read and change the field's runtime object (which lays its text out
// again); its methods read and set formats and replace text.
// MovieClip.createTextField makes fields.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/limits.h"
#include "swf/model/movie.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/player.h"

#include <cmath>
#include <utility>

namespace swf::avm1 {

namespace {

constexpr int kDepthOffset = 16384;
constexpr int kMaxScriptDepth = 2130690045;

// Style sheets given to fields, by the field's serial.
struct TextFieldState final : MachineExtension {
    std::unordered_map<quint64, Value> styleSheets;
    FunctionObject *constructor = nullptr;
    void markRoots(Heap &heap) override
    {
        for (auto &[serial, sheet] : styleSheets)
            heap.mark(sheet);
        heap.mark(constructor);
    }
};

EditTextInstance *fieldOf(Machine &m, const Value &self)
{
    DisplayObject *object = m.displayObjectOf(self);
    return object && object->kind() == CharacterKind::EditText
               ? static_cast<EditTextInstance *>(object)
               : nullptr;
}

double pixels(double twips)
{
    return twips / kTwipsPerPixel;
}

Value colorValue(const Rgba &c)
{
    return Value(int((c.r << 16) | (c.g << 8) | c.b));
}

Rgba colorArg(Machine &m, const Value &v)
{
    const quint32 rgb = quint32(m.toInt32(v));
    return Rgba{quint8(rgb >> 16), quint8(rgb >> 8), quint8(rgb), 255};
}

// The object and name a bound field's variable ("path:name", "path.name"
// or "name") names: a clip by its path, or an object a variable of the
// field's timeline holds.
struct BoundVariable {
    Object *owner = nullptr;
    QString name;
    bool clip = false;
};

BoundVariable variableOf(Machine &m, EditTextInstance &field)
{
    const QString &variable = field.settings().variable;
    if (variable.isEmpty() || !field.parent())
        return {};
    const int cut =
        int(qMax(variable.lastIndexOf(QLatin1Char(':')), variable.lastIndexOf(QLatin1Char('.'))));
    if (cut <= 0)
        return {m.objectOf(*field.parent()), variable, true};
    const QString path = variable.left(cut);
    const QString name = variable.mid(cut + 1);
    if (name.isEmpty())
        return {};
    if (DisplayObject *clip = m.resolvePath(path, field.parent()))
        return {m.objectOf(*clip), name, true};
    Object *owner = m.objectOf(*field.parent());
    for (const QString &part : path.split(QLatin1Char('.'))) {
        owner = m.get(owner, part).asObject();
        if (!owner)
            return {};
    }
    return {owner, name, asClip(owner) != nullptr};
}

// Bound fields tell their variable what scripts write into them.
void updateVariable(Machine &m, EditTextInstance &field)
{
    const BoundVariable bound = variableOf(m, field);
    if (!bound.owner)
        return;
    const QString text = field.settings().html ? field.htmlText() : field.text();
    field.noteSource(text);
    m.set(bound.owner, bound.name, Value(text));
}

// A bound field shows its variable's value when the variable is named
// and, for a clip's variable, whenever it is read; a variable not set yet
// takes the field's text, or when a clip's is named, the text the field
// was defined with, which the field shows again.
void readVariable(Machine &m, EditTextInstance &field, bool naming = false)
{
    const BoundVariable bound = variableOf(m, field);
    if (!bound.owner || (!bound.clip && !naming))
        return;
    Value value;
    if (!m.lookup(bound.owner, m.key(bound.name).data(), value) || value.isUndefined()) {
        if (!naming || !bound.clip) {
            m.set(bound.owner, bound.name, Value(field.text()));
            return;
        }
        const QString initial = field.field().initialText.value_or(QString());
        field.setSourceText(initial);
        m.set(bound.owner, bound.name, Value(initial));
        return;
    }
    const QString text = m.toString(value).text();
    if (text != field.source())
        field.setSourceText(text);
}

// Text as the field's setters take it: an object's toString() when that
// gives a string, its kind ("[type Object]") when it does not.
QString textArg(Machine &m, const Value &v)
{
    Object *object = v.asObject();
    if (!object || asClip(object))
        return m.toString(v).text();
    const Value text = m.call(m.get(object, QStringLiteral("toString")), v, Args());
    return text.isString() ? text.string()->text() : m.objectString(v).text();
}

// Flags as the field's setters take them: objects are asked their
// valueOf() first, though any object is true.
bool boolArg(Machine &m, const Value &v)
{
    Object *object = v.asObject();
    if (object && !asClip(object))
        m.call(m.get(object, QStringLiteral("valueOf")), v, Args());
    return m.toBoolean(v);
}

// Some setters read an object as a number first (its valueOf runs),
// whatever they then make of it.
const Value &numberFirst(Machine &m, const Value &v)
{
    if (v.isObject())
        m.toNumber(v);
    return v;
}

using Get = Value (*)(Machine &, EditTextInstance &);
using Set = void (*)(Machine &, EditTextInstance &, const Value &);

struct FieldAccessor {
    const char *name;
    Get get;
    Set set; // null: read-only
    int since;
};

template <typename F> void changeSettings(EditTextInstance &field, F change)
{
    FieldSettings settings = field.settings();
    change(settings);
    field.setSettings(settings);
}

#define FIELD_BOOL(member)                                                                         \
    [](Machine &, EditTextInstance &f) { return Value(f.settings().member); },                     \
        [](Machine &m, EditTextInstance &f, const Value &v) {                                      \
            const bool b = boolArg(m, v);                                                          \
            changeSettings(f, [b](FieldSettings &s) { s.member = b; });                            \
        }
#define FIELD_COLOR(member)                                                                        \
    [](Machine &, EditTextInstance &f) { return colorValue(f.settings().member); },                \
        [](Machine &m, EditTextInstance &f, const Value &v) {                                      \
            const Rgba c = colorArg(m, v);                                                         \
            changeSettings(f, [c](FieldSettings &s) { s.member = c; });                            \
        }

const FieldAccessor kFieldAccessors[] = {
    {"text",
     [](Machine &m, EditTextInstance &f) {
         readVariable(m, f);
         return Value(f.text());
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         f.setText(textArg(m, v));
         updateVariable(m, f);
     },
     0},
    {"htmlText",
     [](Machine &m, EditTextInstance &f) {
         readVariable(m, f);
         return Value(f.htmlText());
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const QString text = textArg(m, v);
         f.settings().html ? f.setHtmlText(text) : f.setText(text);
         updateVariable(m, f);
     },
     0},
    {"html", FIELD_BOOL(html), 0},
    {"length", [](Machine &, EditTextInstance &f) { return Value(int(f.text().size())); }, nullptr,
     0},
    {"textWidth",
     [](Machine &, EditTextInstance &f) {
         return Value(std::round(pixels(f.layout().textExtent.width())));
     },
     nullptr, 0},
    {"textHeight",
     [](Machine &, EditTextInstance &f) {
         return Value(std::round(pixels(f.layout().textExtent.height())));
     },
     nullptr, 0},
    {"scroll", [](Machine &, EditTextInstance &f) { return Value(f.scroll()); },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const double n = m.toNumber(v);
         if (std::isfinite(n))
             f.setScroll(int(std::clamp(n, -1e9, 1e9)));
     },
     0},
    {"maxscroll", [](Machine &, EditTextInstance &f) { return Value(f.maxScroll()); }, nullptr, 0},
    {"bottomScroll", [](Machine &, EditTextInstance &f) { return Value(f.bottomScroll()); },
     nullptr, 0},
    {"hscroll",
     [](Machine &, EditTextInstance &f) { return Value(std::round(pixels(f.hscroll()))); },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const double n = m.toNumber(v);
         if (std::isfinite(n))
             f.setHScroll(std::trunc(n) * kTwipsPerPixel);
     },
     0},
    {"maxhscroll",
     [](Machine &, EditTextInstance &f) { return Value(std::round(pixels(f.maxHScroll()))); },
     nullptr, 0},
    {"autoSize",
     [](Machine &, EditTextInstance &f) {
         switch (f.settings().autoSize) {
         case AutoSize::None:
             return Value(QStringLiteral("none"));
         case AutoSize::Center:
             return Value(QStringLiteral("center"));
         case AutoSize::Right:
             return Value(QStringLiteral("right"));
         case AutoSize::Left:
         case AutoSize::FromAlign:
             break;
         }
         return Value(QStringLiteral("left"));
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         numberFirst(m, v);
         AutoSize mode = AutoSize::None;
         if (v.isBoolean()) {
             mode = v.boolean() ? AutoSize::Left : AutoSize::None;
         } else {
             const QString name = m.toString(v).text().toLower();
             mode = name == u"left"     ? AutoSize::Left
                    : name == u"center" ? AutoSize::Center
                    : name == u"right"  ? AutoSize::Right
                                        : AutoSize::None;
         }
         changeSettings(f, [mode](FieldSettings &s) { s.autoSize = mode; });
     },
     0},
    {"wordWrap", FIELD_BOOL(wordWrap), 0},
    {"multiline", FIELD_BOOL(multiline), 0},
    {"border", FIELD_BOOL(border), 0},
    {"borderColor", FIELD_COLOR(borderColor), 0},
    {"background", FIELD_BOOL(background), 0},
    {"backgroundColor", FIELD_COLOR(backgroundColor), 0},
    {"textColor", [](Machine &, EditTextInstance &f) { return colorValue(*f.newFormat().color); },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         TextFormatValues color;
         color.color = colorArg(m, v);
         f.applyFormat(0, int(f.text().size()), color);
         f.setNewFormat(color);
     },
     0},
    {"maxChars",
     [](Machine &, EditTextInstance &f) {
         return f.settings().maxChars == 0 ? Value::null() : Value(f.settings().maxChars);
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const int n = m.toInt32(numberFirst(m, v));
         changeSettings(f, [n](FieldSettings &s) { s.maxChars = n; });
     },
     0},
    {"restrict",
     [](Machine &, EditTextInstance &f) {
         return f.settings().restrict ? Value(*f.settings().restrict) : Value::null();
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         std::optional<QString> r;
         if (!v.isNullish())
             r = textArg(m, numberFirst(m, v));
         changeSettings(f, [&r](FieldSettings &s) { s.restrict = r; });
     },
     0},
    {"password", FIELD_BOOL(password), 0},
    {"selectable", FIELD_BOOL(selectable), 0},
    {"type",
     [](Machine &, EditTextInstance &f) {
         return Value(f.settings().input ? QStringLiteral("input") : QStringLiteral("dynamic"));
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const QString name = m.toString(numberFirst(m, v)).text().toLower();
         if (name != u"input" && name != u"dynamic")
             return;
         const bool input = name == u"input";
         changeSettings(f, [input](FieldSettings &s) { s.input = input; });
     },
     0},
    {"embedFonts", FIELD_BOOL(embedFonts), 0},
    {"condenseWhite", FIELD_BOOL(condenseWhite), 0},
    {"mouseWheelEnabled", FIELD_BOOL(mouseWheelEnabled), 0},
    {"variable",
     [](Machine &, EditTextInstance &f) {
         return f.settings().variable.isEmpty() ? Value::null() : Value(f.settings().variable);
     },
     [](Machine &m, EditTextInstance &f, const Value &v) {
         const QString name = v.isNullish() ? QString() : textArg(m, numberFirst(m, v));
         changeSettings(f, [&name](FieldSettings &s) { s.variable = name; });
         readVariable(m, f, true);
     },
     0},
    {"styleSheet",
     [](Machine &m, EditTextInstance &f) {
         auto &sheets = m.extension<TextFieldState>()->styleSheets;
         const auto it = sheets.find(f.serial());
         return it == sheets.end() ? Value() : it->second;
     },
     // Any object but a display object's is taken.
     [](Machine &m, EditTextInstance &f, const Value &v) {
         auto &sheets = m.extension<TextFieldState>()->styleSheets;
         if (v.isObject() && !m.displayObjectOf(numberFirst(m, v)))
             sheets[f.serial()] = v;
         else
             sheets.erase(f.serial());
     },
     6},
};

#undef FIELD_BOOL
#undef FIELD_COLOR

template <size_t I> Value getField(Machine &m, const Value &self, const Args &)
{
    EditTextInstance *f = fieldOf(m, self);
    return f ? kFieldAccessors[I].get(m, *f) : Value();
}

template <size_t I> Value setField(Machine &m, const Value &self, const Args &args)
{
    if (EditTextInstance *f = fieldOf(m, self); f && kFieldAccessors[I].set)
        kFieldAccessors[I].set(m, *f, args[0]);
    return Value();
}

template <size_t... I>
void defineFieldAccessors(Machine &m, Object *proto, std::index_sequence<I...>)
{
    (
        [&] {
            const FieldAccessor &a = kFieldAccessors[I];
            if (m.version() >= a.since &&
                !proto->properties().find(m.key(QString::fromLatin1(a.name)).data()))
                defineAccessor(m, proto, QString::fromLatin1(a.name), getField<I>, setField<I>,
                               PropertyFlag::DontEnum | PropertyFlag::DontDelete);
        }(),
        ...);
}

// new TextField() makes no field, but like any field made it puts the
// field properties on the prototype.
Value construct(Machine &m, const Value &, const Args &)
{
    defineTextFieldProperties(m);
    return Value();
}

Value getDepth(Machine &m, const Value &self, const Args &)
{
    // A text field's own: borrowed by a clip, it answers nothing.
    DisplayObject *object = m.displayObjectOf(self);
    return object && object->kind() == CharacterKind::EditText
               ? Value(object->depth() - kDepthOffset)
               : Value();
}

// Formats: (fmt) the whole text, (index, fmt) one character,
// (begin, end, fmt) a range.
Value getTextFormat(Machine &m, const Value &self, const Args &args)
{
    EditTextInstance *f = fieldOf(m, self);
    if (!f)
        return Value();
    const int length = int(f->text().size());
    if (args.size() == 0)
        return makeTextFormat(m, length > 0 ? f->formatOf(0, length) : f->newFormat());
    const int begin = intArg(m, args, 0, -1);
    if (args.size() == 1) {
        if (begin < 0 || begin > length || length == 0)
            return makeTextFormat(m, TextFormatValues());
        const int at = std::min(begin, length - 1);
        return makeTextFormat(m, f->formatOf(at, at + 1));
    }
    const int end = intArg(m, args, 1, -1);
    return makeTextFormat(m, f->formatOf(begin, end));
}

Value setTextFormat(Machine &m, const Value &self, const Args &args)
{
    EditTextInstance *f = fieldOf(m, self);
    if (!f || args.size() == 0)
        return Value();
    const auto format = textFormatValuesOf(args[args.size() - 1]);
    if (!format)
        return Value();
    const int length = int(f->text().size());
    int begin = 0;
    int end = length;
    if (args.size() == 2) {
        begin = intArg(m, args, 0, -1);
        end = begin + 1;
    } else if (args.size() >= 3) {
        begin = std::max(0, intArg(m, args, 0, -1));
        end = intArg(m, args, 1, -1);
    }
    if (begin < 0 || begin >= length)
        return Value();
    f->applyFormat(begin, std::min(end, length), *format);
    return Value();
}

Value getNewTextFormat(Machine &m, const Value &self, const Args &)
{
    EditTextInstance *f = fieldOf(m, self);
    return f ? makeTextFormat(m, f->newFormat()) : Value();
}

Value setNewTextFormat(Machine &m, const Value &self, const Args &args)
{
    EditTextInstance *f = fieldOf(m, self);
    if (!f)
        return Value();
    if (const auto format = textFormatValuesOf(args[0]))
        f->setNewFormat(*format);
    return Value();
}

Value replaceSel(Machine &m, const Value &self, const Args &args)
{
    EditTextInstance *f = fieldOf(m, self);
    if (!f || args.size() == 0)
        return Value();
    const QString text = m.toString(args[0]).text();
    const int begin = f->selectionBegin();
    f->replaceText(begin, f->selectionEnd(), text, EditTextInstance::ReplaceFormat::NewText);
    const int caret = begin + int(text.size());
    f->setSelection(caret, caret);
    updateVariable(m, *f);
    return Value();
}

Value replaceText(Machine &m, const Value &self, const Args &args)
{
    EditTextInstance *f = fieldOf(m, self);
    if (!f || args.size() < 3)
        return Value();
    const int length = int(f->text().size());
    const int begin = intArg(m, args, 0, -1);
    const int end = intArg(m, args, 1, -1);
    // Past the end is at the end.
    if (begin < 0 || end < begin)
        return Value();
    f->replaceText(std::min(begin, length), std::min(end, length), m.toString(args[2]).text(),
                   EditTextInstance::ReplaceFormat::Following);
    updateVariable(m, *f);
    return Value();
}

Value removeTextField(Machine &m, const Value &self, const Args &)
{
    if (EditTextInstance *f = fieldOf(m, self))
        m.removeClip(*f);
    return Value();
}

Value getFontList(Machine &m, const Value &, const Args &)
{
    ArrayObject *list = m.newArray();
    for (const char *name : {"_sans", "_serif", "_typewriter"})
        list->push(Value(QString::fromLatin1(name)));
    return Value(list);
}

// MovieClip.createTextField(name, depth, x, y, width, height): an empty
// dynamic field in the default format.
Value createTextField(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *parent = m.displayObjectOf(self);
    if (!parent || !parent->children() || args.size() < 6)
        return Value();
    defineTextFieldProperties(m);
    const double depth = m.toNumber(args[1]);
    if (!std::isfinite(depth) || depth < -kDepthOffset || depth > kMaxScriptDepth - kDepthOffset)
        return Value();
    // The box is given in whole pixels: fractions are cut off.
    const auto twips = [&](const Value &v) {
        const double n = std::trunc(m.toNumber(v)) * kTwipsPerPixel;
        return std::isfinite(n) ? qint32(std::clamp(std::trunc(n), -1e8, 1e8)) : 0;
    };
    auto field = std::make_shared<EditText>(0);
    field->bounds.xMin = 0;
    field->bounds.yMin = 0;
    field->bounds.xMax = std::max(0, twips(args[4]));
    field->bounds.yMax = std::max(0, twips(args[5]));
    field->readOnly = true;
    PlacementState state;
    state.depth = int(depth) + kDepthOffset;
    state.name = m.toString(args[0]).text();
    state.matrix.translateX = twips(args[2]);
    state.matrix.translateY = twips(args[3]);
    auto made =
        std::make_unique<EditTextInstance>(std::move(field), state, parent, parent->context());
    DisplayObject *added = m.addScriptClip(*parent, std::move(made), nullptr);
    if (!added || m.version() < 8)
        return Value();
    return Value(m.objectOf(*added));
}

} // namespace

// The field properties are put on the prototype when a field is first
// made: on TextField.prototype as it then is, and on the one fields have.
void defineTextFieldProperties(Machine &m)
{
    constexpr auto all = std::make_index_sequence<std::size(kFieldAccessors)>();
    if (TextFieldState *state = m.extension<TextFieldState>(); state && state->constructor) {
        if (Object *proto = m.get(state->constructor, m.names().prototype.data()).asObject())
            defineFieldAccessors(m, proto, all);
    }
    if (m.protos().textField)
        defineFieldAccessors(m, m.protos().textField, all);
}

void installTextField(Machine &m)
{
    auto state = std::make_unique<TextFieldState>();
    TextFieldState &fields = *state;
    m.addExtension(std::move(state));
    Object *textField = m.newObject();
    m.protos().textField = textField;
    FunctionObject *constructor = m.defineClass(QStringLiteral("TextField"), textField, construct);
    fields.constructor = constructor;
    m.defineMethod(constructor, QStringLiteral("getFontList"), getFontList);
    // A movie that defines fields has the field properties from the start.
    for (const auto &[id, character] : m.movie().dictionary()) {
        if (character && character->kind() == CharacterKind::EditText) {
            defineTextFieldProperties(m);
            break;
        }
    }
    const struct {
        const char *name;
        NativeFunction function;
        quint32 flags = 0;
    } methods[] = {
        {"getDepth", getDepth},
        {"getTextFormat", getTextFormat},
        {"setTextFormat", setTextFormat},
        {"getNewTextFormat", getNewTextFormat},
        {"setNewTextFormat", setNewTextFormat},
        {"replaceSel", replaceSel},
        {"replaceText", replaceText, PropertyFlag::OnlySwf7},
        {"removeTextField", removeTextField},
    };
    for (const auto &method : methods)
        m.defineValue(textField, QString::fromLatin1(method.name),
                      Value(m.newNative(method.function)),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete | method.flags);
    installStyleSheet(m, constructor);
    // Version 5 movies make fields too, though they reach them only
    // through the clip they are on.
    if (m.protos().movieClip)
        m.defineValue(m.protos().movieClip, QStringLiteral("createTextField"),
                      Value(m.newNative(createTextField)), PropertyFlag::DontEnum);
}

} // namespace swf::avm1
