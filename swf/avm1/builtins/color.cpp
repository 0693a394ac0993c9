// Color: the colour transform of a clip, in the percentages and offsets
// of the older interface (setRGB, setTransform and their getters).
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/player.h"

#include <cmath>

namespace swf::avm1 {

namespace {

// The clip a Color acts on: its target, a clip or a path, looked up at
// each call (the clip may come and go).
DisplayObject *targetOf(Machine &m, const Value &self)
{
    Object *color = self.asObject();
    if (!color)
        return nullptr;
    const Value target = m.get(color, QStringLiteral("target"));
    if (DisplayObject *clip = m.displayObjectOf(target))
        return clip;
    if (target.isString())
        return m.resolvePath(target.string()->text(), &m.player().root());
    return nullptr;
}

qint16 clamp16(double v)
{
    return std::isfinite(v) ? qint16(qBound(-32768.0, std::trunc(v), 32767.0)) : 0;
}

Value construct(Machine &m, const Value &self, const Args &args)
{
    if (Object *color = self.asObject())
        m.defineValue(color, QStringLiteral("target"), args[0],
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    return Value();
}

Value setRGB(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = targetOf(m, self);
    if (!clip)
        return Value();
    const quint32 rgb = quint32(m.toInt32(args[0]));
    ColorTransform &x = clip->placement().colorTransform;
    x.multR = x.multG = x.multB = 0;
    x.addR = qint16((rgb >> 16) & 0xff);
    x.addG = qint16((rgb >> 8) & 0xff);
    x.addB = qint16(rgb & 0xff);
    clip->lock(ScriptLock::ColorTransform);
    return Value();
}

Value getRGB(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = targetOf(m, self);
    if (!clip)
        return Value();
    const ColorTransform &x = clip->placement().colorTransform;
    return Value((x.addR << 16) | (x.addG << 8) | x.addB);
}

constexpr const char *kNames[] = {"ra", "rb", "ga", "gb", "ba", "bb", "aa", "ab"};

Value setTransform(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = targetOf(m, self);
    Object *from = args[0].asObject();
    if (!clip || !from)
        return Value();
    ColorTransform &x = clip->placement().colorTransform;
    qint16 *fields[] = {&x.multR, &x.addR, &x.multG, &x.addG, &x.multB, &x.addB, &x.multA, &x.addA};
    for (int i = 0; i < 8; ++i) {
        // Members left out keep their value.
        const QString name = QString::fromLatin1(kNames[i]);
        if (!m.hasProperty(from, m.key(name).data()))
            continue;
        const double v = m.toNumber(m.get(from, name));
        *fields[i] = clamp16(i % 2 == 0 ? v * 2.56 : v);
    }
    clip->lock(ScriptLock::ColorTransform);
    return Value();
}

Value getTransform(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = targetOf(m, self);
    if (!clip)
        return Value();
    const ColorTransform &x = clip->placement().colorTransform;
    const qint16 fields[] = {x.multR, x.addR, x.multG, x.addG, x.multB, x.addB, x.multA, x.addA};
    Object *out = m.newObject();
    for (int i = 0; i < 8; ++i)
        m.set(out, QString::fromLatin1(kNames[i]),
              Value(i % 2 == 0 ? fields[i] / 2.56 : double(fields[i])));
    return Value(out);
}

} // namespace

void installColor(Machine &m)
{
    Object *proto = m.newObject();
    m.defineClass(QStringLiteral("Color"), proto, construct);
    m.defineValue(proto, QStringLiteral("constructor"), m.get(m.global(), QStringLiteral("Color")),
                  PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    const struct {
        const char *name;
        NativeFunction call;
    } methods[] = {
        {"getRGB", getRGB},
        {"getTransform", getTransform},
        {"setRGB", setRGB},
        {"setTransform", setTransform},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.call)),
                      PropertyFlag::DontEnum | PropertyFlag::DontDelete);
}

} // namespace swf::avm1
