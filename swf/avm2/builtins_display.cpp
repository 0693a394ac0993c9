// The minimum of flash.events and flash.display that constructing a
// document class and running its frame scripts need.
#include "swf/avm2/displaynode.h"
#include "swf/avm2/natives.h"

namespace swf::avm2 {

void DisplayNode::trace(Tracer &t) const
{
    Object::trace(t);
    for (const auto &l : listeners)
        t.mark(l.fn);
    t.markAll(children);
    t.mark(parent);
    for (const Value &v : frameScripts)
        t.mark(v);
}

namespace builtins {
namespace {

DisplayNode *node(Vm &vm, const Value &self)
{
    Object *o = self.obj();
    DisplayNode *n = o ? dynamic_cast<DisplayNode *>(o) : nullptr;
    if (!n)
        vm.throwError(ErrorType::TypeError, 1034, vm.displayName(self), QStringLiteral("flash.display.DisplayObject"));
    return n;
}

Object *allocNode(Vm &vm, ClassObject *cls)
{
    auto *n = vm.heap.make<DisplayNode>(cls, cls->instanceTraits.get(), cls->prototype);
    n->m_dynamic = !cls->sealed;
    return n;
}

NATIVE(addEventListener)
{
    DisplayNode *n = node(vm, self);
    DisplayNode::Listener l;
    l.type = argString(vm, args, argc, 0);
    l.fn = arg(args, argc, 1);
    l.capture = vm.toBoolean(arg(args, argc, 2));
    l.priority = argInt(vm, args, argc, 3, 0);
    for (const auto &e : n->listeners) {
        if (e.type == l.type && vm.strictEquals(e.fn, l.fn) && e.capture == l.capture)
            return Value();
    }
    n->listeners.push_back(l);
    return Value();
}

NATIVE(removeEventListener)
{
    DisplayNode *n = node(vm, self);
    const QString type = argString(vm, args, argc, 0);
    const Value fn = arg(args, argc, 1);
    std::erase_if(n->listeners, [&](const DisplayNode::Listener &l) { return l.type == type && vm.strictEquals(l.fn, fn); });
    return Value();
}

NATIVE(hasEventListener)
{
    DisplayNode *n = node(vm, self);
    const QString type = argString(vm, args, argc, 0);
    for (const auto &l : n->listeners) {
        if (l.type == type)
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

NATIVE(dispatchEvent)
{
    DisplayNode *n = node(vm, self);
    const Value event = arg(args, argc, 0);
    const QString type = vm.toString(vm.getPublic(event, QStringLiteral("type")));
    std::vector<Value> fns;
    for (const auto &l : n->listeners) {
        if (l.type == type)
            fns.push_back(l.fn);
    }
    PinScope pin(vm);
    for (const Value &f : fns)
        pin.pin(f);
    if (event.obj() && event.o->dynIfAny() == nullptr)
        event.o->dyn();
    for (const Value &f : fns)
        vm.call(f, Value::null(), &event, 1);
    return Value::boolean(true);
}

NATIVE(getName) { return vm.sv(node(vm, self)->name); }
NATIVE(setName) { node(vm, self)->name = argString(vm, args, argc, 0); return Value(); }
NATIVE(getParent) { return Value::object(node(vm, self)->parent); }
NATIVE(getNull) { return Value::null(); }
NATIVE(getRoot)
{
    Object *o = node(vm, self);
    while (auto *n = dynamic_cast<DisplayNode *>(o)) {
        if (!n->parent)
            break;
        o = n->parent;
    }
    return Value::object(o);
}

#define NUMBER_PROPERTY(field)                                                          \
    NATIVE(get_##field) { return Value::number(node(vm, self)->field); }                \
    NATIVE(set_##field)                                                                 \
    {                                                                                   \
        node(vm, self)->field = argNumber(vm, args, argc, 0, 0);                        \
        return Value();                                                                 \
    }
NUMBER_PROPERTY(x)
NUMBER_PROPERTY(y)
NUMBER_PROPERTY(scaleX)
NUMBER_PROPERTY(scaleY)
NUMBER_PROPERTY(rotation)
NUMBER_PROPERTY(alpha)
NATIVE(getVisible) { return Value::boolean(node(vm, self)->visible); }
NATIVE(setVisible) { node(vm, self)->visible = vm.toBoolean(arg(args, argc, 0)); return Value(); }
NATIVE(getZero) { node(vm, self); return Value::integer(0); }

NATIVE(addChild)
{
    DisplayNode *n = node(vm, self);
    DisplayNode *child = node(vm, arg(args, argc, 0));
    if (child->parent)
        std::erase_if(static_cast<DisplayNode *>(child->parent)->children, [&](const Value &v) { return v.o == child; });
    child->parent = n;
    n->children.push_back(Value::object(child));
    return Value::object(child);
}

NATIVE(removeChild)
{
    DisplayNode *n = node(vm, self);
    DisplayNode *child = node(vm, arg(args, argc, 0));
    if (child->parent != n)
        vm.throwError(ErrorType::ArgumentError, 2025);
    std::erase_if(n->children, [&](const Value &v) { return v.o == child; });
    child->parent = nullptr;
    return Value::object(child);
}

NATIVE(numChildren) { return Value::integer(int(node(vm, self)->children.size())); }

NATIVE(getChildAt)
{
    DisplayNode *n = node(vm, self);
    const int i = argInt(vm, args, argc, 0, 0);
    if (i < 0 || size_t(i) >= n->children.size())
        vm.throwError(ErrorType::RangeError, 2006);
    return n->children[size_t(i)];
}

NATIVE(contains)
{
    DisplayNode *n = node(vm, self);
    for (Object *o = arg(args, argc, 0).obj(); o;) {
        if (o == n)
            return Value::boolean(true);
        auto *d = dynamic_cast<DisplayNode *>(o);
        o = d ? d->parent : nullptr;
    }
    return Value::boolean(false);
}

NATIVE(addFrameScript)
{
    DisplayNode *n = node(vm, self);
    for (int i = 0; i + 1 < argc; i += 2) {
        const int frame = vm.toInt32(args[i]);
        if (frame < 0 || frame >= 16000)
            continue;
        if (args[i + 1].isNullish())
            n->frameScripts.remove(frame);
        else
            n->frameScripts[frame] = args[i + 1];
    }
    return Value();
}

NATIVE(stop) { node(vm, self)->playing = false; return Value(); }
NATIVE(play) { node(vm, self)->playing = true; return Value(); }
NATIVE(currentFrame) { return Value::integer(node(vm, self)->currentFrame + 1); }
NATIVE(totalFrames) { return Value::integer(node(vm, self)->totalFrames); }

int frameArg(Vm &vm, DisplayNode *n, const Value *args, int argc)
{
    const Value f = arg(args, argc, 0);
    const int frame = f.isNumeric() ? vm.toInt32(f) - 1 : n->currentFrame;
    return qBound(0, frame, n->totalFrames - 1);
}

NATIVE(gotoAndStop)
{
    DisplayNode *n = node(vm, self);
    n->pendingFrame = frameArg(vm, n, args, argc);
    n->playing = false;
    return Value();
}

NATIVE(gotoAndPlay)
{
    DisplayNode *n = node(vm, self);
    n->pendingFrame = frameArg(vm, n, args, argc);
    n->playing = true;
    return Value();
}

NATIVE(nextFrame)
{
    DisplayNode *n = node(vm, self);
    n->pendingFrame = qMin(n->currentFrame + 1, n->totalFrames - 1);
    n->playing = false;
    return Value();
}

NATIVE(prevFrame)
{
    DisplayNode *n = node(vm, self);
    n->pendingFrame = qMax(n->currentFrame - 1, 0);
    n->playing = false;
    return Value();
}

NATIVE(eventInit)
{
    Object *o = self.obj();
    if (!o)
        return Value();
    o->dyn().set(QStringLiteral("type"), vm.sv(argString(vm, args, argc, 0)));
    o->dyn().set(QStringLiteral("bubbles"), Value::boolean(vm.toBoolean(arg(args, argc, 1))));
    o->dyn().set(QStringLiteral("cancelable"), Value::boolean(vm.toBoolean(arg(args, argc, 2))));
    for (auto &e : o->dyn().entries)
        e.dontEnum = true;
    return Value();
}

} // namespace

void installDisplay(Vm &vm)
{
    const QString events = QStringLiteral("flash.events");
    const QString display = QStringLiteral("flash.display");
    ClassBuilder event(vm, events, QStringLiteral("Event"), vm.objectClass, false);
    event.init(eventInit);
    for (const char *c : {"ENTER_FRAME:enterFrame", "ADDED_TO_STAGE:addedToStage", "COMPLETE:complete",
                          "ADDED:added", "REMOVED:removed", "INIT:init", "CHANGE:change", "RESIZE:resize",
                          "FRAME_CONSTRUCTED:frameConstructed", "EXIT_FRAME:exitFrame", "ACTIVATE:activate"}) {
        const QStringList kv = QString::fromLatin1(c).split(QLatin1Char(':'));
        event.constant(kv[0], vm.sv(kv[1]));
    }
    ClassBuilder dispatcher(vm, events, QStringLiteral("EventDispatcher"), vm.objectClass);
    dispatcher.alloc(allocNode, ObjKind::Plain)
        .publicMethod(QStringLiteral("addEventListener"), addEventListener, 2)
        .publicMethod(QStringLiteral("removeEventListener"), removeEventListener, 2)
        .publicMethod(QStringLiteral("hasEventListener"), hasEventListener, 1)
        .publicMethod(QStringLiteral("willTrigger"), hasEventListener, 1)
        .publicMethod(QStringLiteral("dispatchEvent"), dispatchEvent, 1);
    ClassBuilder object(vm, display, QStringLiteral("DisplayObject"), dispatcher);
    object.getter(QStringLiteral("name"), getName)
        .setter(QStringLiteral("name"), setName)
        .getter(QStringLiteral("parent"), getParent)
        .getter(QStringLiteral("stage"), getNull)
        .getter(QStringLiteral("root"), getRoot)
        .getter(QStringLiteral("loaderInfo"), getNull)
        .getter(QStringLiteral("x"), get_x).setter(QStringLiteral("x"), set_x)
        .getter(QStringLiteral("y"), get_y).setter(QStringLiteral("y"), set_y)
        .getter(QStringLiteral("scaleX"), get_scaleX).setter(QStringLiteral("scaleX"), set_scaleX)
        .getter(QStringLiteral("scaleY"), get_scaleY).setter(QStringLiteral("scaleY"), set_scaleY)
        .getter(QStringLiteral("rotation"), get_rotation).setter(QStringLiteral("rotation"), set_rotation)
        .getter(QStringLiteral("alpha"), get_alpha).setter(QStringLiteral("alpha"), set_alpha)
        .getter(QStringLiteral("visible"), getVisible).setter(QStringLiteral("visible"), setVisible)
        .getter(QStringLiteral("width"), getZero)
        .getter(QStringLiteral("height"), getZero);
    ClassBuilder interactive(vm, display, QStringLiteral("InteractiveObject"), object);
    ClassBuilder container(vm, display, QStringLiteral("DisplayObjectContainer"), interactive);
    container.publicMethod(QStringLiteral("addChild"), addChild, 1)
        .publicMethod(QStringLiteral("removeChild"), removeChild, 1)
        .publicMethod(QStringLiteral("getChildAt"), getChildAt, 1)
        .publicMethod(QStringLiteral("contains"), contains, 1)
        .getter(QStringLiteral("numChildren"), numChildren);
    ClassBuilder sprite(vm, display, QStringLiteral("Sprite"), container);
    ClassBuilder clip(vm, display, QStringLiteral("MovieClip"), sprite, false);
    clip.publicMethod(QStringLiteral("addFrameScript"), addFrameScript, 2)
        .publicMethod(QStringLiteral("stop"), stop, 0)
        .publicMethod(QStringLiteral("play"), play, 0)
        .publicMethod(QStringLiteral("gotoAndStop"), gotoAndStop, 1)
        .publicMethod(QStringLiteral("gotoAndPlay"), gotoAndPlay, 1)
        .publicMethod(QStringLiteral("nextFrame"), nextFrame, 0)
        .publicMethod(QStringLiteral("prevFrame"), prevFrame, 0)
        .getter(QStringLiteral("currentFrame"), currentFrame)
        .getter(QStringLiteral("totalFrames"), totalFrames)
        .getter(QStringLiteral("framesLoaded"), totalFrames);
}

} // namespace builtins
} // namespace swf::avm2
