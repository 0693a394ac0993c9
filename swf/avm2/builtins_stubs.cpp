#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {





Value proxyCall(Vm &vm, Object *, const Name &, const Value *, int) { vm.throwError(ErrorType::TypeError, 1006, QStringLiteral("proxy")); }

} // namespace swf::avm2::builtins

