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

// The version bits of a property's flags that hide it from a movie's
// reads and writes: the Flash Player's properties of later versions, and
// 0x100, which hides from version 6 alone.
quint32 hiddenBits(int version)
{
    constexpr quint32 kLater8 = PropertyFlag::OnlySwf9;
    constexpr quint32 kLater7 = kLater8 | PropertyFlag::OnlySwf8;
    constexpr quint32 kLater6 = kLater7 | PropertyFlag::OnlySwf7;
    switch (version) {
    case 6:
        return kLater6 | PropertyFlag::NotSwf6;
    case 7:
        return kLater7;
    case 8:
        return kLater8;
    default:
        return version < 6 ? kLater6 | PropertyFlag::OnlySwf6 : 0;
    }
}

bool visibleIn(const Property &p, int version)
{
    return !(p.flags & hiddenBits(version));
}

} // namespace

// A hidden __proto__ still links lookups except for a few bits, and
// instanceof and isPrototypeOf stop at the one of the next version or a
// deleted one.
bool Machine::linkHidden(Object *object, bool inheritance)
{
    quint32 bits = 0;
    switch (m_version) {
    case 6:
        bits = PropertyFlag::OnlySwf7;
        break;
    case 7:
        bits = inheritance ? PropertyFlag::OnlySwf8 : 0;
        break;
    case 8:
        bits = inheritance ? PropertyFlag::OnlySwf9 : 0;
        break;
    default:
        bits = m_version < 6 ? hiddenBits(m_version) : 0;
        break;
    }
    // A deleted __proto__ still links lookups from version 7, but
    // instanceof and isPrototypeOf see no prototype.
    const bool deletedCounts = inheritance && m_version >= 7;
    if (!bits && !deletedCounts)
        return false;
    const Property *p = object->properties().find(m_names.proto.data());
    if (!p)
        return deletedCounts;
    return p->flags & bits;
}

Object *Machine::linkedProto(Object *object, bool inheritance)
{
    return linkHidden(object, inheritance) ? nullptr : object->proto();
}

Property *Machine::findProperty(Object *object, StringData *key, Object **owner)
{
    int depth = 0;
    for (Object *o = object; o; o = linkedProto(o)) {
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

Object *Machine::liveObject(Object *object, bool *gone)
{
    auto *clip = asClip(object);
    if (!clip || clip->deadPath().isEmpty() || !m_player || m_player->find(clip->handle()))
        return object;
    if (DisplayObject *live = liveClipAt(clip->deadPath()))
        return objectOf(*live);
    if (gone)
        *gone = clip->pathWhileUnloading().isEmpty();
    return object;
}

bool Machine::lookup(Object *object, StringData *key, Value &out)
{
    if (!object)
        return false;
    // A reference to a removed object that names no live one has nothing
    // to read, but while its unload handlers run.
    bool gone = false;
    if (object->isClip())
        object = liveObject(object, &gone);
    if (gone)
        return false;
    if (key == m_names.proto.data()) {
        // The object's own property; the object caches its link.
        const Property *p = object->properties().find(key);
        if (!p || !visibleIn(*p, m_version))
            return false;
        out = object->proto() ? Value(object->proto()) : p->value;
        return true;
    }
    int depth = 0;
    for (Object *o = object; o; o = linkedProto(o)) {
        if (depth++ > kMaxPrototypeDepth) {
            abortScripts(
                QStringLiteral("a prototype chain is longer than %1").arg(kMaxPrototypeDepth));
            return false;
        }
        // A clip lends nothing as a prototype: the chain ends there.
        if (o != object && o->objectClass() == ObjectClass::MovieClip)
            return false;
        Property *p = o->properties().find(key);
        if (p && !visibleIn(*p, m_version))
            p = nullptr;
        // addProperty takes a built-in property's reads over.
        if (!(p && (p->getter || p->setter)) && o->getBuiltin(*this, key, out))
            return true;
        if (p) {
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
    // __resolve answers for names found nowhere, whatever its version bits.
    if (object && key != m_names.resolve.data()) {
        Value resolver;
        int depth = 0;
        for (Object *o = object; o && depth++ <= kMaxPrototypeDepth; o = linkedProto(o)) {
            if (const Property *p = o->properties().find(m_names.resolve.data())) {
                resolver = p->getter ? call(Value(p->getter), Value(object), Args()) : p->value;
                break;
            }
        }
        if (resolver.isObject() && resolver.object()->isFunction()) {
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
    if (object->isClip())
        object = liveObject(object);
    if (key == m_names.proto.data()) {
        Property *p = object->properties().find(key);
        if (p && (p->flags & PropertyFlag::ReadOnly))
            return;
        // addProperty can take the name over, as any other.
        if (p && (p->getter || p->setter)) {
            if (p->setter)
                call(Value(p->setter), Value(object), Args(&value, 1));
            return;
        }
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
    // The prototypes' plain values are shadowed by a new own property; the
    // first property made by addProperty there takes the write instead.
    int depth = 0;
    while (p && owner != object && !p->setter && !p->getter && owner &&
           ++depth < kMaxPrototypeDepth) {
        Object *next = linkedProto(owner);
        p = next ? findProperty(next, key, &owner) : nullptr;
    }
    if (p && (p->getter || p->setter)) {
        // A read-only property keeps its setter from being called.
        if (p->setter && !(p->flags & PropertyFlag::ReadOnly))
            call(Value(p->setter), Value(object), Args(&value, 1));
        return;
    }
    if (p && owner == object) {
        if (!(p->flags & PropertyFlag::ReadOnly))
            p->value = value;
        return;
    }
    // An own property hidden from this version is written over as new,
    // except that version 6 writes into one of version 7 and keeps it hidden.
    if (Property *hidden = object->properties().find(key)) {
        if (m_version == 6 && (hidden->flags & PropertyFlag::OnlySwf7) && !hidden->getter &&
            !hidden->setter)
            hidden->value = value;
        else
            *hidden = Property{hidden->key, hidden->name, value};
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

// Version bits do not hide a property from hasOwnProperty.
bool Machine::hasOwnProperty(Object *object, StringData *key)
{
    return object->properties().find(key) != nullptr;
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
    // Without its __proto__ the object has no prototype before version 7;
    // later ones keep the link.
    if (key == m_names.proto.data() && m_version < 7)
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
            if (auto *array = asArray(object)) {
                const double n = name.number();
                if (n >= 0 && n < array->length() && n == double(qint64(n)))
                    return array->elements()[size_t(n)];
            }
        }
        if (name.isString())
            return get(object, key(name.string()));
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
        if (auto *array = asArray(object)) {
            const double n = name.number();
            if (n >= 0 && n < array->length() && n == double(qint64(n))) {
                array->elements()[size_t(n)] = value;
                return;
            }
        }
    }
    if (name.isString()) {
        set(object, key(name.string()), value, name.string());
        return;
    }
    const StrRef text = toString(name);
    set(object, key(text.data()), value, text.data());
}

void Machine::enumerableNames(Object *object, std::vector<StrRef> &names)
{
    std::unordered_set<StringData *> seen;
    int depth = 0;
    for (Object *o = object; o && depth++ <= kMaxPrototypeDepth; o = linkedProto(o, true)) {
        std::vector<StrRef> builtins;
        o->builtinNames(*this, builtins);
        for (StrRef &name : builtins) {
            if (seen.insert(key(name.data())).second)
                names.push_back(std::move(name));
        }
        for (const Property &p : o->properties().entries()) {
            if (!seen.insert(p.key.data()).second)
                continue;
            // for..in lists what the version hides from reads.
            if (!(p.flags & PropertyFlag::DontEnum))
                names.push_back(p.name);
        }
    }
}

} // namespace swf::avm1
