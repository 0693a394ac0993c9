// The core library's entry points that the machine's generic operations
// need: installation of the core classes, and the hooks for kinds of
// objects with special behaviour (XML, Proxy, QName, Vector).
#pragma once

#include "swf/avm2/vm.h"

namespace swf::avm2 {

class ArrayObject;

namespace builtins {

// Creates the core classes and the builtin global object.
void installCore(Vm &vm);
void traceCore(Vm &vm, Tracer &t);
// Drops weak Dictionary entries whose keys died.
void sweepWeak(Vm &vm);

bool specialEquals(Vm &vm, const Value &a, const Value &b, bool strict);
Value xmlConcat(Vm &vm, const Value &a, const Value &b);
bool xmlCallMethod(Vm &vm, Object *o, const Name &name, const Value *args, int argc, Value &out);
Value xmlDescendants(Vm &vm, const Value &obj, const Name &name);
Value xmlEscape(Vm &vm, const Value &v, bool attribute);
Value proxyCall(Vm &vm, Object *o, const Name &name, const Value *args, int argc);
void qnameToName(Vm &vm, Object *qname, Name &out);
Value makeNamespace(Vm &vm, const Ns *ns);
const Ns *namespaceOf(Vm &vm, Object *namespaceObject);
ClassObject *resolveUnitType(Vm &vm, AbcUnit *unit, quint32 mn);
Value makeArguments(Vm &vm, const Value *args, int argc, FunctionObject *callee);

// Helpers natives share.
inline Value arg(const Value *args, int argc, int i) { return i < argc ? args[i] : Value(); }

} // namespace builtins
} // namespace swf::avm2
