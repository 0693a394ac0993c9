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
    if (asClip(f.target) && !targetDisplay())
        return f.timeline;
    return f.target;
}

// An object of the scope chain, where the code's own timeline stands for
// whatever SetTarget has made the target.
Object *Ops::scopeObject(Object *scope)
{
    return scope == f.timeline ? variableTarget() : scope;
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

// Where the variable of a path begins: after its last colon or dot; -1
// for a path of slashes only, which names a clip itself.
qsizetype variableCut(const QString &name)
{
    return qMax(name.lastIndexOf(QLatin1Char(':')), name.lastIndexOf(QLatin1Char('.')));
}

// The Flash Player reads a path's elements 127 characters at most at a time.
constexpr qsizetype kMaxPathElement = 127;

} // namespace

// The object a target path leads to from `start`: "/" is the level's
// root, ".." a clip's parent, other elements children or members. The
// Flash Player is strict about how elements combine: "/" and ":" separate
// them, and "." too until a "/" or ".." has come; ".." (before "/", ":"
// or the end; else it begins a name) never follows a dot; an empty element
// may only be a colon that something follows; and a path must name
// something. With
// `scopeChain`, a first element that is no child is looked up through the
// scope chain. Null when the path leads nowhere.
Object *Ops::pathObject(const QString &path, Object *start, bool scopeChain)
{
    const qsizetype length = path.size();
    bool dots = true;
    const auto separates = [&dots](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char(':') || (dots && c == QLatin1Char('.'));
    };
    Object *current = start;
    bool named = false;
    QChar previous;
    qsizetype i = 0;
    if (path.startsWith(QLatin1Char('/'))) {
        DisplayObject *base = m.displayObjectOf(Value(start));
        current = base ? m.toObject(clipValue(m.levelRootOf(*base))) : m.rootObject();
        named = true;
        dots = false;
        previous = QLatin1Char('/');
        i = 1;
    }
    while (i < length) {
        const QChar c = path.at(i);
        const bool dotDot =
            c == QLatin1Char('.') && i + 1 < length && path.at(i + 1) == QLatin1Char('.');
        if (dotDot && previous == QLatin1Char('.'))
            return nullptr;
        if (dotDot && i + 2 < length && path.at(i + 2) != QLatin1Char('/') &&
            path.at(i + 2) != QLatin1Char(':')) {
            // A name that starts with two dots ("..c", "..."): up to a slash
            // or colon.
            qsizetype end = i;
            while (end < length && end - i < kMaxPathElement && path.at(end) != QLatin1Char('/') &&
                   path.at(end) != QLatin1Char(':'))
                ++end;
            const bool first = !named && previous.isNull();
            current = pathElement(current, path.mid(i, end - i), first && scopeChain);
            i = end;
        } else if (dotDot) {
            DisplayObject *clip = m.displayObjectOf(Value(current));
            current = clip && clip->parent() ? m.toObject(clipValue(clip->parent())) : nullptr;
            dots = false;
            i += 2;
        } else if (separates(c)) {
            if (c != QLatin1Char(':') || i == length - 1)
                return nullptr;
            previous = c;
            ++i;
            continue;
        } else {
            qsizetype end = i;
            while (end < length && end - i < kMaxPathElement && !separates(path.at(end)))
                ++end;
            const bool first = !named && previous.isNull();
            current = pathElement(current, path.mid(i, end - i), first && scopeChain);
            i = end;
        }
        named = true;
        if (!current)
            return nullptr;
        // An element cut at the longest name goes on as the next element.
        if (i < length && separates(path.at(i))) {
            previous = path.at(i++);
            if (previous == QLatin1Char('/'))
                dots = false;
        }
    }
    return named ? current : nullptr;
}

// One element of a path: a level, a clip's child of that name before any
// variable, else a member (the first element through the scope chain).
Object *Ops::pathElement(Object *current, const QString &element, bool first)
{
    DisplayObject *clip = m.displayObjectOf(Value(current));
    if (const int level = levelOf(element); level >= 0 && (first || clip))
        return m.toObject(clipValue(m.level(level)));
    if (!first && m.key(element) == m.names().thisName)
        return current;
    if (first)
        return scopePathElement(element);
    if (DisplayObject *child = clip ? m.childNamed(*clip, element) : nullptr)
        return m.toObject(clipValue(child));
    return m.get(current, m.key(element).data()).asObject();
}

// The first element of a path, through the scope chain: in each object of
// it, a clip's child of that name before a variable.
Object *Ops::scopePathElement(const QString &element)
{
    StringData *key = m.key(element).data();
    Value out;
    const auto find = [&](Object *scope) {
        if (DisplayObject *clip = m.displayObjectOf(Value(scope))) {
            if (DisplayObject *child = m.childNamed(*clip, element)) {
                out = clipValue(child);
                return true;
            }
        }
        return scope && m.lookup(scope, key, out);
    };
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (find(it->object))
            return out.asObject();
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (find(scopeObject(*it)))
            return out.asObject();
    }
    if (f.scope.empty() && find(variableTarget()))
        return out.asObject();
    // The special names and _global; a name with separators is no path here.
    return isPathName(element) ? nullptr : getVariable(StrRef(element)).asObject();
}

// Names with a path: "/a/b:x", "a.b.x" and "../a.x" name x in the clip (or
// object) the path before it leads to; a path of slashes alone names the
// clip itself, or else is a variable's name. False when it is.
bool Ops::lookupPath(const QString &name, Value &out)
{
    const qsizetype cut = variableCut(name);
    if (cut < 0) {
        // A path of slashes names clips only.
        Object *clip = pathObject(name, f.target, false);
        if (!m.displayObjectOf(Value(clip)))
            return false;
        out = Value(clip);
        return true;
    }
    Object *owner = pathObject(name.left(cut), f.target, true);
    out = owner ? m.get(owner, m.key(name.mid(cut + 1)).data()) : Value();
    return true;
}

namespace {

// Whether a with object takes an assignment to `key`: a property of its
// own or of its kind, or one its prototypes give a setter for. A plain
// value it inherits does not stop the search.
bool takesAssignment(Machine &m, Object *object, StringData *key)
{
    if (m.hasOwnProperty(object, key))
        return true;
    if (Value ignored; object->getBuiltin(m, key, ignored))
        return true;
    const Property *p = m.findProperty(object, key);
    return p && p->setter;
}

} // namespace

Value Ops::getVariable(const StrRef &name, Object **owner)
{
    const QString &text = name.text();
    if (Value value; isPathName(text) && lookupPath(text, value))
        return value;
    StringData *key = m.key(name.data());
    const Names &names = m.names();
    if (key == names.thisName.data()) {
        // A parameter named "this" stands for it.
        if (const Property *local = f.locals ? f.locals->properties().find(key) : nullptr)
            return local->value;
        return f.self.isObject() || f.callee ? f.self : Value(f.target);
    }
    if (key == names.global.data() && m.version() >= 6) // _global came with version 6
        return Value(m.global());
    if (key == names.root.data()) {
        DisplayObject *target = targetDisplay();
        return target ? clipValue(m.rootOf(*target)) : Value(m.rootObject());
    }
    Value out;
    const auto found = [owner](Object *where) {
        if (owner)
            *owner = where;
        return true;
    };
    // A variable of that name hides a level; a child clip or _global's
    // variable does not.
    if (const int level = levelOf(text); level >= 0) {
        std::vector<Object *> places;
        for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it)
            places.push_back(it->object);
        for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it)
            places.push_back(scopeObject(*it));
        if (f.scope.empty())
            places.push_back(variableTarget());
        for (Object *place : places) {
            if (place && m.findProperty(place, key) && found(place))
                return m.get(place, key);
        }
        return clipValue(m.level(level));
    }
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (m.lookup(it->object, key, out) && found(it->object))
            return out;
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (Object *scope = scopeObject(*it); m.lookup(scope, key, out) && found(scope))
            return out;
    }
    if (Object *target = variableTarget();
        f.scope.empty() && target && m.lookup(target, key, out) && found(target))
        return out;
    // Version 4 movies see none of the built-ins.
    if (m.version() >= 5 && m.lookup(m.global(), key, out) && found(m.global()))
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
        if (Object *owner = pathObject(text.left(cut), f.target, true)) {
            const StrRef variable(text.mid(cut + 1));
            m.set(owner, m.key(variable.data()), value, variable.data());
        }
        return;
    }
    StringData *key = m.key(name.data());
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (takesAssignment(m, it->object, key)) {
            m.set(it->object, key, value, name.data());
            return;
        }
    }
    for (auto it = f.scope.rbegin(); it != f.scope.rend(); ++it) {
        if (Object *scope = scopeObject(*it); m.hasProperty(scope, key)) {
            m.set(scope, key, value, name.data());
            return;
        }
    }
    // Not found: a variable of the timeline the code belongs to.
    Object *owner = f.scope.empty() ? variableTarget() : scopeObject(f.scope.front());
    if (owner)
        m.set(owner, key, value, name.data());
}

void Ops::defineLocal(const StrRef &name, const Value &value)
{
    // Outside a function a with object that has the name takes it, as an
    // assignment would.
    if (!f.locals) {
        StringData *key = m.key(name.data());
        for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
            if (takesAssignment(m, it->object, key)) {
                m.set(it->object, key, value, name.data());
                return;
            }
        }
    }
    Object *scope = f.locals ? f.locals : f.target;
    if (scope)
        m.set(scope, m.key(name.data()), value, name.data());
}

bool Ops::deleteVariable(const StrRef &name)
{
    StringData *key = m.key(name.data());
    // A with object only answers for its own property: one it inherits
    // is no reason to stop looking.
    for (auto it = f.withs.rbegin(); it != f.withs.rend(); ++it) {
        if (m.hasOwnProperty(it->object, key))
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
