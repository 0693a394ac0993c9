// Objects of ActionScript 1/2: properties by name (in the order they were
// made), a prototype, and hooks for the built-in kinds whose properties
// live elsewhere (a clip's _x lives in its display object, an array's
// length in its elements). Objects belong to the Heap, which frees those
// no longer reachable.
#pragma once

#include "swf/avm1/value.h"

#include <memory>
#include <vector>

namespace swf::avm1 {

class Heap;
class Machine;

// ASSetPropFlags bits that the machine honours.
namespace PropertyFlag {
inline constexpr quint32 DontEnum = 0x01;
inline constexpr quint32 DontDelete = 0x02;
inline constexpr quint32 ReadOnly = 0x04;
// Hidden from movies before version 6, 7, 8 and 9 (the Flash Player's own
// properties that later versions added), and from version 6 alone.
inline constexpr quint32 OnlySwf6 = 0x80;
inline constexpr quint32 NotSwf6 = 0x100;
inline constexpr quint32 OnlySwf7 = 0x400;
inline constexpr quint32 OnlySwf8 = 0x1000;
inline constexpr quint32 OnlySwf9 = 0x2000;
} // namespace PropertyFlag

struct Property {
    StrRef key;  // interned by the machine's KeyTable
    StrRef name; // as it was first written
    Value value;
    // addProperty: a getter and a setter function replace the value.
    Object *getter = nullptr;
    Object *setter = nullptr;
    quint32 flags = 0;
};

class PropertyMap {
public:
    Property *find(StringData *key);
    const Property *find(StringData *key) const;
    // Adds a property that is not there yet.
    Property &add(const StrRef &key, const StrRef &name);
    bool remove(StringData *key);
    std::vector<Property> &entries() { return m_entries; }
    const std::vector<Property> &entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }

private:
    void reindex();
    void index(int entry);

    std::vector<Property> m_entries;
    // Kept once the map grows past a few entries: entry numbers by key,
    // open addressing over a power-of-two table at most half full, -1
    // where free.
    std::vector<qint32> m_slots;
};

// What an object is to typeof, instanceof and the built-ins.
enum class ObjectClass {
    Object,
    Function,
    Array,
    String,
    Number,
    Boolean,
    Arguments,
    MovieClip,
    Button,
    TextField,
    Activation,
    Super,
    Date,
    Other, // built-ins of the second part: Color, Sound, …
};

class Object {
public:
    explicit Object(Object *proto = nullptr) : m_proto(proto) {}
    virtual ~Object() = default;
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    virtual ObjectClass objectClass() const { return ObjectClass::Object; }
    bool isFunction() const { return objectClass() == ObjectClass::Function; }
    // The kinds the machine asks about on every member access, answered
    // without a cast (see asClip and asArray).
    bool isClip() const { return m_kind == Kind::Clip; }
    bool isArray() const { return m_kind == Kind::Array; }

    Object *proto() const { return m_proto; }
    void setProto(Object *proto) { m_proto = proto; }
    PropertyMap &properties() { return m_properties; }
    const PropertyMap &properties() const { return m_properties; }

    // Properties of built-in kinds that are not in the map: true when the
    // object answered for `key`.
    virtual bool getBuiltin(Machine &, StringData *key, Value &out)
    {
        Q_UNUSED(key);
        Q_UNUSED(out);
        return false;
    }
    virtual bool setBuiltin(Machine &, StringData *key, const Value &value)
    {
        Q_UNUSED(key);
        Q_UNUSED(value);
        return false;
    }
    // Looked up after the object's own properties and before its
    // prototype's: the children a clip names.
    virtual bool getChild(Machine &, StringData *key, Value &out)
    {
        Q_UNUSED(key);
        Q_UNUSED(out);
        return false;
    }
    // Enumerable names the object adds to its map's, for for..in.
    virtual void builtinNames(Machine &, std::vector<StrRef> &) {}
    // The primitive inside wrappers (String, Number, Boolean objects).
    virtual const Value *primitive() const { return nullptr; }

    // Marks what the object holds; subclasses add their own references.
    virtual void markChildren(Heap &heap);

    // Interfaces the objects of a class implement (on its prototype).
    void addInterface(Object *interface);
    const std::vector<Object *> &interfaces() const;

    bool marked() const { return m_marked; }
    void setMarked(bool marked) { m_marked = marked; }

protected:
    enum class Kind : quint8 { Plain, Array, Clip };
    Object(Object *proto, Kind kind) : m_proto(proto), m_kind(kind) {}

private:
    Object *m_proto;
    PropertyMap m_properties;
    std::unique_ptr<std::vector<Object *>> m_interfaces;
    Kind m_kind = Kind::Plain;
    bool m_marked = false;
};

} // namespace swf::avm1
