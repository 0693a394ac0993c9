// TextField.StyleSheet: named styles of CSS properties, kept as copies in
// the sheet's _css object and, turned into TextFormats, in its _styles.
// The methods reach each other through the object, as the player's own
// script functions do, so they work on any object given them.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/cssparser.h"
#include "swf/avm1/dataloads.h"
#include "swf/avm1/machine.h"

#include <QRegularExpression>

#include <cmath>

namespace swf::avm1 {

namespace {

// Text as the sheet reads its arguments: an object's toString() when that
// gives a string, its kind ("[type Object]") when it does not.
QString textOf(Machine &m, const Value &v)
{
    Object *object = v.asObject();
    if (!object || asClip(object))
        return m.toString(v).text();
    const Value text = m.call(m.get(object, QStringLiteral("toString")), v, Args());
    return text.isString() ? text.string()->text() : m.objectString(v).text();
}

// this[name], made an empty object when it is none.
Object *tableOf(Machine &m, Object *self, const QString &name)
{
    if (Object *table = m.get(self, name).asObject())
        return table;
    Object *table = m.newObject();
    m.set(self, name, Value(table));
    return table;
}

Value callOwn(Machine &m, const Value &self, const QString &name, const std::vector<Value> &args)
{
    Object *object = self.asObject();
    if (!object)
        return Value();
    return m.call(m.get(object, name), self, Args(args));
}

Value construct(Machine &, const Value &, const Args &)
{
    return Value();
}

// A new object with the given object's listed properties.
Value copy(Machine &m, const Value &, const Args &args)
{
    Object *from = args[0].asObject();
    if (!from)
        return Value::null();
    Object *to = m.newObject();
    std::vector<StrRef> names;
    m.enumerableNames(from, names);
    for (const StrRef &name : names)
        m.set(to, name.text(), m.get(from, name.text()));
    return Value(to);
}

Value clear(Machine &m, const Value &self, const Args &)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value();
    m.set(sheet, QStringLiteral("_css"), Value(m.newObject()));
    m.set(sheet, QStringLiteral("_styles"), Value(m.newObject()));
    callOwn(m, self, QStringLiteral("update"), {});
    return Value();
}

Value getStyle(Machine &m, const Value &self, const Args &args)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value();
    const Value style =
        m.get(tableOf(m, sheet, QStringLiteral("_css")), m.toString(args[0]).text());
    return callOwn(m, self, QStringLiteral("_copy"), {style});
}

Value getStyleNames(Machine &m, const Value &self, const Args &)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value();
    std::vector<StrRef> names;
    m.enumerableNames(tableOf(m, sheet, QStringLiteral("_css")), names);
    ArrayObject *list = m.newArray();
    for (const StrRef &name : names)
        list->push(Value(name));
    return Value(static_cast<Object *>(list));
}

// setStyle(name, style): a copy of the style under the name, or none for
// null and undefined.
Value setStyle(Machine &m, const Value &self, const Args &args)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value();
    const QString name = m.toString(args[0]).text();
    Object *css = tableOf(m, sheet, QStringLiteral("_css"));
    if (args[1].isNullish()) {
        m.deleteProperty(css, m.key(name).data());
        m.deleteProperty(tableOf(m, sheet, QStringLiteral("_styles")), m.key(name).data());
    } else {
        m.set(css, name, callOwn(m, self, QStringLiteral("_copy"), {args[1]}));
        callOwn(m, self, QStringLiteral("doTransform"), {Value(name)});
    }
    callOwn(m, self, QStringLiteral("update"), {});
    return Value();
}

Value doTransform(Machine &m, const Value &self, const Args &args)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value();
    const QString name = m.toString(args[0]).text();
    const Value style = m.get(tableOf(m, sheet, QStringLiteral("_css")), name);
    m.set(tableOf(m, sheet, QStringLiteral("_styles")), name,
          callOwn(m, self, QStringLiteral("transform"), {style}));
    return Value();
}

Value parseColor(Machine &m, const Value &, const Args &args)
{
    static const QRegularExpression color(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    const QString text = textOf(m, args[0]);
    if (!color.match(text).hasMatch())
        return Value::null();
    return Value(double(text.mid(1).toUInt(nullptr, 16)));
}

// The generic CSS families name the player's device fonts.
Value parseFontFamily(Machine &m, const Value &, const Args &args)
{
    const QString text = textOf(m, args[0]);
    const struct {
        const char *css;
        const char *device;
    } families[] = {{"mono", "_typewriter"}, {"sans-serif", "_sans"}, {"serif", "_serif"}};
    for (const auto &family : families) {
        if (text.compare(QLatin1String(family.css), Qt::CaseInsensitive) == 0)
            return Value(QString::fromLatin1(family.device));
    }
    return Value(text);
}

// A TextFormat of a style's CSS properties; what it cannot read stays
// null.
Value transform(Machine &m, const Value &self, const Args &args)
{
    Object *style = args[0].asObject();
    if (!style)
        return Value::null();
    Object *format = makeTextFormat(m, TextFormatValues()).asObject();
    const auto css = [&](const char *name) {
        Value v;
        m.lookup(style, m.key(QString::fromLatin1(name)).data(), v);
        return v;
    };
    const auto put = [&](const char *name, const Value &v) {
        m.set(format, QString::fromLatin1(name), v);
    };
    const auto keyword = [&](const char *name) {
        const Value v = css(name);
        return v.isUndefined() ? QString() : m.toString(v).text().toLower();
    };
    const auto number = [&](const char *name, const char *to) {
        const Value v = css(name);
        if (v.isUndefined())
            return;
        const double n = m.toNumber(Value(m.toString(v).text().toDouble()));
        if (std::isfinite(n))
            put(to, Value(std::trunc(n)));
    };
    if (const Value v = css("color"); !v.isUndefined())
        put("color", callOwn(m, self, QStringLiteral("parseColor"), {v}));
    if (const Value v = css("fontFamily"); !v.isUndefined())
        put("font", callOwn(m, self, QStringLiteral("parseCSSFontFamily"), {v}));
    number("fontSize", "size");
    number("leading", "leading");
    number("letterSpacing", "letterSpacing");
    number("marginLeft", "leftMargin");
    number("marginRight", "rightMargin");
    number("textIndent", "indent");
    if (const QString s = keyword("fontWeight"); s == u"bold" || s == u"normal")
        put("bold", Value(s == u"bold"));
    if (const QString s = keyword("fontStyle"); s == u"italic" || s == u"normal")
        put("italic", Value(s == u"italic"));
    if (const QString s = keyword("textDecoration"); s == u"underline" || s == u"none")
        put("underline", Value(s == u"underline"));
    if (const QString s = keyword("kerning"); s == u"true" || s == u"false")
        put("kerning", Value(s == u"true"));
    if (const QString s = keyword("textAlign"); !s.isEmpty())
        put("align", Value(s));
    if (const QString s = keyword("display"); !s.isEmpty())
        put("display", Value(s));
    return Value(format);
}

// The styles a CSS text names, as an object of style objects, or null
// when the text is not read whole.
Value parseCssInternal(Machine &m, const Value &, const Args &args)
{
    const auto rules = css::parse(textOf(m, args[0]), m.version());
    if (!rules)
        return Value::null();
    Object *styles = m.newObject();
    for (const css::Rule &rule : *rules) {
        Object *style = m.newObject();
        for (const auto &[name, value] : rule.declarations)
            m.set(style, name, Value(value));
        for (const QString &selector : rule.selectors)
            m.set(styles, selector, Value(style));
    }
    return Value(styles);
}

// parse(text): each style the text names replaces the sheet's of that
// name; nothing changes when the text is not read whole.
Value parse(Machine &m, const Value &self, const Args &args)
{
    Object *sheet = self.asObject();
    if (!sheet)
        return Value(false);
    Object *styles =
        callOwn(m, self, QStringLiteral("parseCSSInternal"), {Value(textOf(m, args[0]))})
            .asObject();
    if (!styles)
        return Value(false);
    Object *css = tableOf(m, sheet, QStringLiteral("_css"));
    std::vector<StrRef> names;
    m.enumerableNames(styles, names);
    for (const StrRef &name : names) {
        m.set(css, name.text(),
              callOwn(m, self, QStringLiteral("_copy"), {m.get(styles, name.text())}));
        callOwn(m, self, QStringLiteral("doTransform"), {Value(name)});
        if (m.aborted())
            return Value(false);
    }
    callOwn(m, self, QStringLiteral("update"), {});
    return Value(true);
}

Value onData(Machine &m, const Value &self, const Args &args)
{
    return onDataWith(m, self, args, QStringLiteral("parse"));
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

} // namespace

void installStyleSheet(Machine &m, Object *textField)
{
    // A class of version 7 players.
    if (m.version() < 7 || !textField)
        return;
    DataLoads::of(m);
    Object *proto = m.newObject();
    FunctionObject *constructor = m.defineClass(QString(), proto, construct);
    m.defineValue(textField, QStringLiteral("StyleSheet"), Value(constructor));
    constexpr quint32 hidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;
    defineMethods(m, proto,
                  {
                      {"_copy", copy, true},
                      {"clear", clear, true},
                      {"doTransform", doTransform, true},
                      {"getStyle", getStyle, true},
                      {"getStyleNames", getStyleNames, true},
                      {"load", loadMethod, false},
                      {"onData", onData, true},
                      {"onLoad", onLoadMethod, true},
                      {"parse", parse, true},
                      {"parseCSSFontFamily", parseFontFamily, false},
                      {"parseCSSInternal", parseCssInternal, false},
                      {"parseColor", parseColor, false},
                      {"setStyle", setStyle, true},
                      {"transform", transform, true},
                      {"update", nothing, false},
                  },
                  hidden);
    m.defineValue(proto, QStringLiteral("parseCSS"), m.get(proto, QStringLiteral("parse")), hidden);
}

} // namespace swf::avm1
