// Variables by name through the scope chain, and target paths.
#include "swf/avm1/clipobject.h"
#include "swf/avm1/ops.h"
#include "swf/runtime/player.h"

namespace swf::avm1 {

namespace {

bool isPathName(const QString &name)
{
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char(':')) ||
           name.contains(QLatin1Char('.'));
}

// "_level3" → 3; -1 for other names.
int levelOf(const QString &name)
{
    if (!name.startsWith(QLatin1String("_level"), Qt::CaseInsensitive) || name.size() <= 6)
        return -1;
    bool ok = false;
    const int level = name.mid(6).toInt(&ok);
    return ok && level >= 0 ? level : -1;
}

} // namespace

DisplayObject *Ops::targetDisplay()
{
    return m.displayObjectOf(Value(f.target));
}

Value Ops::clipValue(DisplayObject *object)
{
    return object ? Value(m.objectOf(*object)) : Value();
}

DisplayObject *Ops::resolveTarget(const QString &path)
{
    return m.resolvePath(path, targetDisplay());
}

// Names with a path: "/a/b:x" and "a.b.x" name x in the clip (or object)
// the path leads to; a path without a variable names the clip itself.
Value Ops::lookupPath(const QString &name, bool &found)
{
    found = true;
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        DisplayObject *clip = resolveTarget(name.left(colon));
        if (!clip)
            return Value();
        return m.get(m.objectOf(*clip), m.key(name.mid(colon + 1)).data());
    }
    if (name.contains(QLatin1Char('/'))) {
        DisplayObject *clip = resolveTarget(name);
        if (clip)
            return clipValue(clip);
        found = false;
        return Value();
    }
    // Dots: the first part is a variable, the rest members.
    const QStringList parts = name.split(QLatin1Char('.'));
    if (parts.first().isEmpty()) {
        found = false;
        return Value();
    }
    Value value = getVariable(StrRef(parts.first()));
    for (int i = 1; i < parts.size(); ++i) {
        if (value.isNullish())
            return Value();
        value = m.getMember(value, Value(parts[i]));
    }
    return value;
}

Value Ops::getVariable(const StrRef &name, Object **owner)
{
    const QString &text = name.text();
    if (isPathName(text)) {
        bool found = false;
        Value value = lookupPath(text, found);
        if (found)
            return value;
    }
    StringData *key = m.key(name.data());
    const Names &names = m.names();
    if (key == names.thisName.data())
        return f.self.isObject() || f.callee ? f.self : Value(f.target);
    if (key == names.global.data())
        return Value(m.global());
    if (key == names.root.data()) {
        DisplayObject *target = targetDisplay();
        return target ? clipValue(m.levelRootOf(*target)) : Value(m.rootObject());
    }
    if (const int level = levelOf(text); level >= 0)
        return clipValue(m.level(level));
    Value out;
    const auto found = [owner](Object *where) {
        if (owner)
            *owner = where;
        return true;
    };
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (m.lookup(it->object, key, out) && found(it->object))
            return out;
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (m.lookup(*it, key, out) && found(*it))
            return out;
    }
    if (f.scope.empty() && f.target && m.lookup(f.target, key, out) && found(f.target))
        return out;
    if (m.lookup(m.global(), key, out) && found(m.global()))
        return out;
    // A class-like name no global has, even one hidden from this version.
    if (!text.isEmpty() && text.at(0) >= QLatin1Char('A') && text.at(0) <= QLatin1Char('Z') &&
        !m.global()->properties().find(key))
        m.services().unknownGlobal(text);
    return Value();
}

void Ops::setVariable(const StrRef &name, const Value &value)
{
    const QString &text = name.text();
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        if (DisplayObject *clip = resolveTarget(text.left(colon))) {
            const StrRef variable(text.mid(colon + 1));
            m.set(m.objectOf(*clip), m.key(variable.data()), value, variable.data());
        }
        return;
    }
    const int dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && dot < text.size() - 1) {
        const Value owner = lookupPathOwner(text.left(dot));
        if (Object *object = m.toObject(owner)) {
            const StrRef member(text.mid(dot + 1));
            m.set(object, m.key(member.data()), value, member.data());
        }
        return;
    }
    StringData *key = m.key(name.data());
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (m.hasProperty(it->object, key)) {
            m.set(it->object, key, value, name.data());
            return;
        }
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (m.hasProperty(*it, key)) {
            m.set(*it, key, value, name.data());
            return;
        }
    }
    // Not found: a variable of the timeline the code belongs to.
    Object *owner = f.scope.empty() ? f.target : f.scope.front();
    if (owner)
        m.set(owner, key, value, name.data());
}

Value Ops::lookupPathOwner(const QString &path)
{
    bool found = false;
    Value owner = lookupPath(path, found);
    if (!found)
        owner = getVariable(StrRef(path));
    return owner;
}

void Ops::defineLocal(const StrRef &name, const Value &value)
{
    Object *scope = f.locals ? f.locals : f.target;
    if (scope)
        m.set(scope, m.key(name.data()), value, name.data());
}

bool Ops::deleteVariable(const StrRef &name)
{
    StringData *key = m.key(name.data());
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (m.hasProperty(it->object, key))
            return m.deleteProperty(it->object, key);
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (m.hasProperty(*it, key))
            return m.deleteProperty(*it, key);
    }
    if (f.target && m.hasProperty(f.target, key))
        return m.deleteProperty(f.target, key);
    return m.deleteProperty(m.global(), key);
}

} // namespace swf::avm1
