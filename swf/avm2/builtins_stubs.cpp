#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {

void installDate(Vm &) {}
void installRegExp(Vm &) {}
void installJson(Vm &) {}
void installVector(Vm &) {}
void installXml(Vm &) {}
void installUtils(Vm &) {}


bool isRegExp(const Value &) { return false; }
Value stringMatch(Vm &, const QString &, const Value &) { return Value::null(); }
Value stringReplace(Vm &vm, const QString &s, const Value &p, const Value &r)
{
    QString out = s;
    const QString pat = vm.toString(p);
    const qsizetype at = s.indexOf(pat);
    if (at >= 0)
        out.replace(at, pat.size(), vm.toString(r));
    return vm.sv(out);
}
Value stringSearch(Vm &vm, const QString &s, const Value &p) { return Value::integer(int(s.indexOf(vm.toString(p)))); }
Value stringSplit(Vm &vm, const QString &s, const Value &sep, quint32 limit)
{
    ArrayObject *a = vm.newArray();
    const QStringList parts = sep.isUndefined() ? QStringList{s} : s.split(vm.toString(sep));
    for (const QString &p : parts) {
        if (a->length() >= limit)
            break;
        a->push(vm.sv(p));
    }
    return Value::object(a);
}
bool xmlEquals(Vm &, const Value &, const Value &) { return false; }
Value xmlConcat(Vm &vm, const Value &a, const Value &b) { return vm.sv(vm.toString(a) + vm.toString(b)); }
bool xmlCallMethod(Vm &, Object *, const Name &, const Value *, int, Value &) { return false; }
Value xmlDescendants(Vm &vm, const Value &, const Name &) { vm.throwError(ErrorType::TypeError, 1016, QStringLiteral("Object")); }
Value xmlEscape(Vm &vm, const Value &v, bool) { return vm.sv(vm.toString(v)); }
Value proxyCall(Vm &vm, Object *, const Name &, const Value *, int) { vm.throwError(ErrorType::TypeError, 1006, QStringLiteral("proxy")); }
void sweepWeak(Vm &) {}

} // namespace swf::avm2::builtins

namespace swf::avm2 {
Value Vm::applyType(const Value &base, const Value *, int) { return base; }
} // namespace swf::avm2
