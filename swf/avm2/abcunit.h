// An ABC file linked into a machine: its pools resolved to interned
// namespaces and names, its methods, the classes made from it so far.
#pragma once

#include "swf/avm2/abcfile.h"
#include "swf/avm2/method.h"
#include "swf/avm2/names.h"
#include "swf/avm2/value.h"

#include <memory>
#include <vector>

namespace swf::avm2 {

class ClassObject;
class Object;
class ScopeChain;
class Tracer;
class Traits;
class Vm;
struct ScriptEntry;

struct ResolvedName {
    Name name;        // the static parts
    bool runtimeNs = false;
    bool runtimeName = false;
    bool typeName = false;
};

class AbcUnit {
public:
    AbcUnit(Vm &vm, AbcFile file);

    Vm &vm;
    AbcFile file;
    std::vector<Str *> strings; // made on first use
    std::vector<const Ns *> namespaces;
    std::vector<NsSet> nsSets;
    std::vector<ResolvedName> names;
    std::vector<std::unique_ptr<Method>> methods;
    std::vector<ClassObject *> classes;

    Str *string(quint32 i);
    Value constant(const AbcConstant &c);
    // A class named by a multiname, for types; null for "*" or unknown.
    ClassObject *resolveType(quint32 mn);
    // Builds the traits of a class, a script or an activation.
    void buildTraits(Traits &traits, const std::vector<AbcTrait> &list, ScopeChain *scope, ClassObject *owner);
    ClassObject *newClass(quint32 index, ClassObject *base, ScopeChain *scope);
    void trace(Tracer &t) const;
    QString qualifiedName(quint32 mn) const;
};

} // namespace swf::avm2
