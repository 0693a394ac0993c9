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

// The object whose variables the code reads and sets: the target, unless
// it is a clip removed since; then the code's own timeline.
Object *Ops::variableTarget()
{
    if (dynamic_cast<ClipObject *>(f.target) && !targetDisplay())
        return f.timeline;
    return f.target;
}

Value Ops::clipValue(DisplayObject *object)
{
    return object ? Value(m.objectOf(*object)) : Value();
}

DisplayObject *Ops::resolveTarget(const QString &path)
{
    return m.resolvePath(path, targetDisplay());
}

namespace {

bool isPathSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('.');
}

// Where the variable of a path begins: after its last colon or dot; -1
// for a path of slashes only, which names a clip itself.
qsizetype variableCut(const QString &name)
{
    return qMax(name.lastIndexOf(QLatin1Char(':')), name.lastIndexOf(QLatin1Char('.')));
}

} // namespace

// The object a target path leads to, from the frame's target: "/" is the
// level's root, ".." a clip's parent, other elements members or children,
// separated by "/", ":" or ".". The Flash Player is strict about how they
// combine: ".." is followed by "/" or ":" only and never follows a dot; an
// empty element may only be a colon that something follows; a path with a
// slash (or starting with "..") may not end on a dot; and a path must name
// something. Null when the path leads nowhere.
Object *Ops::pathObject(const QString &path)
{
    const qsizetype length = path.size();
    const bool slashes = path.contains(QLatin1Char('/')) || path.startsWith(QLatin1String(".."));
    Object *current = f.target;
    bool named = false;
    QChar previous;
    qsizetype i = 0;
    if (path.startsWith(QLatin1Char('/'))) {
        DisplayObject *target = targetDisplay();
        current = target ? m.toObject(clipValue(m.levelRootOf(*target))) : m.rootObject();
        named = true;
        previous = QLatin1Char('/');
        i = 1;
    }
    while (i < length) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('.') && i + 1 < length && path.at(i + 1) == QLatin1Char('.')) {
            if (previous == QLatin1Char('.'))
                return nullptr;
            if (i + 2 < length && path.at(i + 2) != QLatin1Char('/') &&
                path.at(i + 2) != QLatin1Char(':'))
                return nullptr;
            DisplayObject *clip = m.displayObjectOf(Value(current));
            current = clip && clip->parent() ? m.toObject(clipValue(clip->parent())) : nullptr;
            i += 2;
        } else if (isPathSeparator(c)) {
            if (c != QLatin1Char(':') || i == length - 1)
                return nullptr;
            previous = c;
            ++i;
            continue;
        } else {
            qsizetype end = i;
            while (end < length && !isPathSeparator(path.at(end)))
                ++end;
            current = pathElement(current, path.mid(i, end - i), !named && previous.isNull());
            i = end;
        }
        named = true;
        if (!current)
            return nullptr;
        if (i < length) {
            previous = path.at(i++);
            if (i == length && previous == QLatin1Char('.') && slashes)
                return nullptr;
        }
    }
    return named ? current : nullptr;
}

// One element of a path: a level, a clip's child of that name before any
// variable, else a member (the first element through the scope chain).
Object *Ops::pathElement(Object *current, const QString &element, bool first)
{
    if (const int level = levelOf(element); level >= 0)
        return m.toObject(clipValue(m.level(level)));
    if (DisplayObject *clip = m.displayObjectOf(Value(current))) {
        if (DisplayObject *child = m.childNamed(*clip, element))
            return m.toObject(clipValue(child));
    }
    if (first)
        return getVariable(StrRef(element)).asObject();
    return m.get(current, m.key(element).data()).asObject();
}

// Names with a path: "/a/b:x", "a.b.x" and "../a.x" name x in the clip (or
// object) the path before it leads to; a path of slashes alone names the
// clip itself, or else is a variable's name. False when it is.
bool Ops::lookupPath(const QString &name, Value &out)
{
    const qsizetype cut = variableCut(name);
    if (cut < 0) {
        Object *clip = pathObject(name);
        out = clip ? Value(clip) : Value();
        return clip;
    }
    Object *owner = pathObject(name.left(cut));
    out = owner ? m.get(owner, m.key(name.mid(cut + 1)).data()) : Value();
    return true;
}

Value Ops::getVariable(const StrRef &name, Object **owner)
{
    const QString &text = name.text();
    if (Value value; isPathName(text) && lookupPath(text, value))
        return value;
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
    if (Object *target = variableTarget();
        f.scope.empty() && target && m.lookup(target, key, out) && found(target))
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
    if (const qsizetype cut = variableCut(text); cut >= 0) {
        if (Object *owner = pathObject(text.left(cut))) {
            const StrRef variable(text.mid(cut + 1));
            m.set(owner, m.key(variable.data()), value, variable.data());
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
    Object *owner = f.scope.empty() ? variableTarget() : f.scope.front();
    if (owner)
        m.set(owner, key, value, name.data());
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
