// Properties: lookups through prototypes, getters and setters, the
// built-in kinds' own properties, members of primitive values, for..in.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/runtime/player.h"

#include <unordered_set>

namespace swf::avm1 {

namespace {

// Prototype chains are followed this many links past the object itself,
// as in the Flash Player; a longer one stops the movie's scripts.
constexpr int kMaxPrototypeDepth = 256;

// Whether a property the Flash Player added in a later version shows.
bool visibleIn(const Property &p, int version)
{
    if ((p.flags & PropertyFlag::OnlySwf6) && version < 6)
        return false;
    if ((p.flags & PropertyFlag::OnlySwf7) && version < 7)
        return false;
    if ((p.flags & PropertyFlag::OnlySwf8) && version < 8)
        return false;
    if ((p.flags & PropertyFlag::OnlySwf9) && version < 9)
        return false;
    return true;
}

} // namespace

Property *Machine::findProperty(Object *object, StringData *key, Object **owner)
{
    int depth = 0;
    for (Object *o = object; o; o = o->proto()) {
        if (depth++ > kMaxPrototypeDepth) {
            abortScripts(
                QStringLiteral("a prototype chain is longer than %1").arg(kMaxPrototypeDepth));
            return nullptr;
        }
        Property *p = o->properties().find(key);
        if (p && visibleIn(*p, m_version)) {
            if (owner)
                *owner = o;
            return p;
        }
    }
    return nullptr;
}

Object *Machine::liveObject(Object *object)
{
    auto *clip = dynamic_cast<ClipObject *>(object);
    if (!clip || clip->deadPath().isEmpty() || !m_player || m_player->find(clip->handle()))
        return object;
    DisplayObject *live = liveClipAt(clip->deadPath());
    return live ? objectOf(*live) : object;
}

bool Machine::lookup(Object *object, StringData *key, Value &out)
{
    if (!object)
        return false;
    object = liveObject(object);
    if (key == m_names.proto.data()) {
        // The object's own property; the object caches its link.
        const Property *p = object->properties().find(key);
        if (!p || !visibleIn(*p, m_version))
            return false;
        out = object->proto() ? Value(object->proto()) : p->value;
        return true;
    }
    int depth = 0;
    for (Object *o = object; o; o = o->proto()) {
        if (depth++ > kMaxPrototypeDepth) {
            abortScripts(
                QStringLiteral("a prototype chain is longer than %1").arg(kMaxPrototypeDepth));
            return false;
        }
        if (o->getBuiltin(*this, key, out))
            return true;
        if (Property *p = o->properties().find(key); p && visibleIn(*p, m_version)) {
            if (p->getter) {
                out = call(Value(p->getter), Value(object), Args());
                return true;
            }
            if (p->setter) {
                out = Value(); // a property with only a setter reads as undefined
                return true;
            }
            out = p->value;
            return true;
        }
        if (o->getChild(*this, key, out))
            return true;
    }
    return false;
}

Value Machine::get(Object *object, StringData *key)
{
    Value out;
    if (lookup(object, key, out))
        return out;
    // __resolve answers for names found nowhere, from version 6.
    if (m_version >= 6 && object && key != m_names.resolve.data()) {
        Value resolver;
        if (lookup(object, m_names.resolve.data(), resolver) && resolver.isObject() &&
            resolver.object()->isFunction()) {
            const Value name{StrRef(key)};
            return call(resolver, Value(object), Args(&name, 1));
        }
    }
    return Value();
}

void Machine::set(Object *object, StringData *key, const Value &value, StringData *name)
{
    if (!object)
        return;
    object = liveObject(object);
    if (key == m_names.proto.data()) {
        Property *p = object->properties().find(key);
        if (p && (p->flags & PropertyFlag::ReadOnly))
            return;
        if (!p)
            p = &object->properties().add(StrRef(key), StrRef(name ? name : key));
        // Only objects link a prototype; anything else cuts the chain.
        p->value = value;
        object->setProto(value.asObject());
        return;
    }
    if (object->setBuiltin(*this, key, value))
        return;
    Object *owner = nullptr;
    Property *p = findProperty(object, key, &owner);
    if (p && (p->getter || p->setter)) {
        if (p->setter)
            call(Value(p->setter), Value(object), Args(&value, 1));
        return;
    }
    if (p && owner == object) {
        if (!(p->flags & PropertyFlag::ReadOnly))
            p->value = value;
        return;
    }
    Property &added = object->properties().add(StrRef(key), StrRef(name ? name : key));
    added.value = value;
}

bool Machine::hasProperty(Object *object, StringData *key)
{
    Value ignored;
    if (!object)
        return false;
    // Getters are not run to answer whether a name is there.
    if (findProperty(object, key))
        return true;
    return lookup(object, key, ignored);
}

bool Machine::hasOwnProperty(Object *object, StringData *key)
{
    const Property *p = object->properties().find(key);
    return p && visibleIn(*p, m_version);
}

bool Machine::deleteProperty(Object *object, StringData *key)
{
    if (!object)
        return false;
    Property *p = object->properties().find(key);
    if (!p || !visibleIn(*p, m_version))
        return false;
    if (p->flags & PropertyFlag::DontDelete)
        return false;
    // Without its __proto__ the object has no prototype.
    if (key == m_names.proto.data())
        object->setProto(nullptr);
    return object->properties().remove(key);
}

Value Machine::getMember(const Value &target, const Value &name)
{
    switch (target.type()) {
    case ValueType::Object: {
        Object *object = target.object();
        // Elements by number, without making a string of the index.
        if (name.isNumber()) {
            if (auto *array = dynamic_cast<ArrayObject *>(object)) {
                const double n = name.number();
                if (n >= 0 && n < array->length() && n == double(qint64(n)))
                    return array->elements()[size_t(n)];
            }
        }
        const StrRef text = toString(name);
        return get(object, key(text.data()));
    }
    case ValueType::String: {
        const StrRef text = toString(name);
        StringData *k = key(text.data());
        // From version 6 a string's members come from what _global.String
        // is now: a function of the movie makes the object, anything but
        // a function gives none.
        if (m_version >= 6) {
            const Value wrapper = get(m_global, QStringLiteral("String"));
            auto *function = dynamic_cast<FunctionObject *>(wrapper.asObject());
            if (!function)
                return Value();
            if (!function->isNative()) {
                Object *made = construct(wrapper, Args(&target, 1)).asObject();
                return made ? get(made, k) : Value();
            }
        }
        if (k == m_names.length.data())
            return Value(int(target.string()->text().size()));
        return get(m_protos.string, k);
    }
    case ValueType::Number:
        return get(m_protos.number, key(toString(name).data()));
    case ValueType::Boolean:
        return get(m_protos.boolean, key(toString(name).data()));
    default:
        return Value();
    }
}

void Machine::setMember(const Value &target, const Value &name, const Value &value)
{
    Object *object = target.asObject();
    if (!object)
        return;
    if (name.isNumber()) {
        if (auto *array = dynamic_cast<ArrayObject *>(object)) {
            const double n = name.number();
            if (n >= 0 && n < array->length() && n == double(qint64(n))) {
                array->elements()[size_t(n)] = value;
                return;
            }
        }
    }
    const StrRef text = toString(name);
    set(object, key(text.data()), value, text.data());
}

void Machine::enumerableNames(Object *object, std::vector<StrRef> &names)
{
    std::unordered_set<StringData *> seen;
    int depth = 0;
    for (Object *o = object; o && depth++ <= kMaxPrototypeDepth; o = o->proto()) {
        std::vector<StrRef> builtins;
        o->builtinNames(*this, builtins);
        for (StrRef &name : builtins) {
            if (seen.insert(key(name.data())).second)
                names.push_back(std::move(name));
        }
        for (const Property &p : o->properties().entries()) {
            if (!seen.insert(p.key.data()).second)
                continue;
            if (!(p.flags & PropertyFlag::DontEnum) && visibleIn(p, m_version))
                names.push_back(p.name);
        }
    }
}

} // namespace swf::avm1
