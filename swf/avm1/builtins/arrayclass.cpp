// Array.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/machine.h"
#include "swf/limits.h"

#include <algorithm>
#include <cmath>

namespace swf::avm1 {

namespace {

namespace SortOption {
constexpr int CaseInsensitive = 1;
constexpr int Descending = 2;
constexpr int UniqueSort = 4;
constexpr int ReturnIndexedArray = 8;
constexpr int Numeric = 16;
} // namespace SortOption

ArrayObject *arrayOf(const Value &self)
{
    return dynamic_cast<ArrayObject *>(self.asObject());
}

void fill(ArrayObject *array, const Args &args)
{
    if (args.size() == 1 && args[0].isNumber()) {
        const double n = args[0].number();
        if (n >= 0 && n == std::trunc(n))
            array->setLength(qint64(n));
    } else {
        array->elements().assign(args.begin(), args.end());
    }
}

Value construct(Machine &m, const Value &, const Args &args)
{
    ArrayObject *array = m.newArray();
    fill(array, args);
    return Value(array);
}

Value call(Machine &m, const Value &, const Args &args)
{
    ArrayObject *array = m.newLiteralArray();
    fill(array, args);
    return Value(array);
}

// Relative positions of slice and splice: negative ones count from the end.
qint64 position(Machine &m, const Value &value, qint64 length, qint64 fallback)
{
    if (value.isUndefined())
        return fallback;
    const double n = m.toNumber(value);
    if (std::isnan(n))
        return 0;
    const double p =
        n < 0 ? qMax(0.0, length + std::trunc(n)) : qMin(double(length), std::trunc(n));
    return qint64(p);
}

Value push(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array)
        return Value();
    for (const Value &value : args) {
        if (array->length() >= limits::kMaxScriptArrayLength)
            break;
        array->push(value);
    }
    Q_UNUSED(m);
    return Value(array->length());
}

Value pop(Machine &, const Value &self, const Args &)
{
    ArrayObject *array = arrayOf(self);
    if (!array || array->elements().empty())
        return Value();
    Value last = std::move(array->elements().back());
    array->elements().pop_back();
    return last;
}

Value shift(Machine &, const Value &self, const Args &)
{
    ArrayObject *array = arrayOf(self);
    if (!array || array->elements().empty())
        return Value();
    Value first = std::move(array->elements().front());
    array->elements().erase(array->elements().begin());
    return first;
}

Value unshift(Machine &, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array)
        return Value();
    if (array->length() + args.size() <= limits::kMaxScriptArrayLength)
        array->elements().insert(array->elements().begin(), args.begin(), args.end());
    return Value(array->length());
}

Value slice(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    ArrayObject *result = m.newArray();
    if (!array)
        return Value(result);
    const qint64 length = array->length();
    const qint64 start = position(m, args[0], length, 0);
    const qint64 end = position(m, args[1], length, length);
    if (start < end)
        result->elements().assign(array->elements().begin() + start,
                                  array->elements().begin() + end);
    return Value(result);
}

Value splice(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array || args.size() == 0)
        return Value();
    auto &elements = array->elements();
    const qint64 length = array->length();
    const qint64 start = position(m, args[0], length, length);
    qint64 count = length - start;
    if (args.size() > 1) {
        const double n = m.toNumber(args[1]);
        count = std::isnan(n) || n < 0 ? 0 : qMin(qint64(qMin(n, 1e15)), length - start);
    }
    ArrayObject *removed = m.newArray();
    removed->elements().assign(elements.begin() + start, elements.begin() + start + count);
    elements.erase(elements.begin() + start, elements.begin() + start + count);
    if (args.size() > 2 &&
        elements.size() + size_t(args.size() - 2) <= size_t(limits::kMaxScriptArrayLength))
        elements.insert(elements.begin() + start, args.begin() + 2, args.end());
    return Value(removed);
}

Value concat(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *result = m.newArray();
    if (ArrayObject *array = arrayOf(self))
        result->elements() = array->elements();
    for (const Value &value : args) {
        if (ArrayObject *other = arrayOf(value))
            result->elements().insert(result->elements().end(), other->elements().begin(),
                                      other->elements().end());
        else
            result->push(value);
        if (result->length() > limits::kMaxScriptArrayLength) {
            result->setLength(limits::kMaxScriptArrayLength);
            break;
        }
    }
    return Value(result);
}

QString joined(Machine &m, ArrayObject &array, const QString &separator)
{
    QString out;
    for (size_t i = 0; i < array.elements().size(); ++i) {
        if (i)
            out += separator;
        const Value &value = array.elements()[i];
        if (!value.isNullish() || m.version() >= 7)
            out += value.isNull() && m.version() < 7 ? QString() : m.toString(value).text();
        if (out.size() > limits::kMaxScriptStringLength)
            break;
    }
    return out;
}

Value join(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array)
        return Value();
    const QString separator = args.size() > 0 && !args[0].isUndefined() ? m.toString(args[0]).text()
                                                                        : QStringLiteral(",");
    return Value(joined(m, *array, separator));
}

Value toString(Machine &m, const Value &self, const Args &)
{
    ArrayObject *array = arrayOf(self);
    return array ? Value(joined(m, *array, QStringLiteral(","))) : Value();
}

Value reverse(Machine &, const Value &self, const Args &)
{
    if (ArrayObject *array = arrayOf(self))
        std::reverse(array->elements().begin(), array->elements().end());
    return self;
}

// Orders two values by the sort options: numbers numerically, the rest as
// strings; undefined after everything.
int compareValues(Machine &m, const Value &a, const Value &b, int options)
{
    if (a.isUndefined() || b.isUndefined())
        return a.isUndefined() == b.isUndefined() ? 0 : (a.isUndefined() ? 1 : -1);
    if (options & SortOption::Numeric) {
        const double x = m.toNumber(a);
        const double y = m.toNumber(b);
        if (x < y)
            return -1;
        if (x > y)
            return 1;
        return 0;
    }
    const Qt::CaseSensitivity cs =
        options & SortOption::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return QString::compare(m.toString(a).text(), m.toString(b).text(), cs);
}

// Sorts indices of `values` by `less`; a script comparator may throw or be
// inconsistent: the merge sort copes with both.
Value sortValues(Machine &m, ArrayObject &array, const std::vector<Value> &keys,
                 const Value &comparator, int options)
{
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const bool descending = options & SortOption::Descending;
    bool equalFound = false;
    // The sort asks "is x before y" mostly with x the later element; the
    // Flash Player hands comparators the earlier one first, so the
    // question is put to them turned round.
    const auto compare = [&](size_t x, size_t y) {
        if (m.aborted() || m.hasException())
            return false;
        int c = 0;
        if (comparator.isObject()) {
            const Value args[2] = {keys[y], keys[x]};
            c = int(qBound(-1.0, m.toNumber(m.call(comparator, Value(), Args(args, 2))), 1.0));
        } else {
            c = compareValues(m, keys[y], keys[x], options);
        }
        if (c == 0)
            equalFound = true;
        return descending ? c < 0 : c > 0;
    };
    std::stable_sort(order.begin(), order.end(), compare);
    if ((options & SortOption::UniqueSort) && equalFound)
        return Value(0);
    if (options & SortOption::ReturnIndexedArray) {
        ArrayObject *result = m.newArray();
        for (size_t i : order)
            result->push(Value(double(i)));
        return Value(result);
    }
    std::vector<Value> sorted;
    sorted.reserve(order.size());
    for (size_t i : order)
        sorted.push_back(array.elements()[i]);
    array.elements() = std::move(sorted);
    return Value(&array);
}

Value sort(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array)
        return Value();
    Value comparator;
    int options = 0;
    if (args[0].isObject() && args[0].object()->isFunction()) {
        comparator = args[0];
        options = intArg(m, args, 1, 0);
    } else {
        options = intArg(m, args, 0, 0);
    }
    return sortValues(m, *array, array->elements(), comparator, options);
}

Value sortOn(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    // Without a field name nothing is sorted.
    if (!array || args.size() == 0)
        return Value();
    const StrRef field(m.key(m.toString(args[0]).data()));
    std::vector<Value> keys;
    keys.reserve(array->elements().size());
    for (const Value &element : array->elements())
        keys.push_back(element.isObject() ? m.get(element.object(), field.data()) : Value());
    return sortValues(m, *array, keys, Value(), intArg(m, args, 1, 0));
}

} // namespace

void installArrayClass(Machine &m)
{
    Object *proto = m.heap().make<ArrayObject>(m.protos().object);
    m.protos().array = proto;
    FunctionObject *array = m.defineClass(QStringLiteral("Array"), proto, call, construct);
    m.defineMethod(proto, QStringLiteral("push"), push);
    m.defineMethod(proto, QStringLiteral("pop"), pop);
    m.defineMethod(proto, QStringLiteral("shift"), shift);
    m.defineMethod(proto, QStringLiteral("unshift"), unshift);
    m.defineMethod(proto, QStringLiteral("slice"), slice);
    m.defineMethod(proto, QStringLiteral("splice"), splice);
    m.defineMethod(proto, QStringLiteral("concat"), concat);
    m.defineMethod(proto, QStringLiteral("join"), join);
    m.defineMethod(proto, QStringLiteral("toString"), toString);
    m.defineMethod(proto, QStringLiteral("reverse"), reverse);
    m.defineMethod(proto, QStringLiteral("sort"), sort);
    m.defineMethod(proto, QStringLiteral("sortOn"), sortOn);
    // The sort options are plain properties of Array: listed, writable.
    const quint32 constant = 0;
    m.defineValue(array, QStringLiteral("CASEINSENSITIVE"), Value(SortOption::CaseInsensitive),
                  constant);
    m.defineValue(array, QStringLiteral("DESCENDING"), Value(SortOption::Descending), constant);
    m.defineValue(array, QStringLiteral("UNIQUESORT"), Value(SortOption::UniqueSort), constant);
    m.defineValue(array, QStringLiteral("RETURNINDEXEDARRAY"),
                  Value(SortOption::ReturnIndexedArray), constant);
    m.defineValue(array, QStringLiteral("NUMERIC"), Value(SortOption::Numeric), constant);
}

} // namespace swf::avm1
