#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {



void installXml(Vm &) {}


bool xmlEquals(Vm &, const Value &, const Value &) { return false; }
Value xmlConcat(Vm &vm, const Value &a, const Value &b) { return vm.sv(vm.toString(a) + vm.toString(b)); }
bool xmlCallMethod(Vm &, Object *, const Name &, const Value *, int, Value &) { return false; }
Value xmlDescendants(Vm &vm, const Value &, const Name &) { vm.throwError(ErrorType::TypeError, 1016, QStringLiteral("Object")); }
Value xmlEscape(Vm &vm, const Value &v, bool) { return vm.sv(vm.toString(v)); }
Value proxyCall(Vm &vm, Object *, const Name &, const Value *, int) { vm.throwError(ErrorType::TypeError, 1006, QStringLiteral("proxy")); }

} // namespace swf::avm2::builtins

