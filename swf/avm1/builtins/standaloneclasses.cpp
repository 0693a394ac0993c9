// The classes of a player's surroundings that a standalone player without
// camera, microphone, printer or screen reader keeps as plain objects:
// Camera, Microphone, Video, PrintJob, Accessibility, TextSnapshot,
// RemoteLSOUsage, AsSetupError, and the context menu's ContextMenu and
// ContextMenuItem.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

constexpr quint32 kHidden = PropertyFlag::DontEnum | PropertyFlag::DontDelete;

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

Value returnsNull(Machine &, const Value &, const Args &)
{
    return Value::null();
}

Value returnsFalse(Machine &, const Value &, const Args &)
{
    return Value(false);
}

Value returnsZero(Machine &, const Value &, const Args &)
{
    return Value(0);
}

Value returnsMinusOne(Machine &, const Value &, const Args &)
{
    return Value(-1);
}

Value returnsEmptyString(Machine &, const Value &, const Args &)
{
    return Value(QString());
}

Value emptyArray(Machine &m, const Value &, const Args &)
{
    return Value(static_cast<Object *>(m.newArray()));
}

struct Method {
    const char *name;
    NativeFunction call;
};

Object *defineClassWith(Machine &m, const char *name, std::initializer_list<Method> methods,
                        quint32 flags, NativeFunction call = nothing)
{
    Object *prototype = m.newObject();
    Object *constructor = m.defineClass(QString::fromLatin1(name), prototype, call);
    for (const Method &method : methods)
        m.defineValue(prototype, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      flags);
    return constructor;
}

// ContextMenu(onSelect): the menu a clip shows on a right click, with the
// player's own items on or off and the movie's items after them.
const char *const kBuiltInItems[] = {"forward_back", "loop",   "play", "print",
                                     "quality",      "rewind", "save", "zoom"};

Value contextMenu(Machine &m, const Value &self, const Args &args)
{
    Object *menu = self.asObject();
    if (!menu)
        return Value();
    // The player's own script makes these with new Array and an object
    // literal.
    m.set(menu, QStringLiteral("onSelect"), args[0]);
    m.set(menu, QStringLiteral("customItems"),
          m.construct(m.get(m.global(), QStringLiteral("Array")), Args()));
    Object *items = m.newObject();
    m.defineValue(items, QStringLiteral("constructor"), m.get(m.global(), QStringLiteral("Object")),
                  kHidden);
    for (const char *item : kBuiltInItems)
        m.set(items, QString::fromLatin1(item), Value(true));
    m.set(menu, QStringLiteral("builtInItems"), Value(items));
    return Value();
}

Value hideBuiltInItems(Machine &m, const Value &self, const Args &)
{
    Object *menu = self.asObject();
    Object *items = menu ? m.get(menu, QStringLiteral("builtInItems")).asObject() : nullptr;
    if (!items)
        return Value();
    for (const char *item : kBuiltInItems)
        m.set(items, QString::fromLatin1(item), Value(false));
    return Value();
}

// A copy shares the player's items and copies the movie's.
Value copyContextMenu(Machine &m, const Value &self, const Args &)
{
    Object *menu = self.asObject();
    if (!menu)
        return Value();
    const Value made = m.construct(m.get(m.global(), QStringLiteral("ContextMenu")), Args());
    Object *copy = made.asObject();
    if (!copy)
        return made;
    m.set(copy, QStringLiteral("onSelect"), m.get(menu, QStringLiteral("onSelect")));
    m.set(copy, QStringLiteral("builtInItems"), m.get(menu, QStringLiteral("builtInItems")));
    auto *from = asArray(m.get(menu, QStringLiteral("customItems")).asObject());
    const Value madeItems = m.construct(m.get(m.global(), QStringLiteral("Array")), Args());
    auto *items = asArray(madeItems.asObject());
    if (from && items) {
        for (const Value &item : from->elements()) {
            const Value itemCopy =
                item.asObject()
                    ? m.call(m.get(item.asObject(), QStringLiteral("copy")), item, Args())
                    : Value();
            items->elements().push_back(itemCopy.isObject() ? itemCopy : item);
        }
    }
    m.set(copy, QStringLiteral("customItems"), madeItems);
    return made;
}

// ContextMenuItem(caption, onSelect, separatorBefore, enabled, visible):
// the last three are false, true and true when not given.
Value contextMenuItem(Machine &m, const Value &self, const Args &args)
{
    Object *item = self.asObject();
    if (!item)
        return Value();
    const auto given = [&](int i, bool fallback) {
        return args[i].isUndefined() ? Value(fallback) : args[i];
    };
    m.set(item, QStringLiteral("caption"), args[0]);
    m.set(item, QStringLiteral("onSelect"), args[1]);
    m.set(item, QStringLiteral("separatorBefore"), given(2, false));
    m.set(item, QStringLiteral("enabled"), given(3, true));
    m.set(item, QStringLiteral("visible"), given(4, true));
    return Value();
}

Value copyContextMenuItem(Machine &m, const Value &self, const Args &)
{
    Object *item = self.asObject();
    if (!item)
        return Value();
    std::vector<Value> fields;
    for (const char *name : {"caption", "onSelect", "separatorBefore", "enabled", "visible"})
        fields.push_back(m.get(item, QString::fromLatin1(name)));
    return m.construct(m.get(m.global(), QStringLiteral("ContextMenuItem")), Args(fields));
}

void installContextMenu(Machine &m)
{
    Object *menuProto = m.newObject();
    m.defineClass(QStringLiteral("ContextMenu"), menuProto, contextMenu);
    defineScriptMethod(m, menuProto, QStringLiteral("copy"), copyContextMenu, kHidden);
    defineScriptMethod(m, menuProto, QStringLiteral("hideBuiltInItems"), hideBuiltInItems, kHidden);

    Object *itemProto = m.newObject();
    m.defineClass(QStringLiteral("ContextMenuItem"), itemProto, contextMenuItem);
    defineScriptMethod(m, itemProto, QStringLiteral("copy"), copyContextMenuItem, kHidden);
}

// Camera and Microphone: there are none, so get() answers null and the
// list of names is empty.
void installDevices(Machine &m)
{
    Object *camera = defineClassWith(m, "Camera",
                                     {{"setCursor", nothing},
                                      {"setKeyFrameInterval", nothing},
                                      {"setLoopback", nothing},
                                      {"setMode", nothing},
                                      {"setMotionLevel", nothing},
                                      {"setQuality", nothing}},
                                     kHidden | PropertyFlag::OnlySwf6);
    defineScriptMethod(m, camera, QStringLiteral("get"), returnsNull, 0);
    defineAccessor(m, camera, QStringLiteral("names"), emptyArray, nullptr, kHidden);

    Object *microphone = defineClassWith(m, "Microphone",
                                         {{"setGain", nothing},
                                          {"setRate", nothing},
                                          {"setSilenceLevel", nothing},
                                          {"setUseEchoSuppression", nothing}},
                                         kHidden | PropertyFlag::OnlySwf6);
    defineScriptMethod(m, microphone, QStringLiteral("get"), returnsNull, 0);
    defineAccessor(m, microphone, QStringLiteral("names"), emptyArray, nullptr, kHidden);

    Object *video =
        defineClassWith(m, "Video", {{"attachVideo", nothing}, {"clear", nothing}}, kHidden);
    m.protos().video = m.get(video, QStringLiteral("prototype")).asObject();
}

// PrintJob: there is no printer, so start() fails and the page sizes stay
// undefined. The first PrintJob made puts the sizes on the prototype of
// the day.
Value printJob(Machine &m, const Value &self, const Args &)
{
    Object *job = self.asObject();
    Object *proto = job ? job->proto() : nullptr;
    if (!proto || proto->properties().find(m.key(QStringLiteral("orientation")).data()))
        return Value();
    for (const char *name : {"orientation", "pageHeight", "pageWidth", "paperHeight", "paperWidth"})
        defineAccessor(m, proto, QString::fromLatin1(name), nothing, nullptr, 0);
    return Value();
}

void installPrintJob(Machine &m)
{
    defineClassWith(m, "PrintJob",
                    {{"addPage", returnsFalse}, {"send", nothing}, {"start", returnsFalse}},
                    kHidden, printJob);
}

// Accessibility: no screen reader is there.
void installAccessibility(Machine &m)
{
    Object *accessibility = m.newObject();
    const quint32 constant =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    if (Property *proto = accessibility->properties().find(m.names().proto.data()))
        proto->flags = constant;
    m.defineValue(accessibility, QStringLiteral("constructor"),
                  m.get(m.global(), QStringLiteral("Object")), constant);
    const quint32 flags =
        PropertyFlag::DontDelete | PropertyFlag::ReadOnly | PropertyFlag::OnlySwf6;
    m.defineValue(accessibility, QStringLiteral("isActive"), Value(m.newNative(returnsFalse)),
                  flags);
    m.defineValue(accessibility, QStringLiteral("sendEvent"), Value(m.newNative(nothing)), flags);
    m.defineValue(accessibility, QStringLiteral("updateProperties"), Value(m.newNative(nothing)),
                  flags);
    m.defineValue(m.global(), QStringLiteral("Accessibility"), Value(accessibility));
}

// TextSnapshot: the object, with no static text to read.
void installTextSnapshot(Machine &m)
{
    defineClassWith(m, "TextSnapshot",
                    {{"findText", returnsMinusOne},
                     {"getCount", returnsZero},
                     {"getSelected", returnsFalse},
                     {"getSelectedText", returnsEmptyString},
                     {"getText", returnsEmptyString},
                     {"getTextRunInfo", emptyArray},
                     {"hitTestTextNearPos", returnsMinusOne},
                     {"setSelectColor", nothing},
                     {"setSelected", nothing}},
                    0);
}

} // namespace

void installStandaloneClasses(Machine &m)
{
    installContextMenu(m);
    installDevices(m);
    installPrintJob(m);
    installAccessibility(m);
    installTextSnapshot(m);
    Object *remoteUsage = defineClassWith(m, "RemoteLSOUsage", {}, kHidden);
    defineScriptMethod(m, remoteUsage, QStringLiteral("getURLPageSupport"), returnsFalse,
                       PropertyFlag::DontEnum);
    defineClassWith(m, "AsSetupError", {}, kHidden);
}

} // namespace swf::avm1
