// A method body decoded once into fixed-size instructions: operands read,
// branch targets turned into instruction indices, everything checked.
#pragma once

#include "swf/avm2/traits.h"

#include <QString>

#include <memory>
#include <vector>

namespace swf::avm2 {

struct AbcBody;
class AbcUnit;

struct Instr {
    quint8 op = 0;
    qint32 a = 0; // first operand; branch target index
    qint32 b = 0; // second operand (argument counts)
};

struct Handler {
    int from = 0, to = 0, target = 0; // instruction indices
    quint32 typeMn = 0, nameMn = 0;
};

struct Code {
    std::vector<Instr> instrs;
    std::vector<qint32> tables; // lookupswitch: default, count, targets
    std::vector<Handler> handlers;
    int maxStack = 0, localCount = 0, initScope = 0, maxScope = 0;
    // The traits of the body's activation, if it makes one; and of each
    // catch scope, one per handler.
    std::unique_ptr<Traits> activation;
    std::vector<std::unique_ptr<Traits>> catchTraits;
};

// Decodes and verifies a body; on failure returns null and sets `error`
// to the VerifyError's code and message arguments.
struct VerifyFailure {
    int code = 0;
    QString arg1, arg2;
};
std::unique_ptr<Code> decodeBody(const AbcUnit &unit, const AbcBody &body, int paramCount,
                                 VerifyFailure &error);

} // namespace swf::avm2
