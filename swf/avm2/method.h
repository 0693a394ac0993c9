// A method of the machine: bytecode from an ABC file (decoded and verified
// on first call) or a native function of the core library.
#pragma once

#include "swf/avm2/value.h"

#include <QString>

#include <memory>
#include <vector>

namespace swf::avm2 {

class AbcUnit;
class ClassObject;
class Vm;
struct Code;

// Natives receive `this` and the arguments; they throw ScriptError.
using NativeFn = Value (*)(Vm &vm, const Value &self, const Value *args, int argc);

struct Method {
    Method();
    ~Method();
    Method(const Method &) = delete;
    Method &operator=(const Method &) = delete;

    AbcUnit *unit = nullptr;
    quint32 index = 0; // method index in the unit
    NativeFn native = nullptr;
    QString name;
    int paramCount = 0;
    int optionalCount = 0;
    quint8 flags = 0;
    // Natives: how many arguments `length` reports.
    int nativeLength = 0;

    // Bytecode, decoded on first call; verifyError set when it failed.
    std::unique_ptr<Code> code;
    bool decoded = false;
    QString verifyError;

    // Parameter and return types, resolved on first call (null = "*").
    bool typesResolved = false;
    std::vector<ClassObject *> paramTypes;
    ClassObject *returnType = nullptr;
    bool returnsVoid = false;
    // The class whose trait or initialiser this is, for super.
    ClassObject *declaringClass = nullptr;
};

} // namespace swf::avm2
