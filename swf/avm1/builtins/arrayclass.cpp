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
    return asArray(self.asObject());
}

void fill(ArrayObject *array, const Args &args)
{
    if (args.size() == 1 && args[0].isNumber()) {
        // A length with a fraction is cut to a whole one.
        const double n = std::trunc(args[0].number());
        if (n >= 0 && n <= double(limits::kMaxScriptArrayLength))
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
        // Before version 7 an undefined element is empty; null is "null".
        out += m.toString(array.elements()[i]).text();
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

// Orders two values by the sort options: two numbers numerically when asked,
// everything else by the text of the values.
int compareValues(Machine &m, const Value &a, const Value &b, int options)
{
    if ((options & SortOption::Numeric) && a.isNumber() && b.isNumber()) {
        const double x = a.number();
        const double y = b.number();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    QString x = m.toString(a).text();
    QString y = m.toString(b).text();
    if (options & SortOption::CaseInsensitive) {
        x = x.toUpper();
        y = y.toUpper();
    }
    const int c = QString::compare(x, y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Quicksort of indices with the first element of each range as its pivot,
// asked as `compare(pivot, element)`: movies see the order of the questions
// and where equal elements end up. Past a number of comparisons the ranges
// left are finished by a merge sort, so sorted input cannot stall the movie.
template <typename Compare> void quicksort(std::vector<size_t> &order, Compare compare, Machine &m)
{
    qint64 asked = 0;
    const auto cmp = [&](size_t pivot, size_t element) {
        ++asked;
        return compare(pivot, element);
    };
    std::vector<std::pair<qint64, qint64>> ranges;
    if (order.size() > 1)
        ranges.emplace_back(0, qint64(order.size()) - 1);
    while (!ranges.empty() && !m.aborted() && !m.hasException()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (lo >= hi)
            continue;
        if (asked > limits::kMaxSortComparisons) {
            std::stable_sort(order.begin() + lo, order.begin() + hi + 1,
                             [&](size_t x, size_t y) { return compare(y, x) > 0; });
            continue;
        }
        const size_t pivot = order[size_t(lo)];
        qint64 i = lo + 1;
        qint64 j = hi;
        for (;;) {
            while (i < j && cmp(pivot, order[size_t(i)]) > 0)
                ++i;
            while (j > lo && cmp(pivot, order[size_t(j)]) <= 0)
                --j;
            if (i >= j || m.aborted() || m.hasException())
                break;
            std::swap(order[size_t(i)], order[size_t(j)]);
        }
        std::swap(order[size_t(lo)], order[size_t(j)]);
        ranges.emplace_back(j + 1, hi);
        ranges.emplace_back(lo, j - 1);
    }
}

// Sorts the array by `compare` over element indices. UNIQUESORT gives 0 and
// leaves the array when any two compared equal; RETURNINDEXEDARRAY gives the
// order instead; otherwise only the elements that moved are written back.
template <typename Compare>
Value sortArray(Machine &m, ArrayObject &array, Compare compare, int options)
{
    const std::vector<Value> values = array.elements();
    std::vector<size_t> order(values.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    bool equalFound = false;
    quicksort(
        order,
        [&](size_t x, size_t y) {
            if (m.aborted() || m.hasException())
                return 0;
            const int c = compare(x, y);
            equalFound = equalFound || c == 0;
            return c;
        },
        m);
    if (options & SortOption::Descending)
        std::reverse(order.begin(), order.end());
    if ((options & SortOption::UniqueSort) && equalFound)
        return Value(0);
    if (options & SortOption::ReturnIndexedArray) {
        ArrayObject *result = m.newArray();
        for (size_t i : order)
            result->push(Value(double(i)));
        return Value(result);
    }
    auto &elements = array.elements();
    for (size_t k = 0; k < order.size(); ++k) {
        if (order[k] == k)
            continue;
        if (elements.size() <= k)
            elements.resize(k + 1);
        elements[k] = values[order[k]];
    }
    return Value(&array);
}

// A comparator's answer as a sign; what is not a number counts as equal.
int sign(double n)
{
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

Value sort(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    if (!array)
        return Value();
    const std::vector<Value> values = array->elements();
    if (args[0].isObject() && args[0].object()->isFunction()) {
        const Value comparator = args[0];
        return sortArray(
            m, *array,
            [&](size_t x, size_t y) {
                const Value pair[2] = {values[x], values[y]};
                return sign(m.toNumber(m.call(comparator, Value(), Args(pair, 2))));
            },
            intArg(m, args, 1, 0));
    }
    const int options = intArg(m, args, 0, 0);
    return sortArray(
        m, *array,
        [&](size_t x, size_t y) { return compareValues(m, values[x], values[y], options); },
        options);
}

// sortOn(field or fields, options or one options number per field): the
// first field that differs decides. Per-field options are taken only from
// an array as long as the fields; its first entry also says whether to keep
// unique keys or to return the order.
Value sortOn(Machine &m, const Value &self, const Args &args)
{
    ArrayObject *array = arrayOf(self);
    // Without a field name nothing is sorted.
    if (!array || args.size() == 0)
        return Value();
    std::vector<StrRef> fields;
    if (ArrayObject *names = arrayOf(args[0])) {
        for (const Value &name : names->elements())
            fields.emplace_back(m.key(m.toString(name).text()));
    } else {
        fields.emplace_back(m.key(m.toString(args[0]).text()));
    }
    std::vector<int> fieldOptions(fields.size(), 0);
    int options = 0;
    if (ArrayObject *perField = arrayOf(args[1])) {
        // A copy: reading an entry may run the movie's valueOf.
        const std::vector<Value> given = perField->elements();
        if (given.size() == fields.size()) {
            for (size_t i = 0; i < fields.size(); ++i)
                fieldOptions[i] = intArg(m, Args(given), int(i), 0);
            if (!fieldOptions.empty())
                options = fieldOptions.front() &
                          (SortOption::UniqueSort | SortOption::ReturnIndexedArray);
        }
    } else if (!args[1].isObject()) {
        options = intArg(m, args, 1, 0);
        for (int &fieldOption : fieldOptions)
            fieldOption = options & ~SortOption::Descending;
    }
    const std::vector<Value> values = array->elements();
    const auto fieldOf = [&](size_t index, size_t field) {
        const Value &element = values[index];
        return element.isObject() ? m.get(element.object(), fields[field].data()) : Value();
    };
    return sortArray(
        m, *array,
        [&](size_t x, size_t y) {
            for (size_t f = 0; f < fields.size(); ++f) {
                int c = compareValues(m, fieldOf(x, f), fieldOf(y, f), fieldOptions[f]);
                if (fieldOptions[f] & SortOption::Descending)
                    c = -c;
                if (c != 0)
                    return c;
            }
            return 0;
        },
        options);
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
