// The machine and the display list: script objects of display objects,
// target paths, what scripts do to clips, dragging and pointer events.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/geometry/drawing.h"
#include "swf/log.h"
#include "swf/model/movie.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/player.h"
#include "swf/runtime/spriteinstance.h"

namespace swf::avm1 {

namespace {

// Timeline depths sit 16384 below the depths scripts name.
constexpr int kDepthOffset = 16384;
// The depths duplicateMovieClip and attachMovie accept.
constexpr int kMinScriptDepth = -16384;
constexpr int kMaxScriptDepth = 2130690045;

ObjectClass classOf(const DisplayObject &object)
{
    switch (object.kind()) {
    case CharacterKind::Sprite:
        return ObjectClass::MovieClip;
    case CharacterKind::Button:
        return ObjectClass::Button;
    case CharacterKind::EditText:
        return ObjectClass::TextField;
    default:
        return ObjectClass::Object;
    }
}

// Names in paths and on display lists: shapes and static text have none
// a script can reach.
bool isScriptable(const DisplayObject &object)
{
    return object.kind() == CharacterKind::Sprite || object.kind() == CharacterKind::Button ||
           object.kind() == CharacterKind::EditText;
}

} // namespace

ClipObject *Machine::objectOf(DisplayObject &object)
{
    const auto it = m_displayObjects.find(object.serial());
    if (it != m_displayObjects.end())
        return it->second;
    // Version 5 movies have no text field objects: a field's name reaches
    // the clip it is on.
    if (object.kind() == CharacterKind::EditText && m_version < 6 && object.parent())
        return objectOf(*object.parent());
    Object *proto = m_protos.object;
    switch (object.kind()) {
    case CharacterKind::Sprite:
        proto = m_protos.movieClip;
        if (object.character()) {
            if (Object *constructor = registeredClass(object.character()->id())) {
                if (Object *classProto = get(constructor, m_names.prototype.data()).asObject())
                    proto = classProto;
            }
        }
        break;
    case CharacterKind::Button:
        proto = m_protos.button;
        break;
    case CharacterKind::EditText:
        defineTextFieldProperties(*this);
        proto = m_protos.textField;
        break;
    case CharacterKind::Video:
        if (m_protos.video)
            proto = m_protos.video;
        break;
    default:
        break;
    }
    auto *script = m_heap.make<ClipObject>(proto, object, classOf(object), targetPathOf(object));
    m_displayObjects.emplace(object.serial(), script);
    // The first level holds the player's version as a movie variable.
    if (m_player && &object == &m_player->root())
        defineValue(script, QStringLiteral("$version"), Value(playerVersion()), 0);
    return script;
}

DisplayObject *Machine::displayObjectOf(const Value &value) const
{
    auto *clip = asClip(value.asObject());
    if (!clip || !m_player)
        return nullptr;
    if (DisplayObject *object = m_player->find(clip->handle()))
        return object;
    return clip->deadPath().isEmpty() ? nullptr : liveClipAt(clip->deadPath());
}

DisplayObject *Machine::liveClipAt(const QString &path) const
{
    // "_level0.a.b": the children by name from the root, case as the
    // version has it.
    const QStringList parts = path.split(QLatin1Char('.'));
    if (parts.isEmpty() || !parts.first().startsWith(QLatin1String("_level")))
        return nullptr;
    bool ok = false;
    const int number = parts.first().mid(6).toInt(&ok);
    DisplayObject *current = ok ? level(number) : nullptr;
    const Qt::CaseSensitivity cs = m_version >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype i = 1; i < parts.size() && current; ++i) {
        DisplayList *children = current->children();
        DisplayObject *next = nullptr;
        if (children) {
            for (const auto &[depth, child] : children->objects()) {
                if (child->name().compare(parts[i], cs) == 0) {
                    next = child.get();
                    break;
                }
            }
        }
        current = next;
    }
    return current;
}

Object *Machine::rootObject()
{
    return objectOf(m_player->root());
}

DisplayObject *Machine::level(int number) const
{
    return m_player ? m_player->level(number) : nullptr;
}

DisplayObject *Machine::levelRootOf(DisplayObject &object) const
{
    DisplayObject *o = &object;
    while (o->parent())
        o = o->parent();
    return o;
}

// _lockroot came with version 7.
DisplayObject *Machine::rootOf(DisplayObject &object)
{
    for (DisplayObject *o = &object; o; o = o->parent()) {
        if (!o->parent())
            return o;
        const auto it = m_displayObjects.find(o->serial());
        if (m_version >= 7 && it != m_displayObjects.end() &&
            toBoolean(get(it->second, QStringLiteral("_lockroot"))))
            return o;
    }
    return &object;
}

QString Machine::targetPathOf(const DisplayObject &object) const
{
    if (!object.parent())
        return QStringLiteral("_level%1")
            .arg(m_player ? qMax(0, m_player->levelNumberOf(object)) : 0);
    return targetPathOf(*object.parent()) + QLatin1Char('.') + object.name();
}

QString Machine::slashPathOf(const DisplayObject &object) const
{
    if (!object.parent())
        return QStringLiteral("/");
    const QString parent = slashPathOf(*object.parent());
    return (parent == QLatin1String("/") ? parent : parent + QLatin1Char('/')) + object.name();
}

DisplayObject *Machine::childNamed(DisplayObject &parent, const QString &name) const
{
    const Qt::CaseSensitivity cs = m_version >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const DisplayList *children = parent.children();
    DisplayObject *child = children ? children->findByName(name, cs) : nullptr;
    if (!child || !isScriptable(*child))
        return nullptr;
    // A version 5 movie's variables hide its fields of the same name.
    if (child->kind() == CharacterKind::EditText && m_version < 6)
        return nullptr;
    return child;
}

DisplayObject *Machine::resolvePath(const QString &path, DisplayObject *base)
{
    if (!m_player)
        return nullptr;
    if (path.isEmpty())
        return base;
    DisplayObject *current = base ? base : &m_player->root();
    const bool slashes = path.contains(QLatin1Char('/'));
    QString rest = path;
    if (slashes && rest.startsWith(QLatin1Char('/'))) {
        current = levelRootOf(*current);
        rest = rest.mid(1);
    }
    const QStringList parts = rest.split(slashes ? QLatin1Char('/') : QLatin1Char('.'));
    const Qt::CaseSensitivity cs = m_version >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..") || part.compare(QLatin1String("_parent"), cs) == 0) {
            current = current->parent();
        } else if (part.compare(QLatin1String("_root"), cs) == 0) {
            current = levelRootOf(*current);
        } else if (part.compare(QLatin1String("this"), cs) == 0) {
            continue;
        } else if (part.startsWith(QLatin1String("_level"), cs)) {
            bool ok = false;
            const int n = part.mid(6).toInt(&ok);
            current = ok ? level(n) : nullptr;
        } else {
            current = childNamed(*current, part);
        }
        if (!current)
            return nullptr;
    }
    return current;
}

void Machine::registerClass(quint16 characterId, Object *constructor)
{
    if (constructor)
        m_registeredClasses[characterId] = constructor;
    else
        m_registeredClasses.erase(characterId);
}

Object *Machine::registeredClass(quint16 characterId) const
{
    const auto it = m_registeredClasses.find(characterId);
    return it == m_registeredClasses.end() ? nullptr : it->second;
}

// A clip of a registered class is made an object of it: its constructor
// runs with the clip as `this`.
void Machine::constructRegisteredClass(Object *script)
{
    DisplayObject *object = displayObjectOf(Value(script));
    if (!object || !object->character())
        return;
    Object *constructor = registeredClass(object->character()->id());
    if (!constructor)
        return;
    defineValue(script, m_names.constructor2.text(), Value(constructor));
    if (m_version >= 6)
        defineValue(script, m_names.constructor.text(), Value(constructor));
    call(Value(constructor), Value(script), Args());
}

DisplayObject *Machine::duplicateClip(DisplayObject &source, const QString &name, int depth,
                                      Object *initObject)
{
    DisplayObject *parent = source.parent();
    if (!parent || !parent->children() || source.kind() != CharacterKind::Sprite ||
        depth < kMinScriptDepth || depth > kMaxScriptDepth - kDepthOffset)
        return nullptr;
    PlacementState state = source.placement();
    state.depth = depth + kDepthOffset;
    state.name = name;
    state.placedFrame = -1;
    std::unique_ptr<DisplayObject> made;
    if (source.character())
        made = instantiate(state, parent, parent->context());
    else
        made = std::make_unique<SpriteInstance>(SpriteInstance::emptyTimeline(), state, parent,
                                                parent->context());
    if (!made)
        return nullptr;
    // The copy takes what scripts drew so far, an open fill and the pen
    // included, and goes on from there.
    if (const Drawing *drawn = source.drawing(); drawn && made->drawing())
        *made->drawing() = *drawn;
    return addScriptClip(*parent, std::move(made), initObject);
}

// A clip a script made joins its parent's list; its init object's
// properties are copied on, and it is constructed at once.
DisplayObject *Machine::addScriptClip(DisplayObject &parent, std::unique_ptr<DisplayObject> made,
                                      Object *initObject)
{
    // Before version 7 the init object's values are there before the
    // clip's first frame places its children; from 7, after.
    ClipObject *script = objectOf(*made);
    const auto copyInit = [&] {
        if (!initObject)
            return;
        for (const Property &p : initObject->properties().entries())
            set(script, p.key.data(), p.getter ? get(initObject, p.key.data()) : p.value,
                p.name.data());
    };
    if (m_version < 7)
        copyInit();
    DisplayObject *added = addChild(*parent.children(), std::move(made), parent.context());
    if (!added)
        return nullptr;
    const ObjectHandle handle = added->handle();
    if (m_version >= 7)
        copyInit();
    runEventOn(script, added, ClipEvent::Construct);
    return m_player->find(handle);
}

void Machine::removeClip(DisplayObject &object)
{
    DisplayObject *parent = object.parent();
    // Only clips in the depths scripts make clips at (0 to 1048575) can be
    // removed by scripts, and none inside a clip waiting to unload.
    constexpr int kMaxRemovableDepth = 1048575;
    if (!parent || !parent->children() || object.depth() < kDepthOffset ||
        object.depth() > kMaxRemovableDepth + kDepthOffset || object.isLeaving())
        return;
    removeChild(*parent->children(), object.depth(), parent->context());
}

void Machine::startDrag(DisplayObject &object, bool lockCenter, std::optional<QRectF> bounds)
{
    m_drag = {};
    m_drag.object = object.handle();
    m_drag.bounds = bounds;
    if (!lockCenter && object.parent()) {
        bool invertible = false;
        const QTransform fromStage =
            ObjectGeometry::toStage(*object.parent()).inverted(&invertible);
        const QPointF pointer = fromStage.map(m_player->pointerPosition());
        const Matrix &m = object.placement().matrix;
        m_drag.offset = QPointF(m.translateX, m.translateY) - pointer;
    }
    updateDrag();
}

void Machine::stopDrag()
{
    m_drag = {};
}

void Machine::updateDrag()
{
    DisplayObject *object = m_player->find(m_drag.object);
    if (!object || !object->parent())
        return;
    bool invertible = false;
    const QTransform fromStage = ObjectGeometry::toStage(*object->parent()).inverted(&invertible);
    if (!invertible)
        return;
    QPointF at = fromStage.map(m_player->pointerPosition()) + m_drag.offset;
    if (m_drag.bounds) {
        const QRectF b(m_drag.bounds->topLeft() * kTwipsPerPixel,
                       m_drag.bounds->size() * kTwipsPerPixel);
        at.setX(qBound(b.left(), at.x(), b.right()));
        at.setY(qBound(b.top(), at.y(), b.bottom()));
    }
    Matrix &m = object->placement().matrix;
    m.translateX = qint32(qBound(-1e9, at.x(), 1e9));
    m.translateY = qint32(qBound(-1e9, at.y(), 1e9));
    object->lock(ScriptLock::Matrix);
    object->context().changed = true;
}

void Machine::stopSounds()
{
    if (m_player)
        m_player->context().audio->stopAllSounds();
}

bool Machine::hasPointerHandler(Object *script)
{
    static const char *const kHandlers[] = {"onPress",    "onRelease", "onReleaseOutside",
                                            "onRollOver", "onRollOut", "onDragOver",
                                            "onDragOut"};
    for (const char *name : kHandlers) {
        if (findProperty(script, key(QString::fromLatin1(name)).data()))
            return true;
    }
    return false;
}

// Mouse events go to every clip that has event actions or a handler for
// them, and to the listeners of Mouse.
void Machine::broadcastMouse(quint32 event)
{
    const auto visit = [&](const auto &self, DisplayObject &object) -> void {
        if (object.kind() == CharacterKind::Sprite && object.parent())
            queueEvent(object, event, Priority::Normal);
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    visit(visit, m_player->root());
    const char *name = event == ClipEvent::MouseDown ? "onMouseDown"
                       : event == ClipEvent::MouseUp ? "onMouseUp"
                                                     : "onMouseMove";
    broadcastToListeners(get(m_global, QStringLiteral("Mouse")), QString::fromLatin1(name), {});
}

// Key events reach the clips with key event actions and Key's listeners.
void Machine::broadcastKey(quint32 event, const KeyEvent &)
{
    const auto visit = [&](const auto &self, DisplayObject &object) -> void {
        if (const ClipActions *actions = object.placement().clipActions;
            actions && (actions->allEvents & event))
            queueEvent(object, event, Priority::Normal);
        if (DisplayList *children = object.children()) {
            for (const auto &[depth, child] : children->objects())
                self(self, *child);
        }
    };
    visit(visit, m_player->root());
    broadcastToListeners(
        get(m_global, QStringLiteral("Key")),
        event == ClipEvent::KeyDown ? QStringLiteral("onKeyDown") : QStringLiteral("onKeyUp"), {});
}

// AsBroadcaster's broadcastMessage: `message` called on every object of
// the broadcaster's _listeners.
void Machine::broadcastToListeners(const Value &broadcaster, const QString &message,
                                   const std::vector<Value> &args)
{
    Object *object = broadcaster.asObject();
    if (!object)
        return;
    auto *listeners = asArray(get(object, QStringLiteral("_listeners")).asObject());
    if (!listeners)
        return;
    // A copy: listeners may add or remove listeners as they are told.
    const std::vector<Value> list = listeners->elements();
    const StrRef name = key(message);
    for (const Value &listener : list) {
        if (m_aborted)
            return;
        Object *target = listener.asObject();
        if (!target)
            continue;
        const Value handler = get(target, name.data());
        if (handler.isObject() && handler.object()->isFunction())
            call(handler, listener, Args(args));
    }
}

} // namespace swf::avm1
