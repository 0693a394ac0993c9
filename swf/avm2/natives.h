// Shared by the files of the core library.
#pragma once

#include "swf/avm2/arrayobject.h"
#include "swf/avm2/builtins.h"
#include "swf/avm2/classbuilder.h"

#define NATIVE(name)                                                                       \
    static Value name([[maybe_unused]] Vm &vm, [[maybe_unused]] const Value &self,           \
                      [[maybe_unused]] const Value *args, [[maybe_unused]] int argc)

namespace swf::avm2::builtins {

using builtins::arg;

inline double argNumber(Vm &vm, const Value *args, int argc, int i, double dflt)
{
    return i < argc ? vm.toNumber(args[i]) : dflt;
}
inline QString argString(Vm &vm, const Value *args, int argc, int i, const QString &dflt = QString())
{
    return i < argc ? vm.toString(args[i]) : dflt;
}
inline qint32 argInt(Vm &vm, const Value *args, int argc, int i, qint32 dflt)
{
    return i < argc ? vm.toInt32(args[i]) : dflt;
}
inline bool isCallable(const Value &v)
{
    return v.obj() && (v.o->kind == ObjKind::Function || v.o->kind == ObjKind::Class);
}

// The per-area installers, run in this order by installCore.
void installObject(Vm &vm);
void installNames(Vm &vm);
void installErrors(Vm &vm);
void installNumbers(Vm &vm);
void installString(Vm &vm);
void installArray(Vm &vm);
void installMath(Vm &vm);
void installGlobals(Vm &vm);
void installDate(Vm &vm);
void installRegExp(Vm &vm);
void installJson(Vm &vm);
void installVector(Vm &vm);
void installXml(Vm &vm);
void installUtils(Vm &vm);
void installByteArray(Vm &vm);
void installDisplay(Vm &vm);

// RegExp helpers String uses.
bool isRegExp(const Value &v);
Value regexpExec(Vm &vm, Object *re, const QString &s);
Value stringMatch(Vm &vm, const QString &s, const Value &pattern);
Value stringReplace(Vm &vm, const QString &s, const Value &pattern, const Value &replacement);
Value stringSearch(Vm &vm, const QString &s, const Value &pattern);
Value stringSplit(Vm &vm, const QString &s, const Value &separator, quint32 limit);
// XML equality (==) with anything; false when neither side is XML.
bool xmlEquals(Vm &vm, const Value &a, const Value &b);
// Array helpers others use.
QString joinValues(Vm &vm, const Value &self, const QString &sep);

} // namespace swf::avm2::builtins
