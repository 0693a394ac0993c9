// A class object: its static traits and slots (as an Object), the traits
// of its instances, its prototype, its base and interfaces, and how its
// instances are made.
#pragma once

#include "swf/avm2/object.h"

#include <QString>

#include <memory>
#include <vector>

namespace swf::avm2 {

struct Method;
class AbcUnit;

class ClassObject final : public Object {
public:
    ClassObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Class)
    {
    }
    void trace(Tracer &t) const override;

    bool isSubclassOf(const ClassObject *other) const;
    bool implements(const ClassObject *iface) const;
    // "Foo", or "pkg::Foo" as getQualifiedClassName gives it.
    QString qualifiedName() const;

    QString name;
    const Ns *ns = nullptr;
    ClassObject *base = nullptr;
    std::unique_ptr<Traits> ownTraits;      // statics, what Object::traits points at
    std::unique_ptr<Traits> instanceTraits;
    Object *prototype = nullptr;
    ScopeChain *instanceScope = nullptr;
    std::vector<ClassObject *> interfaces; // every interface, inherited ones too
    Method *iinit = nullptr;
    ObjKind instanceKind = ObjKind::Plain;
    bool sealed = false;
    bool final = false;
    bool isInterface = false;
    // Natives: called as a function (String(x)), and the native
    // constructor run for instances before any iinit.
    Value (*callFn)(Vm &, const Value &, const Value *, int) = nullptr;
    Value (*constructFn)(Vm &, ClassObject *, const Value *, int) = nullptr;
    // Makes an uninitialised instance of the native layout; inherited.
    Object *(*allocFn)(Vm &, ClassObject *) = nullptr;
    // Vector.<T>: the element type (null for "*"); a non-null vectorBase
    // marks an applied Vector class.
    ClassObject *vectorElement = nullptr;
    bool isVector = false;
    // The unit and class index it came from, for describeType.
    AbcUnit *unit = nullptr;
    int classIndex = -1;
};

} // namespace swf::avm2
