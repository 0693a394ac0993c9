// Vector.<T>: dense, typed, optionally fixed-length arrays. Each element
// type gets its own class, made on first application and kept.
#include "swf/avm2/natives.h"
#include "swf/avm2/sorting.h"

#include <cmath>

namespace swf::avm2 {

class VectorObject final : public Object {
public:
    VectorObject(ClassObject *cls, const Traits *traits, Object *proto)
        : Object(cls, traits, proto, ObjKind::Vector)
    {
        m_dynamic = false;
    }
    void trace(Tracer &t) const override
    {
        Object::trace(t);
        t.markAll(items);
    }
    size_t extraBytes() const override { return items.capacity() * sizeof(Value); }

    ClassObject *element() const { return klass ? klass->vectorElement : nullptr; }
    Value coerceItem(Vm &vm, const Value &v) const { return vm.coerce(v, element()); }

    bool getOwn(Vm &vm, const Name &name, Value &out) override
    {
        if (!name.hasIndex)
            return indexLike(vm, name) ? false : false;
        if (name.index >= items.size())
            vm.throwError(ErrorType::RangeError, 1125, QString::number(name.index), QString::number(items.size()));
        out = items[name.index];
        return true;
    }
    bool setOwn(Vm &vm, const Name &name, const Value &v) override
    {
        if (!name.hasIndex) {
            if (indexLike(vm, name))
                return true;
            return false;
        }
        if (name.index < items.size()) {
            items[name.index] = coerceItem(vm, v);
            return true;
        }
        if (name.index == items.size() && !fixed) {
            items.push_back(coerceItem(vm, v));
            return true;
        }
        vm.throwError(ErrorType::RangeError, 1125, QString::number(name.index), QString::number(items.size()));
    }
    bool hasOwn(Vm &, const Name &name) override { return name.hasIndex && name.index < items.size(); }
    bool deleteOwn(Vm &, const Name &) override { return false; }
    int nextIndex(Vm &, int index) override { return size_t(index) < items.size() ? index + 1 : 0; }
    Value nameAt(Vm &, int index) override { return Value::integer(index - 1); }
    Value valueAt(Vm &, int index) override
    {
        return index >= 1 && size_t(index) <= items.size() ? items[size_t(index) - 1] : Value();
    }

    // Numeric names that are not indices ("-1", "1.5") are range errors
    // on a vector, not missing properties.
    bool indexLike(Vm &vm, const Name &name)
    {
        bool ok = false;
        const double d = name.name.toDouble(&ok);
        if (ok && !name.name.isEmpty())
            vm.throwError(ErrorType::RangeError, 1125, Vm::numberToString(d), QString::number(items.size()));
        return false;
    }

    std::vector<Value> items;
    bool fixed = false;
};

namespace builtins {
namespace {

constexpr size_t kMaxVector = size_t(1) << 26;

VectorObject *asVector(Vm &vm, const Value &v)
{
    Object *o = v.obj();
    if (!o || o->kind != ObjKind::Vector)
        vm.throwError(ErrorType::TypeError, 1034, vm.displayName(v), QStringLiteral("Vector"));
    return static_cast<VectorObject *>(o);
}

Object *allocVector(Vm &vm, ClassObject *cls)
{
    return vm.heap.make<VectorObject>(cls, cls->instanceTraits.get(), cls->prototype);
}

void checkGrow(Vm &vm, VectorObject *v)
{
    if (v->fixed)
        vm.throwError(ErrorType::RangeError, 1126);
}

NATIVE(vectorInit)
{
    VectorObject *v = asVector(vm, self);
    const double n = argNumber(vm, args, argc, 0, 0);
    if (!(n >= 0 && n == std::floor(n) && n <= double(kMaxVector)))
        vm.throwError(ErrorType::RangeError, 1005, Vm::numberToString(n));
    v->items.assign(size_t(n), vm.coerce(Value(), v->element()));
    v->fixed = vm.toBoolean(arg(args, argc, 1));
    return Value();
}

NATIVE(getLength) { return Value::uinteger(quint32(asVector(vm, self)->items.size())); }
NATIVE(setLength)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    const double n = argNumber(vm, args, argc, 0, 0);
    if (!(n >= 0 && n <= double(kMaxVector)))
        vm.throwError(ErrorType::RangeError, 1005, Vm::numberToString(n));
    v->items.resize(size_t(n), vm.coerce(Value(), v->element()));
    return Value();
}
NATIVE(getFixed) { return Value::boolean(asVector(vm, self)->fixed); }
NATIVE(setFixed)
{
    asVector(vm, self)->fixed = vm.toBoolean(arg(args, argc, 0));
    return Value();
}

NATIVE(push)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    for (int i = 0; i < argc; ++i)
        v->items.push_back(v->coerceItem(vm, args[i]));
    return Value::uinteger(quint32(v->items.size()));
}

NATIVE(pop)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    if (v->items.empty())
        return v->element() && v->element() != vm.objectClass ? vm.coerce(Value(), v->element()) : Value();
    const Value r = v->items.back();
    v->items.pop_back();
    return r;
}

NATIVE(shift)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    if (v->items.empty())
        return vm.coerce(Value(), v->element());
    const Value r = v->items.front();
    v->items.erase(v->items.begin());
    return r;
}

NATIVE(unshift)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    std::vector<Value> front;
    for (int i = 0; i < argc; ++i)
        front.push_back(v->coerceItem(vm, args[i]));
    v->items.insert(v->items.begin(), front.begin(), front.end());
    return Value::uinteger(quint32(v->items.size()));
}

NATIVE(join)
{
    VectorObject *v = asVector(vm, self);
    const Value sep = arg(args, argc, 0);
    const QString s = sep.isUndefined() ? QStringLiteral(",") : vm.toString(sep);
    QString out;
    for (size_t i = 0; i < v->items.size(); ++i) {
        if (i)
            out += s;
        out += vm.toString(v->items[i]);
    }
    return vm.sv(out);
}

NATIVE(toStringFn) { return join(vm, self, nullptr, 0); }

NATIVE(reverse)
{
    VectorObject *v = asVector(vm, self);
    std::reverse(v->items.begin(), v->items.end());
    return self;
}

double relIndex(Vm &vm, const Value *args, int argc, int i, double dflt, double len)
{
    double d = argNumber(vm, args, argc, i, dflt);
    d = std::isnan(d) ? 0 : std::trunc(d);
    if (d < 0)
        d = std::max(0.0, d + len);
    return std::min(d, len);
}

VectorObject *newLike(Vm &vm, VectorObject *v)
{
    return static_cast<VectorObject *>(allocVector(vm, v->klass));
}

NATIVE(slice)
{
    VectorObject *v = asVector(vm, self);
    const double len = double(v->items.size());
    const double from = relIndex(vm, args, argc, 0, 0, len), to = relIndex(vm, args, argc, 1, 16777215, len);
    VectorObject *out = newLike(vm, v);
    for (double i = from; i < to; ++i)
        out->items.push_back(v->items[size_t(i)]);
    return Value::object(out);
}

NATIVE(splice)
{
    VectorObject *v = asVector(vm, self);
    const double len = double(v->items.size());
    const double start = relIndex(vm, args, argc, 0, 0, len);
    double del = argc < 2 ? len - start : argNumber(vm, args, argc, 1, 0);
    del = std::isnan(del) ? 0 : std::min(std::max(0.0, std::trunc(del)), len - start);
    if (v->fixed && (argc > 2 ? argc - 2 : 0) != int(del))
        vm.throwError(ErrorType::RangeError, 1126);
    VectorObject *removed = newLike(vm, v);
    const auto b = v->items.begin() + qsizetype(start);
    removed->items.assign(b, b + qsizetype(del));
    v->items.erase(b, b + qsizetype(del));
    std::vector<Value> ins;
    for (int i = 2; i < argc; ++i)
        ins.push_back(v->coerceItem(vm, args[i]));
    v->items.insert(v->items.begin() + qsizetype(start), ins.begin(), ins.end());
    return Value::object(removed);
}

NATIVE(insertAt)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    const double len = double(v->items.size());
    const double at = relIndex(vm, args, argc, 0, 0, len);
    v->items.insert(v->items.begin() + qsizetype(at), v->coerceItem(vm, arg(args, argc, 1)));
    return Value();
}

NATIVE(removeAt)
{
    VectorObject *v = asVector(vm, self);
    checkGrow(vm, v);
    const double len = double(v->items.size());
    double at = argNumber(vm, args, argc, 0, 0);
    at = std::isnan(at) ? 0 : std::trunc(at);
    if (at < 0)
        at = std::max(0.0, at + len);
    if (at >= len)
        vm.throwError(ErrorType::RangeError, 1125, Vm::numberToString(at), QString::number(v->items.size()));
    const Value r = v->items[size_t(at)];
    v->items.erase(v->items.begin() + qsizetype(at));
    return r;
}

NATIVE(concat)
{
    VectorObject *v = asVector(vm, self);
    VectorObject *out = newLike(vm, v);
    out->items = v->items;
    for (int i = 0; i < argc; ++i) {
        Object *src = args[i].obj();
        if (!src || (src->kind != ObjKind::Vector && src->kind != ObjKind::Array))
            vm.throwError(ErrorType::TypeError, 1034, vm.displayName(args[i]), v->klass->name);
        const std::vector<Value> items = src->kind == ObjKind::Array ? static_cast<ArrayObject *>(src)->toVector()
                                                                    : static_cast<VectorObject *>(src)->items;
        for (const Value &x : items)
            out->items.push_back(out->coerceItem(vm, x));
    }
    return Value::object(out);
}

NATIVE(indexOf)
{
    VectorObject *v = asVector(vm, self);
    const double len = double(v->items.size());
    for (double i = relIndex(vm, args, argc, 1, 0, len); i < len; ++i) {
        if (vm.strictEquals(v->items[size_t(i)], arg(args, argc, 0)))
            return Value::number(i);
    }
    return Value::integer(-1);
}

NATIVE(lastIndexOf)
{
    VectorObject *v = asVector(vm, self);
    const double len = double(v->items.size());
    double from = argNumber(vm, args, argc, 1, 0x7fffffff);
    from = std::isnan(from) ? 0 : std::trunc(from);
    if (from < 0)
        from += len;
    for (double i = std::min(from, len - 1); i >= 0; --i) {
        if (vm.strictEquals(v->items[size_t(i)], arg(args, argc, 0)))
            return Value::number(i);
    }
    return Value::integer(-1);
}

enum class Iter { Every, Some, ForEach, Map, Filter };

Value iterate(Vm &vm, const Value &self, const Value *args, int argc, Iter kind)
{
    VectorObject *v = asVector(vm, self);
    const Value fn = arg(args, argc, 0);
    const Value thisArg = arg(args, argc, 1);
    VectorObject *out = kind == Iter::Map || kind == Iter::Filter ? newLike(vm, v) : nullptr;
    if (fn.isUndefined())
        vm.throwError(ErrorType::ArgumentError, 1063, v->klass->name, QStringLiteral("1"), QStringLiteral("0"));
    if (!isCallable(fn))
        vm.throwError(ErrorType::TypeError, 1034, vm.displayName(fn), QStringLiteral("Function"));
    for (size_t i = 0; i < v->items.size(); ++i) {
        const Value item = v->items[i];
        const Value cargs[3] = {item, Value::uinteger(quint32(i)), self};
        const Value r = vm.call(fn, thisArg, cargs, 3);
        switch (kind) {
        case Iter::Every: if (!vm.toBoolean(r)) return Value::boolean(false); break;
        case Iter::Some: if (vm.toBoolean(r)) return Value::boolean(true); break;
        case Iter::Map: out->items.push_back(out->coerceItem(vm, r)); break;
        case Iter::Filter: if (vm.toBoolean(r)) out->items.push_back(item); break;
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

NATIVE(sort)
{
    VectorObject *v = asVector(vm, self);
    const Value fn = arg(args, argc, 0);
    const int options = isCallable(fn) ? 0 : vm.toInt32(fn);
    std::vector<Value> items = v->items;
    mergeSort(items, [&](const Value &a, const Value &b) {
        if (isCallable(fn)) {
            const Value cargs[2] = {a, b};
            return vm.toNumber(vm.call(fn, Value::null(), cargs, 2)) < 0;
        }
        int c;
        if (options & 16) {
            const double x = vm.toNumber(a), y = vm.toNumber(b);
            c = x < y ? -1 : (x > y ? 1 : 0);
        } else {
            QString x = vm.toString(a), y = vm.toString(b);
            if (options & 1) {
                x = x.toLower();
                y = y.toLower();
            }
            c = x.compare(y);
        }
        return (options & 2) ? c > 0 : c < 0;
    });
    v->items = std::move(items);
    return self;
}

// Vector.<T>(array or vector) converts; called with anything else it fails.
Value vectorCall(Vm &vm, const Value &self, const Value *args, int argc)
{
    auto *cls = static_cast<ClassObject *>(self.obj());
    const Value src = arg(args, argc, 0);
    Object *o = src.obj();
    if (argc != 1 || !o || (o->kind != ObjKind::Array && o->kind != ObjKind::Vector))
        vm.throwError(ErrorType::TypeError, 1034, vm.displayName(src), cls->name);
    if (o->klass == cls)
        return src;
    auto *out = static_cast<VectorObject *>(allocVector(vm, cls));
    const std::vector<Value> items = o->kind == ObjKind::Array ? static_cast<ArrayObject *>(o)->toVector()
                                                               : static_cast<VectorObject *>(o)->items;
    for (const Value &x : items)
        out->items.push_back(out->coerceItem(vm, x));
    return Value::object(out);
}

void addMethods(ClassBuilder &c)
{
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } methods[] = {
        {"push", push, 1}, {"pop", pop, 0}, {"shift", shift, 0}, {"unshift", unshift, 1}, {"join", join, 1},
        {"reverse", reverse, 0}, {"slice", slice, 2}, {"splice", splice, 2}, {"concat", concat, 1},
        {"indexOf", indexOf, 1}, {"lastIndexOf", lastIndexOf, 1}, {"every", every, 1}, {"some", some, 1},
        {"forEach", forEach, 1}, {"map", map, 1}, {"filter", filter, 1}, {"sort", sort, 1},
        {"insertAt", insertAt, 2}, {"removeAt", removeAt, 1},
    };
    for (const auto &m : methods)
        c.method(QString::fromLatin1(m.name), m.fn, m.length);
    c.method(QStringLiteral("toString"), toStringFn, 0, ClassBuilder::Proto)
        .method(QStringLiteral("toLocaleString"), toStringFn, 0, ClassBuilder::Proto)
        .getter(QStringLiteral("length"), getLength)
        .setter(QStringLiteral("length"), setLength)
        .getter(QStringLiteral("fixed"), getFixed)
        .setter(QStringLiteral("fixed"), setFixed)
        .init(vectorInit)
        .alloc(allocVector, ObjKind::Vector)
        .callAs(vectorCall)
        .finalClass();
}

} // namespace

void installVector(Vm &vm)
{
    ClassBuilder generic(vm, QStringLiteral("__AS3__.vec"), QStringLiteral("Vector"), vm.objectClass);
    addMethods(generic);
    generic.get()->isVector = true;
    generic.construct([](Vm &vm, ClassObject *, const Value *, int) -> Value { vm.throwError(ErrorType::TypeError, 1007); });
    vm.vectorClass = generic;
    const Value n = Value::null();
    vm.vectorObjectClass = static_cast<ClassObject *>(vm.applyType(Value::object(vm.vectorClass), &n, 1).o);
    for (ClassObject *t : {vm.intClass, vm.uintClass, vm.numberClass}) {
        const Value tv = Value::object(t);
        vm.applyType(Value::object(vm.vectorClass), &tv, 1);
    }
}

} // namespace builtins

Value Vm::applyType(const Value &base, const Value *params, int count)
{
    Object *b = base.obj();
    if (!b || b != vectorClass)
        throwError(ErrorType::TypeError, 1127);
    if (count != 1)
        throwError(ErrorType::TypeError, 1128, QStringLiteral("Vector"), QStringLiteral("1"), QString::number(count));
    Object *t = params[0].obj();
    if (t && t->kind != ObjKind::Class)
        throwError(ErrorType::TypeError, 1127);
    auto *elem = static_cast<ClassObject *>(t);
    const QString key = elem ? elem->qualifiedName() + QString::number(quintptr(elem), 16) : QStringLiteral("*");
    if (ClassObject *c = vectorClasses.value(key))
        return Value::object(c);
    const QString elemName = elem ? elem->qualifiedName().replace(QStringLiteral("::"), QStringLiteral(".")) : QStringLiteral("*");
    // The applied class is a sibling of the generic one: same methods,
    // its own name, prototype and element type.
    auto *c = heap.make<ClassObject>(classClass, nullptr, classClass->prototype);
    c->name = QStringLiteral("Vector.<") + elemName + QLatin1Char('>');
    c->ns = vectorClass->ns;
    c->base = objectClass;
    c->instanceTraits = std::make_unique<Traits>(vectorClass->instanceTraits.get());
    c->ownTraits = std::make_unique<Traits>(classClass->instanceTraits.get());
    c->traits = c->ownTraits.get();
    c->prototype = heap.make<Object>(objectClass, nullptr, vectorClass->prototype);
    setHidden(c->prototype, QStringLiteral("constructor"), Value::object(c));
    c->iinit = vectorClass->iinit;
    c->base = vectorObjectClass ? vectorObjectClass : objectClass;
    c->allocFn = vectorClass->allocFn;
    c->callFn = vectorClass->callFn;
    c->instanceKind = ObjKind::Vector;
    c->final = true;
    c->sealed = true;
    c->isVector = true;
    c->vectorElement = elem;
    vectorClasses.insert(key, c);
    return Value::object(c);
}

} // namespace swf::avm2
