// Decoding and verification of method bodies. What the interpreter relies
// on is proved here once: operands inside their pools, registers inside the
// frame, branches onto instruction starts, stack and scope depths within
// their declared maxima and equal wherever paths meet.
#include "swf/avm2/abcunit.h"
#include "swf/avm2/code.h"
#include "swf/avm2/opcodes.h"

#include <deque>
#include <map>

namespace swf::avm2 {
namespace {

enum class Fmt : quint8 {
    Bad, None, Mn, MnArgc, Str, Reg, Reg2, Branch, Switch, Byte, U30, Int, Uint, Double,
    NsIdx, MethodIdx, ClassIdx, ExcIdx, U30U30, Debug,
};

Fmt formatOf(quint8 o)
{
    using namespace op;
    switch (o) {
    case bkpt: case nop: case throw_: case dxnslate: case label: case pushwith: case popscope:
    case nextname: case hasnext: case pushnull: case pushundefined: case nextvalue:
    case pushtrue: case pushfalse: case pushnan: case pop: case dup: case swap: case pushscope:
    case li8: case li16: case li32: case lf32: case lf64: case si8: case si16: case si32:
    case sf32: case sf64: case returnvoid: case returnvalue: case sxi1: case sxi8: case sxi16:
    case newactivation: case getglobalscope: case convert_s: case esc_xelem: case esc_xattr:
    case convert_i: case convert_u: case convert_d: case convert_b: case convert_o:
    case checkfilter: case coerce_b: case coerce_a: case coerce_i: case coerce_d:
    case coerce_s: case astypelate: case coerce_u: case coerce_o: case negate: case increment:
    case decrement: case typeof_: case not_: case bitnot: case add: case subtract:
    case multiply: case divide: case modulo: case lshift: case rshift: case urshift:
    case bitand_: case bitor_: case bitxor: case equals: case strictequals: case lessthan:
    case lessequals: case greaterthan: case greaterequals: case instanceof: case istypelate:
    case in: case increment_i: case decrement_i: case negate_i: case add_i: case subtract_i:
    case multiply_i: case getlocal0: case getlocal1: case getlocal2: case getlocal3:
    case setlocal0: case setlocal1: case setlocal2: case setlocal3: case timestamp:
        return Fmt::None;
    case getsuper: case setsuper: case getdescendants: case findpropstrict: case findproperty:
    case finddef: case getlex: case setproperty: case getproperty: case initproperty:
    case deleteproperty: case coerce: case astype: case istype:
        return Fmt::Mn;
    case callsuper: case callproperty: case constructprop: case callproplex:
    case callsupervoid: case callpropvoid:
        return Fmt::MnArgc;
    case dxns: case pushstring: case debugfile:
        return Fmt::Str;
    case kill: case getlocal: case setlocal: case inclocal: case declocal: case inclocal_i:
    case declocal_i:
        return Fmt::Reg;
    case hasnext2:
        return Fmt::Reg2;
    case ifnlt: case ifnle: case ifngt: case ifnge: case jump: case iftrue: case iffalse:
    case ifeq: case ifne: case iflt: case ifle: case ifgt: case ifge: case ifstricteq:
    case ifstrictne:
        return Fmt::Branch;
    case lookupswitch:
        return Fmt::Switch;
    case pushbyte: case getscopeobject:
        return Fmt::Byte;
    case pushshort: case debugline: case bkptline: case getslot: case setslot:
    case getglobalslot: case setglobalslot: case getouterscope: case newarray: case newobject:
    case call: case construct: case constructsuper: case applytype:
        return Fmt::U30;
    case pushint: return Fmt::Int;
    case pushuint: return Fmt::Uint;
    case pushdouble: return Fmt::Double;
    case pushnamespace: return Fmt::NsIdx;
    case newfunction: return Fmt::MethodIdx;
    case newclass: return Fmt::ClassIdx;
    case newcatch: return Fmt::ExcIdx;
    case callmethod: case callstatic: return Fmt::U30U30;
    case debug: return Fmt::Debug;
    default:
        return Fmt::Bad;
    }
}

class ByteCursor {
public:
    explicit ByteCursor(const QByteArray &code) : m_code(code) {}
    bool atEnd() const { return m_pos >= m_code.size(); }
    bool overrun() const { return m_overrun; }
    int pos() const { return int(m_pos); }
    quint8 u8()
    {
        if (m_pos >= m_code.size()) {
            m_overrun = true;
            return 0;
        }
        return quint8(m_code[m_pos++]);
    }
    quint32 u30()
    {
        quint32 r = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const quint8 b = u8();
            r |= quint32(b & 0x7f) << shift;
            if (!(b & 0x80))
                break;
        }
        return r & 0x3fffffff;
    }
    qint32 s24()
    {
        const quint32 lo = u8(), mid = u8(), hi = u8();
        qint32 v = qint32(lo | (mid << 8) | (hi << 16));
        return (v & 0x800000) ? v - 0x1000000 : v;
    }

private:
    const QByteArray &m_code;
    qsizetype m_pos = 0;
    bool m_overrun = false;
};

struct Effect {
    int pop = 0, push = 0, scopePop = 0, scopePush = 0;
    bool terminal = false;
};

int runtimeParts(const AbcUnit &u, qint32 mn)
{
    const auto &r = u.names[size_t(mn)];
    return (r.runtimeNs ? 1 : 0) + (r.runtimeName ? 1 : 0);
}

Effect effectOf(const AbcUnit &u, const Instr &ins)
{
    using namespace op;
    switch (ins.op) {
    case getsuper: case getproperty: case deleteproperty: case getdescendants:
        return {1 + runtimeParts(u, ins.a), 1};
    case setsuper: case setproperty: case initproperty:
        return {2 + runtimeParts(u, ins.a), 0};
    case findpropstrict: case findproperty:
        return {runtimeParts(u, ins.a), 1};
    case finddef: case getlex:
        return {0, 1};
    case coerce: case astype: case istype:
        return {1, 1};
    case callproperty: case callproplex: case callsuper: case constructprop:
        return {ins.b + 1 + runtimeParts(u, ins.a), 1};
    case callpropvoid: case callsupervoid:
        return {ins.b + 1 + runtimeParts(u, ins.a), 0};
    case call: return {ins.a + 2, 1};
    case construct: return {ins.a + 1, 1};
    case constructsuper: return {ins.a + 1, 0};
    case callmethod: case callstatic: return {ins.b + 1, 1};
    case newobject: return {2 * ins.a, 1};
    case newarray: return {ins.a, 1};
    case applytype: return {ins.a + 1, 1};
    case newfunction: case newactivation: case pushnull: case pushundefined: case pushbyte:
    case pushshort: case pushtrue: case pushfalse: case pushnan: case pushstring: case pushint:
    case pushuint: case pushdouble: case pushnamespace: case getlocal: case getlocal0:
    case getlocal1: case getlocal2: case getlocal3: case getglobalscope: case getscopeobject:
    case getouterscope: case getglobalslot: case newcatch: case hasnext2:
        return {0, 1};
    case newclass: return {1, 1};
    case pushscope: case pushwith: return {1, 0, 0, 1};
    case popscope: return {0, 0, 1, 0};
    case pop: case setlocal: case setlocal0: case setlocal1: case setlocal2: case setlocal3:
    case setglobalslot: case dxnslate: case iftrue: case iffalse: case lookupswitch:
        return {1, 0};
    case dup: return {1, 2};
    case swap: return {2, 2};
    case setslot: case si8: case si16: case si32: case sf32: case sf64:
        return {2, 0};
    case ifnlt: case ifnle: case ifngt: case ifnge: case ifeq: case ifne: case iflt: case ifle:
    case ifgt: case ifge: case ifstricteq: case ifstrictne:
        return {2, 0};
    case add: case subtract: case multiply: case divide: case modulo: case lshift: case rshift:
    case urshift: case bitand_: case bitor_: case bitxor: case equals: case strictequals:
    case lessthan: case lessequals: case greaterthan: case greaterequals: case instanceof:
    case istypelate: case astypelate: case in: case add_i: case subtract_i: case multiply_i:
    case nextname: case nextvalue: case hasnext:
        return {2, 1};
    case throw_: case returnvalue: return {1, 0, 0, 0, true};
    case returnvoid: return {0, 0, 0, 0, true};
    case jump: return {0, 0, 0, 0, true};
    case kill: case inclocal: case declocal: case inclocal_i: case declocal_i: case label:
    case nop: case bkpt: case debug: case debugline: case debugfile: case bkptline:
    case timestamp: case dxns:
        return {0, 0};
    default: // conversions and unary operators
        return {1, 1};
    }
}

struct Decoder {
    Decoder(const AbcUnit &u, const AbcBody &b, VerifyFailure &e) : unit(u), body(b), error(e) {}
    const AbcUnit &unit;
    const AbcBody &body;
    VerifyFailure &error;
    std::unique_ptr<Code> code = std::make_unique<Code>();
    std::vector<int> offsets;           // byte offset of each instruction
    std::vector<int> indexAt;           // byte offset -> instruction index or -1
    std::vector<std::pair<int, int>> branches; // (instr, byte target) to resolve
    std::vector<std::pair<int, int>> switchSlots; // (table slot, byte target)
    // Faults of instructions that may be dead code: the Flash Player only
    // rejects what can run, so they fail when the flow reaches them.
    std::map<int, VerifyFailure> deferred;
    int current = -1;

    bool fail(int c, const QString &a = {}, const QString &b = {})
    {
        error.code = c;
        error.arg1 = a;
        error.arg2 = b;
        return false;
    }
    // Records a fault of the instruction being decoded; decoding goes on.
    bool defer(int c, const QString &a = {}, const QString &b = {})
    {
        VerifyFailure f;
        f.code = c;
        f.arg1 = a;
        f.arg2 = b;
        deferred.emplace(current, f);
        return true;
    }
    bool operandsOk(const Instr &in, Fmt f);
    bool decode();
    bool resolve();
    bool flow();
};

bool Decoder::operandsOk(const Instr &in, Fmt f)
{
    const auto &file = unit.file;
    const auto within = [&](qint64 v, size_t size) { return v >= 0 && quint64(v) < size; };
    switch (f) {
    case Fmt::Mn:
    case Fmt::MnArgc:
        if (!within(in.a, file.multinames.size()) || in.a == 0)
            return defer(1032, QString::number(in.a), QString::number(file.multinames.size()));
        if ((in.op == op::getlex || in.op == op::finddef) && runtimeParts(unit, in.a))
            return defer(1078, QString::number(in.op), QString::number(in.a));
        return true;
    case Fmt::Str:
        return within(in.a, file.strings.size()) && in.a != 0
                   ? true : defer(1032, QString::number(in.a), QString::number(file.strings.size()));
    case Fmt::Reg:
        return in.a < code->localCount ? true : defer(1025, QString::number(in.a));
    case Fmt::Reg2:
        if (in.a >= code->localCount || in.b >= code->localCount)
            return defer(1025, QString::number(qMax(in.a, in.b)));
        return in.a != in.b ? true : defer(1124);
    case Fmt::Int:
        return within(in.a, file.ints.size()) && in.a ? true : defer(1032, QString::number(in.a));
    case Fmt::Uint:
        return within(in.a, file.uints.size()) && in.a ? true : defer(1032, QString::number(in.a));
    case Fmt::Double:
        return within(in.a, file.doubles.size()) && in.a ? true : defer(1032, QString::number(in.a));
    case Fmt::NsIdx:
        return within(in.a, file.namespaces.size()) && in.a ? true : defer(1032, QString::number(in.a));
    case Fmt::MethodIdx:
        return within(in.a, file.methods.size())
                   ? true : defer(1027, QString::number(in.a), QString::number(file.methods.size()));
    case Fmt::ClassIdx:
        return within(in.a, file.classes.size())
                   ? true : defer(1060, QString::number(in.a), QString::number(file.classes.size()));
    case Fmt::ExcIdx:
        return within(in.a, body.exceptions.size()) ? true : defer(1107);
    default:
        return true;
    }
}

bool Decoder::decode()
{
    const QByteArray &bytes = body.code;
    ByteCursor c(bytes);
    indexAt.assign(size_t(bytes.size()) + 1, -1);
    while (!c.atEnd()) {
        const int at = c.pos();
        Instr in;
        in.op = c.u8();
        const Fmt f = formatOf(in.op);
        switch (f) {
        case Fmt::Bad:
            return fail(1011, QString::number(in.op), QString::number(at));
        case Fmt::None: break;
        case Fmt::Byte:
            in.a = in.op == op::pushbyte ? qint8(c.u8()) : c.u8();
            break;
        case Fmt::Branch: {
            const qint32 off = c.s24();
            branches.emplace_back(int(code->instrs.size()), c.pos() + off);
            break;
        }
        case Fmt::Switch: {
            const qint32 def = c.s24();
            const quint32 count = c.u30();
            if (qint64(count) * 3 > bytes.size())
                return fail(1107);
            in.a = int(code->tables.size());
            code->tables.push_back(0);
            code->tables.push_back(qint32(count) + 1);
            switchSlots.emplace_back(in.a, at + def);
            for (quint32 i = 0; i <= count && !c.overrun(); ++i) {
                switchSlots.emplace_back(int(code->tables.size()), at + c.s24());
                code->tables.push_back(0);
            }
            break;
        }
        case Fmt::MnArgc: case Fmt::Reg2: case Fmt::U30U30:
            in.a = qint32(c.u30());
            in.b = qint32(c.u30());
            break;
        case Fmt::Debug:
            c.u8(); c.u30(); c.u8(); c.u30();
            break;
        default:
            in.a = qint32(c.u30());
            if (in.op == op::pushshort)
                in.a = qint16(quint16(in.a));
        }
        if (c.overrun())
            return fail(1012);
        current = int(code->instrs.size());
        operandsOk(in, f);
        indexAt[size_t(at)] = int(code->instrs.size());
        offsets.push_back(at);
        code->instrs.push_back(in);
        if (code->instrs.size() > 4u * 1024 * 1024)
            return fail(1043, QString::number(bytes.size()));
    }
    indexAt[size_t(bytes.size())] = int(code->instrs.size());
    return true;
}

bool Decoder::resolve()
{
    const int len = int(body.code.size());
    const auto target = [&](int byte) { return byte >= 0 && byte < len ? indexAt[size_t(byte)] : -1; };
    for (const auto &[i, byte] : branches) {
        const int t = target(byte);
        if (t < 0) {
            current = i;
            defer(1021);
            code->instrs[size_t(i)].a = 0;
            continue;
        }
        code->instrs[size_t(i)].a = t;
    }
    // lookupswitch tables: a bad target faults the switch that owns it.
    int owner = -1;
    for (const auto &[slot, byte] : switchSlots) {
        const int t = target(byte);
        if (t < 0) {
            for (size_t k = 0; k < code->instrs.size(); ++k) {
                const Instr &ins = code->instrs[k];
                if (ins.op == op::lookupswitch && ins.a <= slot)
                    owner = int(k);
            }
            current = owner;
            defer(1021);
            code->tables[size_t(slot)] = 0;
            continue;
        }
        code->tables[size_t(slot)] = t;
    }
    // The default sits in the table's first slot; the count in the second
    // was written during decoding and must survive the rewrite above.
    for (const auto &e : body.exceptions) {
        if (e.from > e.to || qint64(e.to) > len || qint64(e.target) >= len)
            return fail(1054);
        const auto firstAtOrAfter = [&](quint32 byte) {
            for (quint32 b = byte; b <= quint32(len); ++b) {
                if (indexAt[b] >= 0)
                    return indexAt[b];
            }
            return int(code->instrs.size());
        };
        const int t = indexAt[e.target];
        if (t < 0)
            return fail(1054);
        code->handlers.push_back({firstAtOrAfter(e.from), firstAtOrAfter(e.to), t, e.type, e.varName});
    }
    return true;
}

bool Decoder::flow()
{
    const int n = int(code->instrs.size());
    if (n == 0)
        return fail(1020);
    std::vector<std::pair<int, int>> state(size_t(n), {-1, -1});
    std::deque<int> work;
    const auto reach = [&](int i, int st, int sc) {
        if (i >= n)
            return fail(1020);
        auto &s = state[size_t(i)];
        if (s.first < 0) {
            s = {st, sc};
            work.push_back(i);
            return true;
        }
        if (s.first != st)
            return fail(1030, QString::number(s.first), QString::number(st));
        if (s.second != sc)
            return fail(1031, QString::number(s.second), QString::number(sc));
        return true;
    };
    if (!reach(0, 0, 0))
        return false;
    for (const auto &h : code->handlers) {
        if (!reach(h.target, 1, 0))
            return false;
    }
    const int maxStack = code->maxStack, maxScope = code->maxScope;
    while (!work.empty()) {
        const int i = work.front();
        work.pop_front();
        if (const auto d = deferred.find(i); d != deferred.end()) {
            error = d->second;
            return false;
        }
        const Instr &in = code->instrs[size_t(i)];
        auto [st, sc] = state[size_t(i)];
        const Effect e = effectOf(unit, in);
        if (st < e.pop)
            return fail(1024);
        st += e.push - e.pop;
        if (st > maxStack)
            return fail(1023);
        if (sc < e.scopePop)
            return fail(1018);
        sc += e.scopePush - e.scopePop;
        if (sc > maxScope)
            return fail(1017);
        if (in.op == op::getscopeobject && in.a >= sc)
            return fail(1019, QString::number(in.a));
        if (in.op == op::lookupswitch) {
            const int count = code->tables[size_t(in.a) + 1];
            if (!reach(code->tables[size_t(in.a)], st, sc))
                return false;
            for (int k = 0; k < count; ++k) {
                if (!reach(code->tables[size_t(in.a) + 2 + size_t(k)], st, sc))
                    return false;
            }
            continue;
        }
        if (formatOf(in.op) == Fmt::Branch && !reach(in.a, st, sc))
            return false;
        if (!e.terminal && !reach(i + 1, st, sc))
            return false;
    }
    return true;
}

} // namespace

std::unique_ptr<Code> decodeBody(const AbcUnit &unit, const AbcBody &body, int paramCount,
                                 VerifyFailure &error)
{
    Decoder d(unit, body, error);
    d.code->maxStack = int(qMin<quint32>(body.maxStack, 65535));
    d.code->localCount = int(qMin<quint32>(body.localCount, 65535));
    d.code->initScope = int(qMin<quint32>(body.initScopeDepth, 65535));
    const int maxScope = int(qMin<quint32>(body.maxScopeDepth, 65535));
    if (maxScope < d.code->initScope) {
        error.code = 1017;
        return nullptr;
    }
    d.code->maxScope = maxScope - d.code->initScope;
    if (d.code->localCount < paramCount + 1) {
        error.code = 1025;
        error.arg1 = QString::number(paramCount);
        return nullptr;
    }
    if (!d.decode() || !d.resolve() || !d.flow())
        return nullptr;
    return std::move(d.code);
}

} // namespace swf::avm2
