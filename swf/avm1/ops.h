// The actions themselves, grouped by what they work on; the interpreter's
// loop calls them through the Ops class, which may see its frames.
#pragma once

#include "swf/avm1/interpreter.h"
#include "swf/avm1/machine.h"

namespace swf::avm1 {

// The bitwise actions on two 32-bit integers.
inline double bitOperation(quint8 code, qint32 a, qint32 b)
{
    switch (code) {
    case Op::BitAnd:
        return a & b;
    case Op::BitOr:
        return a | b;
    case Op::BitXor:
        return a ^ b;
    case Op::BitLShift:
        return qint32(quint32(a) << (b & 31));
    case Op::BitRShift:
        return a >> (b & 31);
    default: // BitURShift: a shift by nothing leaves the value signed
        return (b & 31) == 0 ? double(a) : double(quint32(a) >> (b & 31));
    }
}

class Ops {
public:
    using Frame = Interpreter::Frame;

    Ops(Interpreter &interpreter, Frame &frame)
        : in(interpreter), m(interpreter.m_machine), f(frame)
    {
    }

    // Stack access: a pop past the frame's base gives undefined, as the
    // Flash Player's does.
    Value pop()
    {
        if (in.m_stack.size() <= f.stackBase)
            return Value();
        Value value = std::move(in.m_stack.back());
        in.m_stack.pop_back();
        return value;
    }
    void push(Value value) { in.m_stack.push_back(std::move(value)); }
    Value &top();
    std::vector<Value> popArgs(bool padded = false); // a count, then that many values

    // ops.cpp: stack, arithmetic, comparison, strings.
    bool arithmetic(quint8 code);
    bool comparison(quint8 code);
    bool strings(quint8 code);
    bool stackOps(quint8 code, const Operation &op);
    // objectops.cpp: members, objects, functions, calls, enumeration.
    bool objects(quint8 code, const Operation &op);
    // timelineops.cpp: frames, targets, clips, properties by index, URLs.
    bool timeline(quint8 code, const Operation &op);
    // variables.cpp: variables by name, paths.
    // `owner`, if given, learns the object of the scope chain that held
    // the name (left alone for paths and names found nowhere).
    Value getVariable(const StrRef &name, Object **owner = nullptr);
    void setVariable(const StrRef &name, const Value &value);
    void defineLocal(const StrRef &name, const Value &value);
    bool deleteVariable(const StrRef &name);
    // The clip a target path names, from the frame's target; null if none.
    DisplayObject *resolveTarget(const QString &path);
    DisplayObject *targetDisplay();
    Object *variableTarget();
    Object *scopeObject(Object *scope);
    // The object scripts see for a display object.
    Value clipValue(DisplayObject *object);

    Interpreter &in;
    Machine &m;
    Frame &f;

private:
    Object *pathObject(const QString &path, Object *start, bool scopeChain);
    Object *pathElement(Object *current, const QString &element, bool first);
    Object *scopePathElement(const QString &element);
    bool lookupPath(const QString &name, Value &out);
    // Calls `function` with `self`: script functions enter a frame of the
    // interpreter; built-ins run now. Pushes the result unless a frame was
    // entered. `base` is where a script function's super looks.
    void callValue(const Value &function, const Value &self, std::vector<Value> args,
                   bool construct, Object *made, const SuperBase &base = {});
    void newObject(const Value &constructor, std::vector<Value> args);
    void enumerate(const Value &value);
    void defineFunction(const Operation &op);
    void setTarget(const QString &path);
    DisplayObject *propertyTarget(const Value &value);
    void callFrame(DisplayObject *base, const Value &frame);
};

} // namespace swf::avm1
