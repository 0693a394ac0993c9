// Key and Mouse.
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

namespace {

Value isDown(Machine &m, const Value &, const Args &args)
{
    return Value(m.keyDown(intArg(m, args, 0, -1)));
}

Value isToggled(Machine &, const Value &, const Args &)
{
    return Value(false);
}

// No screen reader is there to tell of keys.
Value isAccessible(Machine &, const Value &, const Args &)
{
    return Value(false);
}

Value getCode(Machine &m, const Value &, const Args &)
{
    return Value(m.lastKey());
}

Value getAscii(Machine &m, const Value &, const Args &)
{
    return Value(int(m.lastChar()));
}

// Whether scripts have the pointer shown; the player's pointer stays as
// it is.
struct PointerState final : MachineExtension {
    bool shown = true;
};

// Mouse.show and hide answer whether the pointer was shown.
Value showPointer(Machine &m, bool shown)
{
    bool &state = m.extension<PointerState>()->shown;
    const bool was = state;
    state = shown;
    return Value(was ? 1 : 0);
}

Value showMouse(Machine &m, const Value &, const Args &)
{
    return showPointer(m, true);
}

Value hideMouse(Machine &m, const Value &, const Args &)
{
    return showPointer(m, false);
}

} // namespace

void installKeyAndMouse(Machine &m)
{
    Object *key = m.newObject();
    m.defineValue(m.global(), QStringLiteral("Key"), Value(key));
    m.defineMethod(key, QStringLiteral("isDown"), isDown);
    m.defineMethod(key, QStringLiteral("isToggled"), isToggled);
    m.defineMethod(key, QStringLiteral("getCode"), getCode);
    m.defineMethod(key, QStringLiteral("getAscii"), getAscii);
    m.defineMethod(key, QStringLiteral("isAccessible"), isAccessible);
    const quint32 constant =
        PropertyFlag::DontEnum | PropertyFlag::DontDelete | PropertyFlag::ReadOnly;
    const struct {
        const char *name;
        int code;
    } keys[] = {{"BACKSPACE", 8}, {"CAPSLOCK", 20}, {"CONTROL", 17}, {"DELETEKEY", 46},
                {"DOWN", 40},     {"END", 35},      {"ENTER", 13},   {"ESCAPE", 27},
                {"HOME", 36},     {"INSERT", 45},   {"LEFT", 37},    {"PGDN", 34},
                {"PGUP", 33},     {"RIGHT", 39},    {"SHIFT", 16},   {"SPACE", 32},
                {"TAB", 9},       {"UP", 38},       {"ALT", 18}};
    for (const auto &k : keys)
        m.defineValue(key, QString::fromLatin1(k.name), Value(k.code), constant);

    m.addExtension(std::make_unique<PointerState>());
    Object *mouse = m.newObject();
    m.defineValue(m.global(), QStringLiteral("Mouse"), Value(mouse));
    m.defineMethod(mouse, QStringLiteral("show"), showMouse);
    m.defineMethod(mouse, QStringLiteral("hide"), hideMouse);
}

} // namespace swf::avm1
