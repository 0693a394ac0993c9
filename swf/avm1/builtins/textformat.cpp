// TextFormat: a set of character and paragraph formats, each given or
// null. Its properties are getters and setters on the prototype, put there
// when the first TextFormat is made; each converts what it is given as the
// movie's version of the Flash Player does.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/limits.h"
#include "swf/runtime/textfaces.h"

#include <cmath>
#include <limits>
#include <utility>

namespace swf::avm1 {

namespace {

class TextFormatObject final : public Object {
public:
    using Object::Object;
    ObjectClass objectClass() const override { return ObjectClass::Other; }

    std::optional<QString> font, url, target;
    std::optional<double> size, blockIndent, indent, leading, leftMargin, rightMargin;
    std::optional<double> color; // 0 to 2^32 - 1
    std::optional<double> letterSpacing;
    std::optional<bool> bold, italic, underline, bullet, kerning;
    std::optional<TextAlign> align;
    std::optional<std::vector<double>> tabStops;
    QString display = QStringLiteral("block");
};

TextFormatObject *formatOf(const Value &self)
{
    return dynamic_cast<TextFormatObject *>(self.asObject());
}

// Integers as the later players convert them: out of range, infinite and
// NaN give the least integer.
double truncatedInt(double n)
{
    if (!std::isfinite(n) || n >= 2147483648.0 || n <= -2147483649.0)
        return -2147483648.0;
    return std::trunc(n);
}

double lengthValue(Machine &m, const Value &v, bool positive)
{
    const double n = m.toNumber(v);
    if (m.version() >= 8)
        return truncatedInt(positive ? (n > 0 ? n : 0.0) : n);
    const double i = m.toInt32(v);
    return positive ? std::max(0.0, i) : i;
}

std::optional<TextAlign> alignNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == u"left")
        return TextAlign::Left;
    if (n == u"center")
        return TextAlign::Center;
    if (n == u"right")
        return TextAlign::Right;
    if (n == u"justify")
        return TextAlign::Justify;
    return std::nullopt;
}

QString alignName(TextAlign align)
{
    switch (align) {
    case TextAlign::Right:
        return QStringLiteral("right");
    case TextAlign::Center:
        return QStringLiteral("center");
    case TextAlign::Justify:
        return QStringLiteral("justify");
    case TextAlign::Left:
        break;
    }
    return QStringLiteral("left");
}

bool isNothing(const Value &v)
{
    return v.isUndefined() || v.isNull();
}

template <typename T> Value orNull(const std::optional<T> &v)
{
    return v ? Value(*v) : Value::null();
}

Value stringOrNull(const std::optional<QString> &v)
{
    return v ? Value(*v) : Value::null();
}

std::optional<QString> stringArg(Machine &m, const Value &v)
{
    if (isNothing(v))
        return std::nullopt;
    return m.toString(v).text();
}

std::optional<bool> boolArg(Machine &m, const Value &v)
{
    if (isNothing(v))
        return std::nullopt;
    return m.toBoolean(v);
}

std::optional<double> lengthArg(Machine &m, const Value &v, bool positive)
{
    if (isNothing(v))
        return std::nullopt;
    return lengthValue(m, v, positive);
}

std::optional<double> colorArg(Machine &m, const Value &v)
{
    if (isNothing(v))
        return std::nullopt;
    return double(quint32(m.toInt32(v)));
}

std::optional<std::vector<double>> tabStopsArg(Machine &m, const Value &v)
{
    if (isNothing(v))
        return std::nullopt;
    std::vector<double> stops;
    Object *list = v.isString() ? m.toObject(v) : v.asObject();
    if (!list)
        return stops;
    const double length = m.toNumber(m.get(list, QStringLiteral("length")));
    const int count = std::isfinite(length) ? int(std::clamp(length, 0.0, 1024.0)) : 0;
    for (int i = 0; i < count; ++i) {
        const Value element = m.get(list, QString::number(i));
        stops.push_back(m.version() >= 8 ? truncatedInt(m.toNumber(element))
                                         : double(m.toInt32(element)));
    }
    return stops;
}

Value tabStopsValue(Machine &m, const std::optional<std::vector<double>> &stops)
{
    if (!stops)
        return Value::null();
    ArrayObject *array = m.newArray();
    for (const double stop : *stops)
        array->push(Value(stop));
    return Value(array);
}

using Getter = Value (*)(Machine &, TextFormatObject &);
using Setter = void (*)(Machine &, TextFormatObject &, const Value &);

// What a setter makes of an object it is given, once the player has read
// it as a number twice and as text once, whatever it needs.
enum class Reads { Number, Text, Object };

struct Accessor {
    const char *name;
    Getter get;
    Setter set;
    int since; // the first version that has it
    Reads reads;
};

#define TF_STRING(field)                                                                           \
    [](Machine &, TextFormatObject &f) { return stringOrNull(f.field); },                          \
        [](Machine &m, TextFormatObject &f, const Value &v) { f.field = stringArg(m, v); }
#define TF_BOOL(field)                                                                             \
    [](Machine &, TextFormatObject &f) { return orNull(f.field); },                                \
        [](Machine &m, TextFormatObject &f, const Value &v) { f.field = boolArg(m, v); }
#define TF_LENGTH(field, positive)                                                                 \
    [](Machine &, TextFormatObject &f) { return orNull(f.field); },                                \
        [](Machine &m, TextFormatObject &f, const Value &v) {                                      \
            f.field = lengthArg(m, v, positive);                                                   \
        }

const Accessor kAccessors[] = {
    {"align",
     [](Machine &, TextFormatObject &f) {
         return f.align ? Value(alignName(*f.align)) : Value::null();
     },
     [](Machine &m, TextFormatObject &f, const Value &v) {
         if (isNothing(v))
             return;
         if (const auto align = alignNamed(m.toString(v).text()))
             f.align = align;
     },
     0, Reads::Text},
    {"blockIndent", TF_LENGTH(blockIndent, m.version() < 8), 0, Reads::Number},
    {"bold", TF_BOOL(bold), 0, Reads::Object},
    {"bullet", TF_BOOL(bullet), 0, Reads::Object},
    {"color", [](Machine &, TextFormatObject &f) { return orNull(f.color); },
     [](Machine &m, TextFormatObject &f, const Value &v) { f.color = colorArg(m, v); }, 0,
     Reads::Number},
    {"display", [](Machine &, TextFormatObject &f) { return Value(f.display); },
     [](Machine &m, TextFormatObject &f, const Value &v) {
         if (isNothing(v))
             return;
         // What is not a display kind is a block.
         const QString name = m.toString(v).text();
         const bool known = name == u"none" || name == u"inline" || name == u"block";
         f.display = known ? name : QStringLiteral("block");
     },
     0, Reads::Object},
    {"font", TF_STRING(font), 0, Reads::Text},
    {"indent", TF_LENGTH(indent, m.version() < 8), 0, Reads::Number},
    {"italic", TF_BOOL(italic), 0, Reads::Object},
    {"kerning", TF_BOOL(kerning), 8, Reads::Object},
    {"leading", TF_LENGTH(leading, m.version() < 8), 0, Reads::Number},
    {"leftMargin", TF_LENGTH(leftMargin, true), 0, Reads::Number},
    {"letterSpacing", [](Machine &, TextFormatObject &f) { return orNull(f.letterSpacing); },
     [](Machine &m, TextFormatObject &f, const Value &v) {
         f.letterSpacing = isNothing(v) ? std::nullopt : std::optional(m.toNumber(v));
     },
     8, Reads::Number},
    {"rightMargin", TF_LENGTH(rightMargin, true), 0, Reads::Number},
    {"size", [](Machine &, TextFormatObject &f) { return orNull(f.size); },
     [](Machine &m, TextFormatObject &f, const Value &v) {
         f.size = isNothing(v)       ? std::nullopt
                  : m.version() >= 8 ? std::optional(truncatedInt(m.toNumber(v)))
                                     : std::optional(double(m.toInt32(v)));
     },
     0, Reads::Number},
    {"tabStops", [](Machine &m, TextFormatObject &f) { return tabStopsValue(m, f.tabStops); },
     [](Machine &m, TextFormatObject &f, const Value &v) { f.tabStops = tabStopsArg(m, v); }, 0,
     Reads::Object},
    {"target", TF_STRING(target), 0, Reads::Text},
    {"underline", TF_BOOL(underline), 0, Reads::Object},
    {"url", TF_STRING(url), 0, Reads::Text},
};

#undef TF_STRING
#undef TF_BOOL
#undef TF_LENGTH

template <size_t I> Value getAccessor(Machine &m, const Value &self, const Args &)
{
    TextFormatObject *f = formatOf(self);
    return f ? kAccessors[I].get(m, *f) : Value();
}

Value readArgument(Machine &m, const Value &v, Reads reads)
{
    if (!v.isObject())
        return v;
    const double number = m.toNumber(v);
    m.toNumber(v);
    const QString text = m.toString(v).text();
    switch (reads) {
    case Reads::Number:
        return Value(number);
    case Reads::Text:
        return Value(text);
    case Reads::Object:
        break;
    }
    return v;
}

template <size_t I> Value setAccessor(Machine &m, const Value &self, const Args &args)
{
    if (TextFormatObject *f = formatOf(self))
        kAccessors[I].set(m, *f, readArgument(m, args[0], kAccessors[I].reads));
    return Value();
}

template <size_t... I> void defineAccessors(Machine &m, Object *proto, std::index_sequence<I...>)
{
    (
        [&] {
            const QString name = QString::fromLatin1(kAccessors[I].name);
            if (m.version() >= kAccessors[I].since && !proto->properties().find(m.key(name).data()))
                defineAccessor(m, proto, name, getAccessor<I>, setAccessor<I>, 0);
        }(),
        ...);
}

struct TextFormatClass final : MachineExtension {
    Object *proto = nullptr;
    FunctionObject *constructor = nullptr;
    void markRoots(Heap &heap) override
    {
        heap.mark(proto);
        heap.mark(constructor);
    }
};

// Each format made puts the accessors on TextFormat.prototype as it then
// is, where they are missing.
TextFormatObject *makeFormat(Machine &m)
{
    auto *c = m.extension<TextFormatClass>();
    if (Object *proto = m.get(c->constructor, m.names().prototype.data()).asObject())
        defineAccessors(m, proto, std::make_index_sequence<std::size(kAccessors)>());
    auto *made = m.heap().make<TextFormatObject>(c->proto);
    m.defineValue(made, m.names().constructor2.text(), Value(c->constructor));
    if (m.version() <= 6)
        m.defineValue(made, m.names().constructor.text(), Value(c->constructor));
    return made;
}

Value getTextExtent(Machine &m, const Value &self, const Args &args);

// Each format has its own getTextExtent, a function without the links
// functions have.
void defineTextExtent(Machine &m, Object *format)
{
    FunctionObject *function = m.newNative(getTextExtent);
    for (const StrRef &k : {m.names().constructor, m.names().proto})
        function->properties().remove(k.data());
    m.defineValue(format, QStringLiteral("getTextExtent"), Value(function), 0);
}

// new TextFormat(font, size, color, bold, italic, underline, url, target,
// align, leftMargin, rightMargin, indent, leading)
Value construct(Machine &m, const Value &, const Args &args)
{
    TextFormatObject *f = makeFormat(m);
    defineTextExtent(m, f);
    static const char *const kOrder[] = {"font",        "size",   "color",  "bold",  "italic",
                                         "underline",   "url",    "target", "align", "leftMargin",
                                         "rightMargin", "indent", "leading"};
    for (size_t i = 0; i < std::size(kOrder); ++i) {
        if (int(i) >= int(args.size()))
            break;
        for (const Accessor &a : kAccessors) {
            if (qstrcmp(a.name, kOrder[i]) == 0)
                a.set(m, *f, readArgument(m, args[int(i)], a.reads));
        }
    }
    return Value(f);
}

Value call(Machine &, const Value &, const Args &)
{
    return Value();
}

// The size of a line of `text` in this format, in pixels, as a device
// font sets it.
Value getTextExtent(Machine &m, const Value &self, const Args &args)
{
    TextFormatObject *f = formatOf(self);
    if (!f)
        return Value();
    const QString text = m.toString(args[0]).text();
    CharFormat format;
    format.face = f->font.value_or(QStringLiteral("Times New Roman"));
    format.size = std::clamp(f->size.value_or(12.0), 0.0, limits::kMaxTextHeight / 20.0) * 20.0;
    format.bold = f->bold.value_or(false);
    format.italic = f->italic.value_or(false);
    double width = 0.0;
    double ascent = 0.0;
    double descent = 0.0;
    FaceResolver faces(m.movie(), false, nullptr);
    if (TextFace *face = faces.face(format)) {
        for (const uint code : text.toUcs4())
            width += face->shape(char32_t(code), format.size).advance;
        ascent = face->ascent(format.size);
        descent = face->descent(format.size);
    }
    Object *extent = m.newObject();
    const double w = std::round(width / kTwipsPerPixel);
    // No text has no line, so no height either.
    const double h = text.isEmpty() ? 0.0 : std::round((ascent + descent) / kTwipsPerPixel);
    m.set(extent, QStringLiteral("ascent"), Value(std::round(ascent / kTwipsPerPixel)));
    m.set(extent, QStringLiteral("descent"), Value(std::round(descent / kTwipsPerPixel)));
    m.set(extent, QStringLiteral("width"), Value(w));
    m.set(extent, QStringLiteral("height"), Value(h));
    m.set(extent, QStringLiteral("textFieldWidth"), Value(w + 4));
    m.set(extent, QStringLiteral("textFieldHeight"), Value(h + 4));
    return Value(extent);
}

} // namespace

void installTextFormat(Machine &m)
{
    auto owned = std::make_unique<TextFormatClass>();
    TextFormatClass &c = *owned;
    m.addExtension(std::move(owned));
    c.proto = m.newObject();
    c.constructor = m.defineClass(QStringLiteral("TextFormat"), c.proto, call, construct);
}

Value makeTextFormat(Machine &m, const TextFormatValues &v)
{
    TextFormatObject *f = makeFormat(m);
    defineTextExtent(m, f);
    const auto pixels = [](const std::optional<double> &twips) -> std::optional<double> {
        if (!twips)
            return std::nullopt;
        return std::round(*twips / kTwipsPerPixel);
    };
    f->font = v.font;
    f->size = pixels(v.size);
    if (v.color)
        f->color = double((v.color->r << 16) | (v.color->g << 8) | v.color->b);
    f->bold = v.bold;
    f->italic = v.italic;
    f->underline = v.underline;
    f->url = v.url;
    f->target = v.target;
    f->align = v.align;
    f->leftMargin = pixels(v.leftMargin);
    f->rightMargin = pixels(v.rightMargin);
    f->indent = pixels(v.indent);
    f->leading = pixels(v.leading);
    f->blockIndent = pixels(v.blockIndent);
    f->bullet = v.bullet;
    if (v.tabStops)
        f->tabStops = std::vector<double>(v.tabStops->begin(), v.tabStops->end());
    if (v.letterSpacing)
        f->letterSpacing = *v.letterSpacing / kTwipsPerPixel;
    f->kerning = v.kerning;
    return Value(static_cast<Object *>(f));
}

std::optional<TextFormatValues> textFormatValuesOf(const Value &value)
{
    const TextFormatObject *f = formatOf(value);
    if (!f)
        return std::nullopt;
    // What a field can show: sizes and lengths within the text limits.
    const auto twips = [](const std::optional<double> &pixels, double low,
                          double high) -> std::optional<double> {
        if (!pixels)
            return std::nullopt;
        return std::clamp(*pixels, low, high) * kTwipsPerPixel;
    };
    const double limit = limits::kMaxTextHeight / kTwipsPerPixel;
    TextFormatValues v;
    v.font = f->font;
    v.size = twips(f->size, 0.0, limit);
    if (f->color) {
        const quint32 rgb = quint32(*f->color);
        v.color = Rgba{quint8(rgb >> 16), quint8(rgb >> 8), quint8(rgb), 255};
    }
    v.bold = f->bold;
    v.italic = f->italic;
    v.underline = f->underline;
    v.url = f->url;
    v.target = f->target;
    v.align = f->align;
    v.leftMargin = twips(f->leftMargin, 0.0, limit);
    v.rightMargin = twips(f->rightMargin, 0.0, limit);
    v.indent = twips(f->indent, -limit, limit);
    v.leading = twips(f->leading, -limit, limit);
    v.blockIndent = twips(f->blockIndent, -limit, limit);
    v.bullet = f->bullet;
    if (f->tabStops) {
        std::vector<int> stops;
        for (const double s : *f->tabStops)
            stops.push_back(int(std::clamp(s, -limit, limit)));
        v.tabStops = stops;
    }
    if (f->letterSpacing && std::isfinite(*f->letterSpacing))
        v.letterSpacing = std::clamp(*f->letterSpacing, -limit, limit) * kTwipsPerPixel;
    v.kerning = f->kerning;
    return v;
}

} // namespace swf::avm1
