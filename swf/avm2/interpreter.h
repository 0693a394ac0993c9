// Runs a verified method body.
#pragma once

#include "swf/avm2/vm.h"

namespace swf::avm2 {

Value interpret(Vm &vm, Method *m, ScopeChain *scope, const Value &self, const Value *args, int argc,
                FunctionObject *callee);

} // namespace swf::avm2
