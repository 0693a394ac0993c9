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

} // namespace

void installButtonAndTextField(Machine &m)
{
    Object *button = m.newObject();
    m.protos().button = button;
    m.defineClass(QStringLiteral("Button"), button, nullptr);
    m.defineMethod(button, QStringLiteral("getDepth"), getDepth);
    m.defineValue(button, QStringLiteral("enabled"), Value(true));
    m.defineValue(button, QStringLiteral("useHandCursor"), Value(true));
}

} // namespace swf::avm1
