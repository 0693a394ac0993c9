// Stack, arithmetic, comparison and string actions.
#include "swf/avm1/ops.h"

#include "swf/avm1/clipobject.h"

#include "swf/limits.h"
#include "swf/runtime/player.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <cmath>

namespace swf::avm1 {

namespace {

// Before version 5 the Flash Player's results of logic and comparison
// are numbers.
Value truth(const Machine &m, bool value)
{
    return m.version() < 5 ? Value(value ? 1 : 0) : Value(value);
}

} // namespace

Value &Ops::top()
{
    if (in.m_stack.size() <= f.stackBase)
        in.m_stack.emplace_back();
    return in.m_stack.back();
}

std::vector<Value> Ops::popArgs(bool padded)
{
    const double n = m.toNumber(pop());
    // A count past what the stack holds passes only what it holds; an
    // array literal reads undefined past it, within reason.
    const qint64 available = qint64(in.m_stack.size() - f.stackBase) + (padded ? 65536 : 0);
    const qint64 count = std::isnan(n) || n < 0 ? 0 : qint64(qMin(n, double(available)));
    std::vector<Value> args;
    args.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i)
        args.push_back(pop());
    return args;
}

bool Ops::stackOps(quint8 code, const Operation &op)
{
    switch (code) {
    case Op::Push: {
        const ActionProgram &program = *f.program;
        if (in.m_stack.size() + size_t(op.b) > size_t(limits::kMaxScriptStack)) {
            m.abortScripts(QStringLiteral("the operand stack overflowed"));
            return true;
        }
        for (int i = op.a; i < op.a + op.b; ++i) {
            const PushItem &item = program.pushes[size_t(i)];
            switch (item.kind) {
            case PushItem::Kind::Literal:
                push(item.value);
                break;
            case PushItem::Kind::Register:
                push(item.index < f.registers.size() ? f.registers[item.index] : Value());
                break;
            case PushItem::Kind::Constant:
                push(f.pool && item.index < f.pool->size() ? Value((*f.pool)[item.index])
                                                           : Value());
                break;
            }
        }
        return true;
    }
    case Op::Pop:
        pop();
        return true;
    case Op::PushDuplicate: {
        Value value = top();
        push(std::move(value));
        return true;
    }
    case Op::StackSwap: {
        Value a = pop();
        Value b = pop();
        push(std::move(a));
        push(std::move(b));
        return true;
    }
    case Op::StoreRegister:
        if (op.a < int(f.registers.size()))
            f.registers[size_t(op.a)] = top();
        return true;
    case Op::ConstantPool:
        f.pool = f.program->pools[size_t(op.a)];
        return true;
    case Op::ToNumber:
        push(Value(m.toNumber(pop())));
        return true;
    case Op::ToString:
        push(Value(m.toString(pop())));
        return true;
    case Op::ToInteger:
        // A 32-bit integer: wrapped, and 0 for NaN and the infinities.
        push(Value(double(m.toInt32(pop()))));
        return true;
    case Op::Trace: {
        const Value value = pop();
        m.trace(value.isUndefined() ? QStringLiteral("undefined") : m.toString(value).text());
        return true;
    }
    case Op::GetTime:
        push(Value(double(m.player().timeMs())));
        return true;
    case Op::RandomNumber: {
        const double n = m.toNumber(pop());
        const quint32 bound = n >= 1 && n < 4294967296.0 ? quint32(n) : 0;
        push(Value(bound ? double(QRandomGenerator::global()->bounded(bound)) : 0.0));
        return true;
    }
    default:
        return false;
    }
}

bool Ops::arithmetic(quint8 code)
{
    switch (code) {
    case Op::Add: {
        const double b = m.toNumber(pop());
        const double a = m.toNumber(pop());
        push(Value(a + b));
        return true;
    }
    case Op::Add2: {
        // valueOf on both; a string on either side makes it a
        // concatenation, where an object whose valueOf gave no primitive
        // is asked toString; otherwise numbers.
        const Value b = pop();
        const Value a = pop();
        const Value pb = m.toPrimitive(b);
        const Value pa = m.toPrimitive(a);
        const auto plain = [&](const Value &original, const Value &primitive) {
            return primitive.isObject() && !asClip(primitive.object()) ? original : primitive;
        };
        if (pa.isString() || pb.isString()) {
            const StrRef sa =
                plain(a, pa).isObject() ? m.toString(plain(a, pa)) : m.objectString(pa);
            const StrRef sb =
                plain(b, pb).isObject() ? m.toString(plain(b, pb)) : m.objectString(pb);
            push(Value(m.join(sa, sb)));
        } else {
            const double nb = m.toNumber(plain(b, pb));
            const double na = m.toNumber(plain(a, pa));
            push(Value(na + nb));
        }
        return true;
    }
    case Op::Subtract:
    case Op::Multiply:
    case Op::Divide:
    case Op::Modulo: {
        const double b = m.toNumber(pop());
        const double a = m.toNumber(pop());
        double r = 0.0;
        if (code == Op::Subtract) {
            r = a - b;
        } else if (code == Op::Multiply) {
            r = a * b;
        } else if (code == Op::Divide) {
            if (b == 0 && m.version() < 5) {
                push(Value(QStringLiteral("#ERROR#")));
                return true;
            }
            // The sign of a zero divisor does not count.
            r = b == 0 ? (a > 0 ? qInf() : a < 0 ? -qInf() : qQNaN()) : a / b;
        } else {
            r = std::fmod(a, b);
        }
        push(Value(r));
        return true;
    }
    case Op::Increment:
        push(Value(m.toNumber(pop()) + 1.0));
        return true;
    case Op::Decrement:
        push(Value(m.toNumber(pop()) - 1.0));
        return true;
    case Op::BitAnd:
    case Op::BitOr:
    case Op::BitXor:
    case Op::BitLShift:
    case Op::BitRShift:
    case Op::BitURShift: {
        const qint32 b = m.toInt32(pop());
        const qint32 a = m.toInt32(pop());
        const double r = bitOperation(code, a, b);
        push(Value(r));
        return true;
    }
    default:
        return false;
    }
}

bool Ops::comparison(quint8 code)
{
    switch (code) {
    case Op::Equals: {
        const double b = m.toNumber(pop());
        const double a = m.toNumber(pop());
        push(truth(m, a == b));
        return true;
    }
    case Op::Less: {
        const double b = m.toNumber(pop());
        const double a = m.toNumber(pop());
        push(truth(m, a < b));
        return true;
    }
    case Op::And: {
        const bool b = m.toBoolean(pop());
        const bool a = m.toBoolean(pop());
        push(truth(m, a && b));
        return true;
    }
    case Op::Or: {
        const bool b = m.toBoolean(pop());
        const bool a = m.toBoolean(pop());
        push(truth(m, a || b));
        return true;
    }
    case Op::Not:
        push(truth(m, !m.toBoolean(pop())));
        return true;
    case Op::Equals2: {
        const Value b = pop();
        const Value a = pop();
        push(Value(m.abstractEquals(a, b)));
        return true;
    }
    case Op::StrictEquals: {
        const Value b = pop();
        const Value a = pop();
        push(Value(m.strictEquals(a, b)));
        return true;
    }
    case Op::Less2:
    case Op::Greater: {
        const Value b = pop();
        const Value a = pop();
        const Value result = code == Op::Less2 ? m.lessThan(a, b) : m.lessThan(b, a);
        push(result);
        return true;
    }
    case Op::InstanceOf: {
        const Value constructor = pop();
        const Value value = pop();
        push(Value(m.instanceOf(value, constructor.asObject())));
        return true;
    }
    default:
        return false;
    }
}

bool Ops::strings(quint8 code)
{
    switch (code) {
    case Op::StringAdd: {
        const StrRef b = m.toString(pop());
        const StrRef a = m.toString(pop());
        push(Value(m.join(a, b)));
        return true;
    }
    case Op::StringEquals:
    case Op::StringLess:
    case Op::StringGreater: {
        const StrRef b = m.toString(pop());
        const StrRef a = m.toString(pop());
        const int c = QString::compare(a.text(), b.text());
        push(truth(m, code == Op::StringEquals ? c == 0 : code == Op::StringLess ? c < 0 : c > 0));
        return true;
    }
    case Op::StringLength:
    case Op::MbStringLength:
        push(Value(int(m.toString(pop()).text().size())));
        return true;
    case Op::StringExtract:
    case Op::MbStringExtract: {
        const double count = m.toNumber(pop());
        const double index = m.toNumber(pop());
        const QString text = m.toString(pop()).text();
        // One-based; a start before the first character counts from it.
        qint64 start = std::isnan(index) ? 0 : qint64(qBound(-1e12, index, 1e12)) - 1;
        qint64 length = std::isnan(count) ? 0 : qint64(qBound(-1e12, count, 1e12));
        if (start < 0)
            start = 0;
        if (length < 0 || start + length > text.size())
            length = text.size() - start;
        push(Value(start >= text.size() ? QString() : text.mid(int(start), int(length))));
        return true;
    }
    case Op::CharToAscii:
    case Op::MbCharToAscii: {
        const QString text = m.toString(pop()).text();
        push(Value(text.isEmpty() ? 0 : int(text.at(0).unicode())));
        return true;
    }
    case Op::AsciiToChar:
    case Op::MbAsciiToChar: {
        const double n = m.toNumber(pop());
        const char16_t c = std::isnan(n) ? 0 : char16_t(qint64(n) & 0xffff);
        push(Value(c ? QString(QChar(c)) : QString()));
        return true;
    }
    default:
        return false;
    }
}

} // namespace swf::avm1
