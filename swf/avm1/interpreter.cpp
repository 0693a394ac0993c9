#include "swf/avm1/interpreter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "swf/avm1/clipobject.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/ops.h"
#include "swf/limits.h"
#include "swf/log.h"
#include "swf/runtime/player.h"
#include "swf/runtime/stackdepth.h"

namespace swf::avm1 {

namespace {

// Operations between two looks at the clock.
constexpr qint64 kClockEvery = 4096;
// Registers of a block and of a DefineFunction function.
constexpr int kGlobalRegisters = 4;

// Counts the interpreter's nesting for as long as a loop runs.
class Nesting {
public:
    explicit Nesting(int &depth) : m_depth(depth) { ++m_depth; }
    ~Nesting() { --m_depth; }
    Nesting(const Nesting &) = delete;
    Nesting &operator=(const Nesting &) = delete;

private:
    int &m_depth;
};

// Which of the operation groups runs an action code: one table look-up
// instead of asking each group in turn.
enum class Group : quint8 { None, Stack, Arithmetic, Comparison, Strings, Objects, Timeline };

constexpr std::array<Group, 256> makeGroups()
{
    std::array<Group, 256> g{};
    for (quint8 c :
         {Op::Push, Op::Pop, Op::PushDuplicate, Op::StackSwap, Op::StoreRegister, Op::ConstantPool,
          Op::ToNumber, Op::ToString, Op::ToInteger, Op::Trace, Op::GetTime, Op::RandomNumber})
        g[c] = Group::Stack;
    for (quint8 c : {Op::Add, Op::Add2, Op::Subtract, Op::Multiply, Op::Divide, Op::Modulo,
                     Op::Increment, Op::Decrement, Op::BitAnd, Op::BitOr, Op::BitXor, Op::BitLShift,
                     Op::BitRShift, Op::BitURShift})
        g[c] = Group::Arithmetic;
    for (quint8 c : {Op::Equals, Op::Less, Op::And, Op::Or, Op::Not, Op::Equals2, Op::StrictEquals,
                     Op::Less2, Op::Greater, Op::InstanceOf})
        g[c] = Group::Comparison;
    for (quint8 c : {Op::StringAdd, Op::StringEquals, Op::StringLess, Op::StringGreater,
                     Op::StringLength, Op::MbStringLength, Op::StringExtract, Op::MbStringExtract,
                     Op::CharToAscii, Op::MbCharToAscii, Op::AsciiToChar, Op::MbAsciiToChar})
        g[c] = Group::Strings;
    for (quint8 c : {Op::GetVariable,  Op::SetVariable,    Op::DefineLocal,     Op::DefineLocal2,
                     Op::GetMember,    Op::SetMember,      Op::Delete,          Op::Delete2,
                     Op::CallFunction, Op::CallMethod,     Op::NewObject,       Op::NewMethod,
                     Op::InitArray,    Op::InitObject,     Op::TypeOf,          Op::Enumerate,
                     Op::Enumerate2,   Op::DefineFunction, Op::DefineFunction2, Op::Extends,
                     Op::CastOp,       Op::ImplementsOp,   Op::TargetPath})
        g[c] = Group::Objects;
    for (quint8 c :
         {Op::GotoFrame,     Op::GotoFrame2,  Op::GoToLabel,    Op::NextFrame,     Op::PrevFrame,
          Op::Play,          Op::Stop,        Op::SetTarget,    Op::SetTarget2,    Op::GetProperty,
          Op::SetProperty,   Op::CloneSprite, Op::RemoveSprite, Op::StartDrag,     Op::EndDrag,
          Op::GetUrl,        Op::GetUrl2,     Op::WaitForFrame, Op::WaitForFrame2, Op::Call,
          Op::ToggleQuality, Op::StopSounds,  Op::FsCommand2})
        g[c] = Group::Timeline;
    return g;
}

constexpr std::array<Group, 256> kGroups = makeGroups();

} // namespace

void Interpreter::runBlock(const std::shared_ptr<const ActionProgram> &program, Object *clip)
{
    if (m_machine.aborted())
        return;
    if (program->damaged)
        qCDebug(lcSwfScript) << "damaged action block: run as far as it goes";
    Frame frame;
    frame.program = program;
    frame.end = int(program->ops.size());
    frame.self = Value(clip);
    frame.target = clip;
    frame.timeline = clip;
    frame.registers.resize(kGlobalRegisters);
    frame.stackBase = m_stack.size();
    frame.returnsToNative = true;
    if (m_nesting == 0) {
        m_clock.start();
        m_operations = 0;
    }
    Nesting nesting(m_nesting);
    m_frames.push_back(std::move(frame));
    const size_t stopAt = m_frames.size() - 1;
    execute(stopAt);
    if (m_machine.hasException()) {
        const Value thrown = m_machine.takeException();
        qCDebug(lcSwfScript).noquote()
            << "uncaught exception:" << m_machine.toString(thrown).text();
    }
    if (m_nesting == 1) {
        m_strayThrow = false;
        abortIfTooDeep();
    }
}

void Interpreter::abortIfTooDeep()
{
    if (!m_recursionExceeded)
        return;
    m_recursionExceeded = false;
    m_machine.abortScripts(
        QStringLiteral("%1 levels of recursion were exceeded").arg(m_machine.maxRecursion()));
}

Value Interpreter::call(FunctionObject &function, const Value &self, const Args &args,
                        bool construct)
{
    if (m_machine.aborted())
        return Value();
    if (function.isNative()) {
        if (construct && function.nativeConstruct())
            return function.nativeConstruct()(m_machine, self, args);
        return function.native()(m_machine, self, args);
    }
    if (m_nesting == 0) {
        m_clock.start();
        m_operations = 0;
    }
    Nesting nesting(m_nesting);
    const size_t stopAt = m_frames.size();
    enterFunction(function, self, args, construct, true);
    if (m_frames.size() == stopAt)
        return Value(); // refused: too deep
    Value result = execute(stopAt);
    if (m_nesting == 1)
        abortIfTooDeep();
    return result;
}

void Interpreter::enterFunction(FunctionObject &function, const Value &self, const Args &args,
                                bool construct, bool fromNative, const SuperBase &base)
{
    if (int(m_frames.size()) >= m_machine.maxRecursion()) {
        // A script calling a script stops the scripts there. A built-in
        // calling one (a conversion's toString) gets nothing back and
        // goes on; the scripts stop once the action list has ended.
        m_recursionExceeded = true;
        if (!fromNative)
            abortIfTooDeep();
        return;
    }
    // A call from a native (a getter, a sort's comparator) nests on the
    // native stack, which may run out before the movie's depth does.
    if (fromNative && stackNearlyExhausted()) {
        m_machine.abortScripts(QStringLiteral("the native stack is exhausted"));
        return;
    }
    const FunctionCode &code = function.code();
    Frame frame;
    frame.program = function.program();
    frame.pc = code.begin;
    frame.end = code.end;
    frame.self = self;
    frame.callee = &function;
    frame.construct = construct;
    frame.returnsToNative = fromNative;
    frame.pool = function.pool();
    frame.stackBase = m_stack.size();
    DisplayObject *defining = m_machine.player().find(function.definingClip());
    Object *clip = defining ? m_machine.objectOf(*defining) : nullptr;
    if (!clip && !m_frames.empty())
        clip = m_frames.back().target;
    if (!clip)
        clip = m_machine.rootObject();
    frame.target = clip;
    frame.timeline = clip;
    Object *locals = m_machine.heap().make<Object>(nullptr);
    frame.locals = locals;
    frame.scope = function.scope();
    frame.scope.push_back(locals);
    // A function that asks for no registers has the four every block has.
    frame.registers.resize(code.version2 && code.registerCount > 0 ? size_t(code.registerCount)
                                                                   : size_t(kGlobalRegisters));
    FunctionObject *caller = m_frames.empty() ? nullptr : m_frames.back().callee;
    m_machine.prepareActivation(frame.locals, frame.registers, function, self, args, clip, caller,
                                base);
    m_frames.push_back(std::move(frame));
    ++m_frameChanges;
}

bool Interpreter::leaveFrame(Value result)
{
    ++m_frameChanges;
    Frame &frame = m_frames.back();
    if (frame.construct && !result.isObject())
        result = frame.self;
    const bool toNative = frame.returnsToNative;
    m_stack.resize(qMin(m_stack.size(), frame.stackBase));
    m_frames.pop_back();
    if (toNative) {
        m_result = std::move(result);
        return true;
    }
    m_stack.push_back(std::move(result));
    return false;
}

// Pushes the values of a Push; false when the stack would overflow.
Q_ALWAYS_INLINE bool Interpreter::push(const Frame &frame, const Operation &op)
{
    const size_t count = size_t(op.b);
    if (m_stack.size() + count > size_t(limits::kMaxScriptStack))
        return false;
    m_stack.reserveMore(count);
    Value *to = m_stack.top();
    const PushItem *item = frame.program->pushes.data() + op.a;
    for (const PushItem *end = item + count; item != end; ++item, ++to) {
        switch (item->kind) {
        case PushItem::Kind::Literal:
            new (to) Value(item->value);
            break;
        case PushItem::Kind::Register:
            if (item->index < frame.registers.size())
                new (to) Value(frame.registers[item->index]);
            else
                new (to) Value();
            break;
        case PushItem::Kind::Constant:
            if (frame.pool && item->index < frame.pool->size())
                new (to) Value((*frame.pool)[item->index]);
            else
                new (to) Value();
            break;
        }
    }
    m_stack.raise(count);
    return true;
}

// Runs the actions loops are made of while they leave the frame as it is:
// pushes, registers, jumps, arithmetic and comparisons of numbers, and
// members of objects. Stops at the first action that needs more (or whose
// operands do), leaving frame.pc at it; with `one`, after one action; and
// after a member whose getter or setter threw or stopped the scripts.
Interpreter::Simple Interpreter::runSimple(Frame &frame, bool one)
{
    const Operation *const ops = frame.program->ops.data();
    const int end = frame.end;
    const bool booleanNot = m_machine.version() >= 5; // before, a Not gives a number
    int pc = frame.pc;
    Simple result = Simple::Other;
    while (pc >= 0 && pc < end) {
        const Operation &op = ops[pc];
        int next = pc + 1;
        bool done = true;
        bool jumped = false;
        int target = 0;
        switch (op.code) {
        case Op::Push:
            done = push(frame, op);
            break;
        case Op::Pop:
            if (m_stack.size() > frame.stackBase)
                m_stack.pop_back();
            break;
        case Op::StoreRegister:
            if (m_stack.size() <= frame.stackBase)
                m_stack.emplace_back(); // as a read of the top would leave it
            if (size_t(op.a) < frame.registers.size())
                frame.registers[size_t(op.a)] = m_stack.back();
            if (op.pair == Operation::Pair::ThenPop) {
                m_stack.pop_back();
                next = pc + 2;
            }
            break;
        case Op::Jump:
            jumped = true;
            target = op.a;
            break;
        case Op::If:
            done = m_stack.size() > frame.stackBase && m_stack.back().isBoolean();
            if (done) {
                jumped = m_stack.back().boolean();
                target = op.a;
                m_stack.pop_back();
            }
            break;
        case Op::Not:
            done = booleanNot && m_stack.size() > frame.stackBase && m_stack.back().isBoolean();
            if (!done)
                break;
            if (op.pair == Operation::Pair::ThenIf) {
                jumped = !m_stack.back().boolean();
                target = ops[pc + 1].a;
                next = pc + 2;
                m_stack.pop_back();
            } else {
                m_stack.back() = Value(!m_stack.back().boolean());
            }
            break;
        case Op::Add2:
            done = numbersInPlace<Op::Add2>(frame) || concatenateInPlace(frame);
            break;
        case Op::Subtract:
            done = numbersInPlace<Op::Subtract>(frame);
            break;
        case Op::Multiply:
            done = numbersInPlace<Op::Multiply>(frame);
            break;
        case Op::Modulo:
            done = numbersInPlace<Op::Modulo>(frame);
            break;
        case Op::Less2:
            done = numbersInPlace<Op::Less2>(frame);
            break;
        case Op::Greater:
            done = numbersInPlace<Op::Greater>(frame);
            break;
        case Op::BitAnd:
            done = numbersInPlace<Op::BitAnd>(frame);
            break;
        case Op::BitOr:
            done = numbersInPlace<Op::BitOr>(frame);
            break;
        case Op::BitXor:
            done = numbersInPlace<Op::BitXor>(frame);
            break;
        case Op::BitLShift:
            done = numbersInPlace<Op::BitLShift>(frame);
            break;
        case Op::BitRShift:
            done = numbersInPlace<Op::BitRShift>(frame);
            break;
        case Op::BitURShift:
            done = numbersInPlace<Op::BitURShift>(frame);
            break;
        case Op::Increment:
            done = numberInPlace<Op::Increment>(frame);
            break;
        case Op::Decrement:
            done = numberInPlace<Op::Decrement>(frame);
            break;
        case Op::GetMember:
        case Op::SetMember:
            // Members of objects: a getter or setter may run scripts, and
            // throw or stop them.
            done = op.code == Op::GetMember ? getMemberInPlace(frame) : setMemberInPlace(frame);
            if (done && m_machine.interrupted()) {
                frame.pc = next;
                return Simple::Interrupted;
            }
            break;
        default:
            done = false;
            break;
        }
        if (!done)
            break;
        pc = next;
        if (jumped) {
            frame.pc = pc;
            jumpTo(frame, target);
            pc = frame.pc;
            // Every loop passes the clock.
            if (target < next && (++m_operations & (kClockEvery - 1)) == 0 && !checkLimits()) {
                result = Simple::Stopped;
                break;
            }
        }
        if (one) {
            result = Simple::RanOne;
            break;
        }
    }
    frame.pc = pc;
    return result;
}

Value Interpreter::execute(size_t stopAt)
{
    m_result = Value();
    bool running = true;
    while (running && m_frames.size() > stopAt) {
        Frame &frame = m_frames.back();
        const Operation *const ops = frame.program->ops.data();
        // The frame stays the same until a call enters one or a return,
        // throw or abort leaves it.
        const quint64 frames = m_frameChanges;
        while (frames == m_frameChanges) {
            while (!frame.withs.empty() &&
                   (frame.pc >= frame.withs.back().end || frame.pc < frame.withs.back().begin))
                frame.withs.pop_back();
            if (!frame.tries.empty() && tryBoundary(frame)) {
                // A finally done goes on with what waited for it: a
                // return leaves the frame, a throw looks for a handler.
                if (m_pendingReturn) {
                    m_pendingReturn = false;
                    running = !leaveFrame(std::exchange(m_returnValue, Value()));
                    break;
                }
                if (m_machine.hasException() && !m_machine.aborted()) {
                    running = unwind(stopAt);
                    ++m_frameChanges;
                    break;
                }
                continue;
            }
            // Most actions run in runs of simple ones; the loop comes back
            // here for the rest, and after each action while a with or try
            // block has edges to look at.
            const Simple simple = runSimple(frame, !frame.withs.empty() || !frame.tries.empty());
            if (simple == Simple::Stopped) {
                running = false;
                break;
            }
            if (simple == Simple::RanOne)
                continue;
            if (simple == Simple::Interrupted) {
                if (!m_machine.aborted()) {
                    running = unwind(stopAt);
                    ++m_frameChanges;
                } else {
                    running = false;
                }
                break;
            }
            if (frame.pc >= frame.end || frame.pc < 0) {
                running = !leaveFrame(Value());
                break;
            }
            const Operation &op = ops[frame.pc];
            ++frame.pc;
            const bool keepGoing = step(frame, op);
            if (m_machine.interrupted()) [[unlikely]] {
                if (m_machine.aborted()) {
                    running = false;
                    break;
                }
                running = unwind(stopAt);
                ++m_frameChanges;
                break;
            }
            if (!keepGoing || ((++m_operations & (kClockEvery - 1)) == 0 && !checkLimits())) {
                running = false;
                break;
            }
        }
    }
    if (m_machine.aborted()) {
        // Everything this loop ran is dropped.
        while (m_frames.size() > stopAt) {
            m_stack.resize(qMin(m_stack.size(), m_frames.back().stackBase));
            m_frames.pop_back();
        }
        return Value();
    }
    return std::exchange(m_result, Value());
}

bool Interpreter::checkLimits()
{
    const qint64 limit = m_machine.timeoutMs();
    if (limit > 0 && m_clock.elapsed() > limit) {
        m_machine.abortScripts(
            QStringLiteral("a script has run for more than %1 seconds").arg(limit / 1000.0));
        return false;
    }
    if (m_machine.heap().size() > limits::kMaxScriptObjects) {
        m_machine.abortScripts(QStringLiteral("scripts made too many objects"));
        return false;
    }
    return true;
}

// A try block's parts end where the next begins: the catch is skipped when
// the try body ends normally, the finally runs in every case, and what
// waited for it (a throw, a return) goes on after it. A jump out of a part
// leaves the whole block at once, its finally not run. True when the frame
// changed and the loop must look at it again.
bool Interpreter::tryBoundary(Frame &frame)
{
    Try &t = frame.tries.back();
    const TryCode &code = *t.code;
    const int pc = frame.pc;
    int begin = code.finallyBegin;
    int end = code.end;
    if (t.part == Try::Part::Try) {
        begin = code.begin;
        end = code.catchBegin;
    } else if (t.part == Try::Part::Catch) {
        begin = code.catchBegin;
        end = code.finallyBegin;
    }
    if (pc >= begin && pc < end)
        return false;
    if (pc != end) {
        frame.tries.pop_back();
        return true;
    }
    switch (t.part) {
    case Try::Part::Try:
        // A return that left a finally in a called function forgets the
        // throw that finally waited for, but not that one happened: the
        // next catch reached runs, without the thrown value.
        if (m_strayThrow && code.hasCatch) {
            m_strayThrow = false;
            enterCatch(frame, t, Value());
            return true;
        }
        [[fallthrough]];
    case Try::Part::Catch:
        if (code.hasFinally) {
            t.part = Try::Part::Finally;
            frame.pc = code.finallyBegin;
        } else {
            frame.pc = code.end;
            frame.tries.pop_back();
        }
        return true;
    case Try::Part::Finally: {
        const Try done = std::move(t);
        frame.tries.pop_back();
        if (done.pending == Try::Pending::Throw)
            m_machine.throwValue(done.pendingValue);
        else if (done.pending == Try::Pending::Return)
            returnFromFrame(frame, done.pendingValue);
        return true;
    }
    }
    return false;
}

void Interpreter::enterCatch(Frame &frame, Try &t, const Value &thrown)
{
    const TryCode &code = *t.code;
    t.part = Try::Part::Catch;
    frame.pc = code.catchBegin;
    if (code.catchInRegister) {
        if (code.catchRegister < frame.registers.size())
            frame.registers[code.catchRegister] = thrown;
    } else {
        Ops(*this, frame).defineLocal(code.catchName, thrown);
    }
}

// A return, through the finally blocks that are still to run.
void Interpreter::returnFromFrame(Frame &frame, Value value)
{
    for (auto it = frame.tries.rbegin(); it != frame.tries.rend(); ++it) {
        if (it->code->hasFinally && it->part != Try::Part::Finally) {
            it->part = Try::Part::Finally;
            it->pending = Try::Pending::Return;
            it->pendingValue = std::move(value);
            frame.tries.erase(it.base(), frame.tries.end());
            frame.pc = it->code->finallyBegin;
            return;
        }
        if (it->pending == Try::Pending::Throw)
            m_strayThrow = true;
    }
    m_pendingReturn = true;
    m_returnValue = std::move(value);
}

bool Interpreter::unwind(size_t stopAt)
{
    while (m_frames.size() > stopAt) {
        Frame &frame = m_frames.back();
        while (!frame.tries.empty()) {
            Try &t = frame.tries.back();
            const TryCode &code = *t.code;
            m_stack.resize(qMin(m_stack.size(), qMax(t.stackHeight, frame.stackBase)));
            frame.withs.resize(qMin(frame.withs.size(), t.withCount));
            if (t.part == Try::Part::Try && code.hasCatch) {
                enterCatch(frame, t, m_machine.takeException());
                return true;
            }
            if (t.part != Try::Part::Finally && code.hasFinally) {
                t.part = Try::Part::Finally;
                t.pending = Try::Pending::Throw;
                t.pendingValue = m_machine.takeException();
                frame.pc = code.finallyBegin;
                return true;
            }
            frame.tries.pop_back();
        }
        const bool toNative = frame.returnsToNative;
        m_stack.resize(qMin(m_stack.size(), frame.stackBase));
        m_frames.pop_back();
        if (toNative)
            return false; // the built-in that called sees the exception
    }
    return false;
}

// Arithmetic and comparison of two numbers, most of what loops do, done in
// place on the stack without the general conversions; any other operands
// take the long way. True when done.
template <quint8 Code> bool Interpreter::numbersInPlace(const Frame &frame)
{
    const size_t n = m_stack.size();
    if (n < frame.stackBase + 2 || !m_stack[n - 1].isNumber() || !m_stack[n - 2].isNumber())
        return false;
    const double x = m_stack[n - 2].number();
    const double y = m_stack[n - 1].number();
    Value result;
    if constexpr (Code == Op::Add2) {
        result = Value(x + y);
    } else if constexpr (Code == Op::Subtract) {
        result = Value(x - y);
    } else if constexpr (Code == Op::Multiply) {
        result = Value(x * y);
    } else if constexpr (Code == Op::Modulo) {
        // Whole numbers of one sign below 2^32, as loop counters are,
        // divide exactly as integers; the rest (signs, zero, fractions,
        // larger numbers) take fmod's way.
        if (x >= 0 && y > 0 && x < 4294967296.0 && y < 4294967296.0 && x == double(quint32(x)) &&
            y == double(quint32(y)))
            result = Value(double(quint32(x) % quint32(y)));
        else
            result = Value(std::fmod(x, y));
    } else if constexpr (Code == Op::Less2 || Code == Op::Greater) {
        // NaN on either side makes undefined.
        if (!std::isnan(x) && !std::isnan(y))
            result = Value(Code == Op::Less2 ? x < y : y < x);
    } else {
        result = Value(bitOperation(Code, Machine::toInt32(x), Machine::toInt32(y)));
    }
    m_stack.pop_back();
    m_stack.back() = std::move(result);
    return true;
}

template <quint8 Code> bool Interpreter::numberInPlace(const Frame &frame)
{
    if (m_stack.size() <= frame.stackBase || !m_stack.back().isNumber())
        return false;
    Value &a = m_stack.back();
    a = Value(a.number() + (Code == Op::Increment ? 1.0 : -1.0));
    return true;
}

// Add2 of a string and a primitive, as a loop building names does: no
// valueOf to ask, the two texts joined. True when done.
bool Interpreter::concatenateInPlace(const Frame &frame)
{
    const size_t n = m_stack.size();
    if (n < frame.stackBase + 2)
        return false;
    const Value &a = m_stack[n - 2];
    const Value &b = m_stack[n - 1];
    if (a.isObject() || b.isObject() || !(a.isString() || b.isString()))
        return false;
    const StrRef sa = m_machine.toString(a);
    const StrRef sb = m_machine.toString(b);
    Value result(m_machine.join(sa, sb));
    m_stack.pop_back();
    m_stack.back() = std::move(result);
    return true;
}

// GetMember and SetMember on an object, without the operation groups'
// general pops. True when done.
bool Interpreter::getMemberInPlace(const Frame &frame)
{
    const size_t n = m_stack.size();
    if (n < frame.stackBase + 2 || !m_stack[n - 2].isObject())
        return false;
    // Out of the stack first: a getter runs scripts on it.
    const Value name = std::move(m_stack[n - 1]);
    const Value object = std::move(m_stack[n - 2]);
    m_stack.drop(2);
    m_stack.push_back(m_machine.getMember(object, name));
    return true;
}

bool Interpreter::setMemberInPlace(const Frame &frame)
{
    const size_t n = m_stack.size();
    if (n < frame.stackBase + 3)
        return false;
    const Value value = std::move(m_stack[n - 1]);
    const Value name = std::move(m_stack[n - 2]);
    const Value object = std::move(m_stack[n - 3]);
    m_stack.drop(3);
    m_machine.setMember(object, name, value);
    return true;
}

bool Interpreter::step(Frame &frame, const Operation &op)
{
    Ops ops(*this, frame);
    switch (op.code) {
    case Op::End:
        frame.pc = frame.end;
        return true;
    case Op::Return: {
        Value value = ops.pop();
        returnFromFrame(frame, std::move(value));
        if (m_pendingReturn) {
            m_pendingReturn = false;
            if (leaveFrame(std::exchange(m_returnValue, Value())))
                return false;
        }
        return true;
    }
    case Op::Jump:
        jumpTo(frame, op.a);
        return true;
    case Op::If:
        if (m_machine.toBoolean(ops.pop()))
            jumpTo(frame, op.a);
        return true;
    case Op::With: {
        Value value = ops.pop();
        Object *object = m_machine.toObject(value);
        if (object && frame.withs.size() < 64)
            frame.withs.push_back(With{object, frame.pc, op.a});
        else
            frame.pc = op.a;
        return true;
    }
    case Op::Try: {
        Try t;
        t.code = &frame.program->tries[size_t(op.a)];
        t.stackHeight = m_stack.size();
        t.withCount = frame.withs.size();
        frame.tries.push_back(std::move(t));
        return true;
    }
    case Op::Throw:
        m_machine.throwValue(ops.pop());
        return true;
    default:
        break;
    }
    switch (kGroups[op.code]) {
    case Group::Stack:
        ops.stackOps(op.code, op);
        break;
    case Group::Arithmetic:
        ops.arithmetic(op.code);
        break;
    case Group::Comparison:
        ops.comparison(op.code);
        break;
    case Group::Strings:
        ops.strings(op.code);
        break;
    case Group::Objects:
        ops.objects(op.code, op);
        break;
    case Group::Timeline:
        ops.timeline(op.code, op);
        break;
    case Group::None:
        break; // unknown actions are skipped
    }
    return true;
}

void Interpreter::jumpTo(Frame &frame, int target)
{
    const bool backwards = target < frame.pc;
    frame.pc = target;
    // Loops of the outermost script are where garbage is collected.
    if (backwards && atSafePoint() && m_machine.heap().wantsCollection())
        m_machine.collectGarbage();
}

void Interpreter::markRoots(Heap &heap)
{
    for (const Value &value : m_stack)
        heap.mark(value);
    heap.mark(m_result);
    heap.mark(m_returnValue);
    for (const Frame &frame : m_frames) {
        heap.mark(frame.self);
        heap.mark(frame.target);
        heap.mark(frame.timeline);
        heap.mark(frame.locals);
        heap.mark(frame.callee);
        for (Object *scope : frame.scope)
            heap.mark(scope);
        for (const Value &value : frame.registers)
            heap.mark(value);
        for (const With &with : frame.withs)
            heap.mark(with.object);
        for (const Try &t : frame.tries)
            heap.mark(t.pendingValue);
    }
}

} // namespace swf::avm1
