// Objects of the machine: a class's fixed slots (from its traits) plus,
// for dynamic classes, properties added at run time; the prototype chain
// for what neither holds. Arrays, functions, classes and the other native
// kinds subclass Object and override the dynamic-property hooks.
#pragma once

#include "swf/avm2/heap.h"
#include "swf/avm2/traits.h"

#include <QHash>

#include <memory>
#include <vector>

namespace swf::avm2 {

class Vm;

// Which native layout an object has; classes written in ActionScript
// inherit the kind of their nearest native base.
enum class ObjKind : quint8 {
    Plain,
    Array,
    Function,
    Class,
    Boxed, // Number, String, Boolean wrappers (prototypes)
    Error,
    Date,
    RegExp,
    Vector,
    Dictionary,
    ByteArray,
    Xml,
    XmlList,
    Namespace,
    QName,
    Activation,
    Global,
    Proxy,
};

struct DynProps {
    struct Entry {
        QString key;
        Value value;
        bool dontEnum = false;
        bool deleted = false;
    };
    std::vector<Entry> entries;
    QHash<QString, int> index;
    int live = 0;

    Entry *find(const QString &key)
    {
        const auto it = index.constFind(key);
        return it == index.constEnd() ? nullptr : &entries[size_t(*it)];
    }
    void set(const QString &key, const Value &v);
    bool remove(const QString &key);
};

class Object : public Cell {
public:
    Object(ClassObject *cls, const Traits *traits, Object *proto, ObjKind kind = ObjKind::Plain);

    void trace(Tracer &t) const override;
    size_t extraBytes() const override;

    // Own dynamic properties (public names only). Index names arrive with
    // hasIndex set so arrays and vectors can take their fast path.
    virtual bool getOwn(Vm &vm, const Name &name, Value &out);
    virtual bool setOwn(Vm &vm, const Name &name, const Value &v); // false: sealed
    virtual bool deleteOwn(Vm &vm, const Name &name);
    virtual bool hasOwn(Vm &vm, const Name &name);
    // for-in: positions from 1; nextIndex returns 0 at the end.
    virtual int nextIndex(Vm &vm, int index);
    virtual Value nameAt(Vm &vm, int index);
    virtual Value valueAt(Vm &vm, int index);

    bool isDynamic() const { return m_dynamic; }
    DynProps &dyn();
    DynProps *dynIfAny() { return m_dyn.get(); }

    ClassObject *klass;
    const Traits *traits;
    Object *proto;
    std::vector<Value> slotv;
    const ObjKind kind;
    bool m_dynamic = true;

protected:
    std::unique_ptr<DynProps> m_dyn;
};

// The scopes a closure or class captured: objects searched innermost last.
class ScopeChain final : public Cell {
public:
    struct Entry {
        Value value;
        bool with = false;
    };
    ScopeChain(const ScopeChain *outer, const Entry *extra, int count);
    void trace(Tracer &t) const override;
    std::vector<Entry> entries;
};

} // namespace swf::avm2
