// Array: the generic methods (they work on any object with a length, as
// ECMAScript's do), sort and sortOn with the Flash Player's options.
#include "swf/avm2/natives.h"
#include "swf/avm2/sorting.h"

#include <cmath>

namespace swf::avm2::builtins {
namespace {

constexpr int kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8, kNumeric = 16;
// Elements a script can make one array hold.
constexpr double kMaxLength = 4294967295.0;

// Array-like access to `this`: fast on arrays, through properties otherwise.
struct Access {
    Vm &vm;
    Value self;
    ArrayObject *arr;

    Access(Vm &v, const Value &s) : vm(v), self(s), arr(nullptr)
    {
        if (s.obj() && s.o->kind == ObjKind::Array)
            arr = static_cast<ArrayObject *>(s.o);
        else if (s.isNullish())
            v.throwError(ErrorType::TypeError, s.isNull() ? 1009 : 1010);
    }
    quint32 length()
    {
        return arr ? arr->length() : vm.toUint32(vm.getPublic(self, QStringLiteral("length")));
    }
    void setLength(quint32 n)
    {
        if (arr)
            arr->setLength(vm, n);
        else if (self.obj())
            vm.setPublic(self, QStringLiteral("length"), Value::uinteger(n));
    }
    Value get(quint32 i)
    {
        if (arr) {
            Value v;
            if (arr->getIndex(i, v))
                return v;
        }
        if (!self.obj())
            return Value();
        Name n = vm.publicName(QString::number(i));
        Value v;
        return vm.getDynamic(self.o, n, v) ? v : Value();
    }
    bool has(quint32 i)
    {
        Value v;
        if (arr && arr->getIndex(i, v))
            return true;
        return self.obj() && vm.hasProperty(self, vm.publicName(QString::number(i)));
    }
    void set(quint32 i, const Value &v)
    {
        if (arr)
            arr->setIndex(vm, i, v);
        else
            vm.setProperty(self, vm.publicName(QString::number(i)), v);
    }
    void remove(quint32 i)
    {
        if (arr)
            arr->removeIndex(i);
        else
            vm.deleteProperty(self, vm.publicName(QString::number(i)));
    }
};

double relativeIndex(Vm &vm, const Value *args, int argc, int i, double dflt, double len)
{
    double d = argNumber(vm, args, argc, i, dflt);
    d = std::isnan(d) ? 0 : std::trunc(d);
    if (d < 0)
        d = std::max(0.0, d + len);
    return std::min(d, len);
}

NATIVE(arrayLength)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value::uinteger(Access(vm, self).length());
}

NATIVE(arraySetLength)
{
    const double d = argNumber(vm, args, argc, 0, 0);
    if (!(d >= 0 && d <= kMaxLength && d == std::floor(d)))
        vm.throwError(ErrorType::RangeError, 1005, Vm::numberToString(d));
    Access(vm, self).setLength(quint32(d));
    return Value();
}

NATIVE(join)
{
    const Value sep = arg(args, argc, 0);
    return vm.sv(joinValues(vm, self, sep.isUndefined() ? QStringLiteral(",") : vm.toString(sep)));
}

NATIVE(arrayToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(joinValues(vm, self, QStringLiteral(",")));
}

NATIVE(arrayToLocaleString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Access a(vm, self);
    const quint32 n = a.length();
    QString out;
    for (quint32 i = 0; i < n; ++i) {
        if (i)
            out += QLatin1Char(',');
        const Value v = a.get(i);
        if (!v.isNullish())
            out += vm.toString(vm.callPublic(v, QStringLiteral("toLocaleString"), {}));
    }
    return vm.sv(out);
}

NATIVE(push)
{
    Access a(vm, self);
    if (a.arr) {
        for (int i = 0; i < argc; ++i)
            a.arr->push(args[i]);
        return Value::uinteger(a.arr->length());
    }
    quint32 n = a.length();
    for (int i = 0; i < argc; ++i)
        a.set(n++, args[i]);
    a.setLength(n);
    return Value::uinteger(n);
}

NATIVE(pop)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Access a(vm, self);
    const quint32 n = a.length();
    if (n == 0) {
        a.setLength(0);
        return Value();
    }
    const Value v = a.get(n - 1);
    a.remove(n - 1);
    a.setLength(n - 1);
    return v;
}

NATIVE(shift)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Access a(vm, self);
    const quint32 n = a.length();
    if (n == 0) {
        a.setLength(0);
        return Value();
    }
    const Value first = a.get(0);
    if (a.arr && a.arr->isDense()) {
        auto &d = a.arr->dense();
        d.erase(d.begin());
        a.arr->setLength(vm, n - 1);
        return first;
    }
    for (quint32 i = 1; i < n; ++i) {
        if (a.has(i))
            a.set(i - 1, a.get(i));
        else
            a.remove(i - 1);
    }
    a.remove(n - 1);
    a.setLength(n - 1);
    return first;
}

NATIVE(unshift)
{
    Access a(vm, self);
    const quint32 n = a.length();
    if (a.arr && a.arr->isDense()) {
        std::vector<Value> d(args, args + argc);
        auto &dense = a.arr->dense();
        d.insert(d.end(), dense.begin(), dense.end());
        a.arr->assign(std::move(d));
        return Value::uinteger(a.arr->length());
    }
    for (quint32 i = n; i > 0; --i) {
        if (a.has(i - 1))
            a.set(i - 1 + quint32(argc), a.get(i - 1));
        else
            a.remove(i - 1 + quint32(argc));
    }
    for (int i = 0; i < argc; ++i)
        a.set(quint32(i), args[i]);
    a.setLength(n + quint32(argc));
    return Value::uinteger(n + quint32(argc));
}

NATIVE(reverse)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Access a(vm, self);
    const quint32 n = a.length();
    for (quint32 lo = 0, hi = n ? n - 1 : 0; n && lo < hi; ++lo, --hi) {
        const bool hasLo = a.has(lo), hasHi = a.has(hi);
        const Value vlo = a.get(lo), vhi = a.get(hi);
        if (hasHi) a.set(lo, vhi); else a.remove(lo);
        if (hasLo) a.set(hi, vlo); else a.remove(hi);
    }
    return self;
}

NATIVE(concat)
{
    Access a(vm, self);
    ArrayObject *out = vm.newArray();
    const quint32 n = a.length();
    for (quint32 i = 0; i < n; ++i) {
        if (a.has(i))
            out->setIndex(vm, i, a.get(i));
    }
    out->setLength(vm, n);
    for (int k = 0; k < argc; ++k) {
        Object *o = args[k].obj();
        if (o && o->kind == ObjKind::Array) {
            auto *src = static_cast<ArrayObject *>(o);
            const quint32 base = out->length();
            for (quint32 i = 0; i < src->length(); ++i) {
                Value v;
                if (src->getIndex(i, v))
                    out->setIndex(vm, base + i, v);
            }
            out->setLength(vm, base + src->length());
        } else {
            out->push(args[k]);
        }
    }
    return Value::object(out);
}

NATIVE(slice)
{
    Access a(vm, self);
    const double len = a.length();
    const double from = relativeIndex(vm, args, argc, 0, 0, len);
    const double to = relativeIndex(vm, args, argc, 1, kMaxLength, len);
    ArrayObject *out = vm.newArray();
    for (double i = from; i < to; ++i) {
        if (a.has(quint32(i)))
            out->setIndex(vm, quint32(i - from), a.get(quint32(i)));
    }
    out->setLength(vm, to > from ? quint32(to - from) : 0);
    return Value::object(out);
}

NATIVE(splice)
{
    Access a(vm, self);
    if (argc == 0)
        return Value::object(vm.newArray());
    const double len = a.length();
    const double start = relativeIndex(vm, args, argc, 0, 0, len);
    double del = argc < 2 ? len - start : argNumber(vm, args, argc, 1, 0);
    del = std::isnan(del) ? 0 : std::min(std::max(0.0, std::trunc(del)), len - start);
    ArrayObject *removed = vm.newArray();
    std::vector<Value> all;
    all.reserve(size_t(len));
    for (quint32 i = 0; i < quint32(len); ++i)
        all.push_back(a.get(i));
    for (quint32 i = 0; i < quint32(del); ++i)
        removed->push(all[size_t(start) + i]);
    const int inserts = std::max(0, argc - 2);
    std::vector<Value> result(all.begin(), all.begin() + qsizetype(start));
    result.insert(result.end(), args + 2, args + 2 + inserts);
    result.insert(result.end(), all.begin() + qsizetype(start + del), all.end());
    if (a.arr) {
        a.arr->assign(std::move(result));
    } else {
        for (quint32 i = 0; i < result.size(); ++i)
            a.set(i, result[i]);
        for (quint32 i = quint32(result.size()); i < quint32(len); ++i)
            a.remove(i);
        a.setLength(quint32(result.size()));
    }
    return Value::object(removed);
}

NATIVE(indexOf)
{
    Access a(vm, self);
    const Value needle = arg(args, argc, 0);
    const double len = a.length();
    double from = argNumber(vm, args, argc, 1, 0);
    from = std::isnan(from) ? 0 : std::trunc(from);
    if (from < 0)
        from = std::max(0.0, from + len);
    for (double i = from; i < len; ++i) {
        if (vm.strictEquals(a.get(quint32(i)), needle))
            return Value::number(i);
    }
    return Value::integer(-1);
}

NATIVE(lastIndexOf)
{
    Access a(vm, self);
    const Value needle = arg(args, argc, 0);
    const double len = a.length();
    double from = argNumber(vm, args, argc, 1, 0x7fffffff);
    from = std::isnan(from) ? 0 : std::trunc(from);
    if (from < 0)
        from += len;
    from = std::min(from, len - 1);
    for (double i = from; i >= 0; --i) {
        if (vm.strictEquals(a.get(quint32(i)), needle))
            return Value::number(i);
    }
    return Value::integer(-1);
}

enum class Iter { Every, Some, ForEach, Map, Filter };

Value iterate(Vm &vm, const Value &self, const Value *args, int argc, Iter kind)
{
    Access a(vm, self);
    const Value fn = arg(args, argc, 0);
    const Value thisArg = arg(args, argc, 1);
    ArrayObject *out = (kind == Iter::Map || kind == Iter::Filter) ? vm.newArray() : nullptr;
    if (!isCallable(fn))
        return kind == Iter::Every ? Value::boolean(true) : (out ? Value::object(out) : Value::boolean(false));
    const quint32 n = a.length();
    for (quint32 i = 0; i < n && i < a.length(); ++i) {
        const Value v = a.get(i);
        const Value cargs[3] = {v, Value::uinteger(i), self};
        const Value r = vm.call(fn, thisArg, cargs, 3);
        switch (kind) {
        case Iter::Every: if (!vm.toBoolean(r)) return Value::boolean(false); break;
        case Iter::Some: if (vm.toBoolean(r)) return Value::boolean(true); break;
        case Iter::Map: out->setIndex(vm, i, r); break;
        case Iter::Filter: if (vm.toBoolean(r)) out->push(v); break;
        case Iter::ForEach: break;
        }
    }
    if (kind == Iter::Every)
        return Value::boolean(true);
    if (kind == Iter::Some)
        return Value::boolean(false);
    return out ? Value::object(out) : Value();
}

NATIVE(every) { return iterate(vm, self, args, argc, Iter::Every); }
NATIVE(some) { return iterate(vm, self, args, argc, Iter::Some); }
NATIVE(forEach) { return iterate(vm, self, args, argc, Iter::ForEach); }
NATIVE(map) { return iterate(vm, self, args, argc, Iter::Map); }
NATIVE(filter) { return iterate(vm, self, args, argc, Iter::Filter); }

// Compares two values as sort() does without a function: undefined
// last, then by the options.
int compareValues(Vm &vm, const Value &x, const Value &y, int options)
{
    if (x.isUndefined() || y.isUndefined())
        return x.isUndefined() ? (y.isUndefined() ? 0 : 1) : -1;
    if (options & kNumeric) {
        const double a = vm.toNumber(x), b = vm.toNumber(y);
        if (std::isnan(a) || std::isnan(b))
            return std::isnan(a) ? (std::isnan(b) ? 0 : 1) : -1;
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    QString a = vm.toString(x), b = vm.toString(y);
    if (options & kCaseInsensitive) {
        a = a.toLower();
        b = b.toLower();
    }
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

struct SortOrder {
    Value fn;
    int options = 0;
    std::vector<QString> fields;
    std::vector<int> fieldOptions;
};

Value sortWith(Vm &vm, const Value &self, const SortOrder &how)
{
    Access a(vm, self);
    const quint32 n = a.length();
    std::vector<quint32> order;
    std::vector<Value> values;
    quint32 holes = 0;
    for (quint32 i = 0; i < n; ++i) {
        if (!a.has(i)) {
            ++holes;
            continue;
        }
        order.push_back(quint32(values.size()));
        values.push_back(a.get(i));
    }
    std::vector<quint32> index(order);
    bool duplicate = false;
    const auto cmp = [&](const Value &x, const Value &y) -> int {
        if (!how.fields.empty()) {
            for (size_t f = 0; f < how.fields.size(); ++f) {
                const Value fx = x.obj() ? vm.getPublic(x, how.fields[f]) : Value();
                const Value fy = y.obj() ? vm.getPublic(y, how.fields[f]) : Value();
                const int o = f < how.fieldOptions.size() ? how.fieldOptions[f] : how.options;
                int c = compareValues(vm, fx, fy, o);
                if (o & kDescending)
                    c = -c;
                if (c)
                    return c;
            }
            return 0;
        }
        if (isCallable(how.fn)) {
            if (x.isUndefined() || y.isUndefined())
                return compareValues(vm, x, y, 0);
            const Value cargs[2] = {x, y};
            const double r = vm.toNumber(vm.call(how.fn, Value::null(), cargs, 2));
            const int c = r < 0 ? -1 : (r > 0 ? 1 : 0);
            return how.options & kDescending ? -c : c;
        }
        const int c = compareValues(vm, x, y, how.options);
        return how.options & kDescending && !(x.isUndefined() || y.isUndefined()) ? -c : c;
    };
    mergeSort(index, [&](quint32 i, quint32 j) {
        const int c = cmp(values[i], values[j]);
        if (c == 0 && i != j)
            duplicate = true;
        return c < 0;
    });
    if ((how.options & kUniqueSort) && duplicate)
        return Value::integer(0);
    if (how.options & kReturnIndexedArray) {
        ArrayObject *out = vm.newArray();
        for (quint32 i : index)
            out->push(Value::uinteger(i));
        return Value::object(out);
    }
    for (quint32 i = 0; i < index.size(); ++i)
        a.set(i, values[index[i]]);
    for (quint32 i = quint32(index.size()); i < n && holes; ++i)
        a.remove(i);
    return self;
}

NATIVE(sort)
{
    SortOrder how;
    const Value a0 = arg(args, argc, 0);
    if (isCallable(a0)) {
        how.fn = a0;
        how.options = argInt(vm, args, argc, 1, 0);
    } else if (argc > 0) {
        how.options = vm.toInt32(a0);
    }
    return sortWith(vm, self, how);
}

NATIVE(sortOn)
{
    SortOrder how;
    const Value names = arg(args, argc, 0);
    const Value opts = arg(args, argc, 1);
    if (names.obj() && names.o->kind == ObjKind::Array) {
        for (const Value &v : static_cast<ArrayObject *>(names.o)->toVector())
            how.fields.push_back(vm.toString(v));
    } else {
        how.fields.push_back(vm.toString(names));
    }
    if (opts.obj() && opts.o->kind == ObjKind::Array) {
        for (const Value &v : static_cast<ArrayObject *>(opts.o)->toVector())
            how.fieldOptions.push_back(vm.toInt32(v));
        if (how.fieldOptions.size() != how.fields.size())
            how.fieldOptions.clear();
        for (int o : how.fieldOptions)
            how.options |= o & (kUniqueSort | kReturnIndexedArray);
    } else if (!opts.isUndefined()) {
        how.options = vm.toInt32(opts);
    }
    return sortWith(vm, self, how);
}

Value arrayCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return vm.constructClass(vm.arrayClass, args, argc);
}

NATIVE(arrayInit)
{
    // A subclass of Array reaches here through super(...).
    if (Object *o = self.obj(); o && o->kind == ObjKind::Array) {
        auto *a = static_cast<ArrayObject *>(o);
        if (argc == 1 && args[0].isNumeric()) {
            const double d = args[0].num();
            if (!(d >= 0 && d <= kMaxLength && d == std::floor(d)))
                vm.throwError(ErrorType::RangeError, 1005, Vm::numberToString(d));
            a->setLength(vm, quint32(d));
        } else {
            for (int i = 0; i < argc; ++i)
                a->push(args[i]);
        }
    }
    return Value();
}

Object *allocArray(Vm &vm, ClassObject *cls)
{
    auto *a = vm.heap.make<ArrayObject>(cls, cls->instanceTraits.get(), cls->prototype);
    a->m_dynamic = true;
    return a;
}

} // namespace

QString joinValues(Vm &vm, const Value &self, const QString &sep)
{
    Access a(vm, self);
    const quint32 n = a.length();
    QString out;
    for (quint32 i = 0; i < n; ++i) {
        if (i)
            out += sep;
        const Value v = a.get(i);
        if (!v.isNullish())
            out += vm.toString(v);
        if (out.size() > (1 << 28))
            vm.throwError(ErrorType::Error, 1000);
    }
    return out;
}

void installArray(Vm &vm)
{
    ClassBuilder c(vm, QString(), QStringLiteral("Array"), vm.objectClass, false);
    c.alloc(allocArray, ObjKind::Array)
        .init(arrayInit)
        .getter(QStringLiteral("length"), arrayLength)
        .setter(QStringLiteral("length"), arraySetLength)
        .method(QStringLiteral("join"), join, 1)
        .method(QStringLiteral("toString"), arrayToString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("toLocaleString"), arrayToLocaleString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("push"), push, 1)
        .method(QStringLiteral("pop"), pop, 0)
        .method(QStringLiteral("shift"), shift, 0)
        .method(QStringLiteral("unshift"), unshift, 0)
        .method(QStringLiteral("reverse"), reverse, 0)
        .method(QStringLiteral("concat"), concat, 1)
        .method(QStringLiteral("slice"), slice, 2)
        .method(QStringLiteral("splice"), splice, 2)
        .method(QStringLiteral("indexOf"), indexOf, 1)
        .method(QStringLiteral("lastIndexOf"), lastIndexOf, 1)
        .method(QStringLiteral("every"), every, 1)
        .method(QStringLiteral("some"), some, 1)
        .method(QStringLiteral("forEach"), forEach, 1)
        .method(QStringLiteral("map"), map, 1)
        .method(QStringLiteral("filter"), filter, 1)
        .method(QStringLiteral("sort"), sort, 0)
        .method(QStringLiteral("sortOn"), sortOn, 2)
        .callAs(arrayCall)
        .constant(QStringLiteral("CASEINSENSITIVE"), Value::integer(kCaseInsensitive))
        .constant(QStringLiteral("DESCENDING"), Value::integer(kDescending))
        .constant(QStringLiteral("UNIQUESORT"), Value::integer(kUniqueSort))
        .constant(QStringLiteral("RETURNINDEXEDARRAY"), Value::integer(kReturnIndexedArray))
        .constant(QStringLiteral("NUMERIC"), Value::integer(kNumeric))
        .constant(QStringLiteral("length"), Value::integer(1));
    vm.arrayClass = c;
    // Array.prototype is itself an (empty) array.
    Object *old = c.get()->prototype;
    auto *proto = vm.heap.make<ArrayObject>(vm.objectClass, nullptr, vm.objectClass->prototype);
    for (const auto &e : old->dyn().entries)
        if (!e.deleted)
            setHidden(proto, e.key, e.value);
    c.get()->prototype = proto;
}

} // namespace swf::avm2::builtins

namespace swf::avm2 {

ArrayObject *Vm::newArray(size_t reserve)
{
    auto *a = heap.make<ArrayObject>(arrayClass, arrayClass->instanceTraits.get(), arrayClass->prototype);
    a->dense().reserve(std::min<size_t>(reserve, 1 << 16));
    return a;
}

} // namespace swf::avm2
