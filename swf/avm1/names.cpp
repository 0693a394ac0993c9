#include "swf/avm1/names.h"

namespace swf::avm1 {

Names::Names(KeyTable &keys)
    : prototype(keys.key(QStringLiteral("prototype"))),
      proto(keys.key(QStringLiteral("__proto__"))),
      constructor(keys.key(QStringLiteral("constructor"))),
      constructor2(keys.key(QStringLiteral("__constructor__"))),
      length(keys.key(QStringLiteral("length"))), toString(keys.key(QStringLiteral("toString"))),
      valueOf(keys.key(QStringLiteral("valueOf"))),
      arguments(keys.key(QStringLiteral("arguments"))), callee(keys.key(QStringLiteral("callee"))),
      caller(keys.key(QStringLiteral("caller"))), thisName(keys.key(QStringLiteral("this"))),
      superName(keys.key(QStringLiteral("super"))), global(keys.key(QStringLiteral("_global"))),
      root(keys.key(QStringLiteral("_root"))), parent(keys.key(QStringLiteral("_parent"))),
      resolve(keys.key(QStringLiteral("__resolve"))),
      onEnterFrame(keys.key(QStringLiteral("onEnterFrame"))), empty(keys.key(QString()))
{
}

} // namespace swf::avm1
