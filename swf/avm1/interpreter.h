// Runs decoded action blocks. Calls from one script function to another
// push a frame of the interpreter's own, not of the C++ stack, so deep
// recursion costs no native stack and the recursion limit is exact; a
// built-in that calls back into a script (a sort comparator, a getter)
// runs a nested loop over the same stacks.
#pragma once

#include "swf/avm1/functions.h"
#include "swf/avm1/valuestack.h"

#include <QElapsedTimer>

#include <deque>
#include <memory>
#include <vector>

namespace swf::avm1 {

class Heap;
class Machine;

class Interpreter {
public:
    explicit Interpreter(Machine &machine) : m_machine(machine) {}

    // Runs a block as code of `clip`'s timeline (`this` is the clip).
    void runBlock(const std::shared_ptr<const ActionProgram> &program, Object *clip);
    // Calls `function` (either kind) and returns its result; for `new`,
    // `self` is the object being made.
    Value call(FunctionObject &function, const Value &self, const Args &args, bool construct);

    void markRoots(Heap &heap);
    // No built-in is between the outermost script and here: everything
    // the scripts hold is on the interpreter's stacks.
    bool atSafePoint() const { return m_nesting == 1; }
    // A call was refused for going past the recursion limit, in the
    // action list running now.
    bool recursionExceeded() const { return m_recursionExceeded; }
    // The script function running now was called by `new`.
    bool constructing() const { return !m_frames.empty() && m_frames.back().construct; }

private:
    struct With {
        Object *object = nullptr;
        int begin = 0;
        int end = 0;
    };
    // A try block being run: which part, and what waits for its finally.
    struct Try {
        const TryCode *code = nullptr;
        enum class Part { Try, Catch, Finally } part = Part::Try;
        size_t stackHeight = 0;
        size_t withCount = 0;
        enum class Pending { None, Throw, Return } pending = Pending::None;
        Value pendingValue;
    };
    struct Frame {
        std::shared_ptr<const ActionProgram> program;
        int pc = 0;
        int end = 0;
        Value self;
        Object *target = nullptr;    // the clip timeline actions act on
        Object *timeline = nullptr;  // the clip the code belongs to
        std::vector<Object *> scope; // functions: closed-over scopes, own locals last
        Object *locals = nullptr;
        std::vector<Value> registers;
        FunctionObject::Pool pool;
        std::vector<With> withs;
        std::vector<Try> tries;
        size_t stackBase = 0;
        FunctionObject *callee = nullptr;
        bool construct = false;
        // Entered from a built-in: the loop returns to it when this frame
        // returns.
        bool returnsToNative = false;
    };

    friend class Ops;

    Value execute(size_t stopAt);
    void enterFunction(FunctionObject &function, const Value &self, const Args &args,
                       bool construct, bool fromNative, const SuperBase &base = {});
    // Leaves the top frame with `result`; true when the loop must return.
    bool leaveFrame(Value result);
    // Unwinds to the nearest catch or finally; true when one was found in
    // a frame above `stopAt`.
    bool unwind(size_t stopAt);
    enum class Simple { Other, RanOne, Stopped, Interrupted };
    Simple runSimple(Frame &frame, bool one);
    bool step(Frame &frame, const Operation &op);
    bool push(const Frame &frame, const Operation &op);
    template <quint8 Code> bool numbersInPlace(const Frame &frame);
    template <quint8 Code> bool numberInPlace(const Frame &frame);
    bool concatenateInPlace(const Frame &frame);
    bool getMemberInPlace(const Frame &frame);
    bool setMemberInPlace(const Frame &frame);
    bool tryBoundary(Frame &frame);
    void returnFromFrame(Frame &frame, Value value);
    void enterCatch(Frame &frame, Try &t, const Value &thrown);
    void jumpTo(Frame &frame, int target);
    bool checkLimits();
    // After the outermost action list: scripts stop if it went too deep.
    void abortIfTooDeep();

    Machine &m_machine;
    ValueStack m_stack;
    std::deque<Frame> m_frames; // a deque: a call never moves the frames below it
    int m_nesting = 0;
    Value m_result; // what the frame a built-in entered returned
    bool m_pendingReturn = false;
    Value m_returnValue;       // a return on its way out of the frame
    bool m_strayThrow = false; // a throw a finally's return left behind
    QElapsedTimer m_clock;
    qint64 m_operations = 0;
    quint64 m_frameChanges = 0; // frames entered and left
    bool m_recursionExceeded = false;
};

} // namespace swf::avm1
