// Button: its prototype. Display properties come from ClipObject.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

constexpr int kDepthOffset = 16384;

Value getDepth(Machine &m, const Value &self, const Args &)
{
    DisplayObject *object = m.displayObjectOf(self);
    return object ? Value(object->depth() - kDepthOffset) : Value();
}

Value nothing(Machine &, const Value &, const Args &)
{
    return Value();
}

} // namespace

void installButtonAndTextField(Machine &m)
{
    Object *button = m.newObject();
    m.protos().button = button;
    m.defineClass(QStringLiteral("Button"), button, nullptr);
    // All of Button.prototype shows to for..in.
    m.defineValue(button, QStringLiteral("getDepth"), Value(m.newNative(getDepth)), 0);
    m.defineValue(button, QStringLiteral("enabled"), Value(true), 0);
    m.defineValue(button, QStringLiteral("useHandCursor"), Value(true), 0);
    // Properties buttons read as nothing here and keep nothing written.
    for (const char *name : {"blendMode", "cacheAsBitmap", "filters", "scale9Grid", "tabIndex"})
        defineAccessor(m, button, QString::fromLatin1(name), nothing, nothing, 0);
}

} // namespace swf::avm1
