// Object, Class and Function, and the bootstrap that ties them together.
#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {
namespace {

QString className(Vm &vm, const Value &v)
{
    Object *o = v.obj();
    if (!o)
        return vm.classOf(v) ? vm.classOf(v)->name : QStringLiteral("Object");
    if (o->kind == ObjKind::Class)
        return QStringLiteral("Class");
    if (o->kind == ObjKind::Function)
        return QStringLiteral("Function");
    if (o->kind == ObjKind::Global)
        return QStringLiteral("global");
    return o->klass ? o->klass->name : QStringLiteral("Object");
}

Name nameArg(Vm &vm, const Value *args, int argc)
{
    return vm.nameFromValue(arg(args, argc, 0), vm.publicName(QString()));
}

NATIVE(objectHasOwnProperty)
{
    const Name n = nameArg(vm, args, argc);
    Object *o = self.obj();
    if (!o) {
        ClassObject *c = vm.classOf(self);
        return Value::boolean(c && !n.hasIndex && c->instanceTraits->find(n));
    }
    if (!n.hasIndex && o->traits) {
        if (const Binding *b = o->traits->find(n))
            return Value::boolean(b->kind != Binding::Method || o->kind != ObjKind::Class);
    }
    return Value::boolean(o->hasOwn(vm, n));
}

NATIVE(objectPropertyIsEnumerable)
{
    const Name n = nameArg(vm, args, argc);
    Object *o = self.obj();
    if (!o || !o->hasOwn(vm, n))
        return Value::boolean(false);
    if (DynProps *d = o->dynIfAny()) {
        if (DynProps::Entry *e = d->find(n.hasIndex ? QString::number(n.index) : n.name))
            return Value::boolean(!e->dontEnum);
    }
    return Value::boolean(true);
}

NATIVE(objectSetPropertyIsEnumerable)
{
    const Name n = nameArg(vm, args, argc);
    if (Object *o = self.obj(); o && o->dynIfAny()) {
        if (DynProps::Entry *e = o->dynIfAny()->find(n.hasIndex ? QString::number(n.index) : n.name))
            e->dontEnum = !vm.toBoolean(arg(args, argc, 1));
    }
    return Value();
}

NATIVE(objectIsPrototypeOf)
{
    Object *o = self.obj();
    const Value v = arg(args, argc, 0);
    if (!o || v.isNullish())
        return Value::boolean(false);
    for (Object *p = vm.prototypeOf(v); p; p = p->proto) {
        if (p == o)
            return Value::boolean(true);
    }
    return Value::boolean(false);
}

NATIVE(objectToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    if (Object *o = self.obj(); o && o->kind == ObjKind::Class)
        return vm.sv(QStringLiteral("[class ") + static_cast<ClassObject *>(o)->name + QLatin1Char(']'));
    if (self.isPrimitive() && !self.isNullish() && false)
        return vm.sv(vm.toString(self));
    return vm.sv(QStringLiteral("[object ") + className(vm, self) + QLatin1Char(']'));
}

NATIVE(objectValueOf)
{
    Q_UNUSED(vm);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return self;
}

Value objectConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    const Value v = arg(args, argc, 0);
    if (argc > 0 && !v.isNullish())
        return v;
    return Value::object(vm.newObject());
}

Value objectCall(Vm &vm, const Value &, const Value *args, int argc)
{
    return objectConstruct(vm, nullptr, args, argc);
}

NATIVE(classPrototype)
{
    Q_UNUSED(vm);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Object *o = self.obj();
    if (o && o->kind == ObjKind::Class)
        return Value::object(static_cast<ClassObject *>(o)->prototype);
    return Value();
}

FunctionObject *asFunction(Vm &vm, const Value &self)
{
    Object *o = self.obj();
    if (!o || o->kind != ObjKind::Function)
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Function.prototype.call"));
    return static_cast<FunctionObject *>(o);
}

NATIVE(functionCall)
{
    if (Object *o = self.obj(); o && o->kind == ObjKind::Class)
        return vm.call(self, arg(args, argc, 0), args + 1, qMax(0, argc - 1));
    asFunction(vm, self);
    return vm.call(self, arg(args, argc, 0), argc > 1 ? args + 1 : nullptr, qMax(0, argc - 1));
}

NATIVE(functionApply)
{
    if (!self.obj() || (self.o->kind != ObjKind::Function && self.o->kind != ObjKind::Class))
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Function.prototype.apply"));
    const Value list = arg(args, argc, 1);
    std::vector<Value> items;
    if (!list.isNullish()) {
        Object *a = list.obj();
        if (!a || a->kind != ObjKind::Array)
            vm.throwError(ErrorType::TypeError, 1116);
        items = static_cast<ArrayObject *>(a)->toVector();
    }
    PinScope pin(vm);
    for (const Value &v : items)
        pin.pin(v);
    return vm.call(self, arg(args, argc, 0), items.data(), int(items.size()));
}

NATIVE(functionLength)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    FunctionObject *f = asFunction(vm, self);
    if (f->method->native)
        return Value::integer(f->method->nativeLength);
    return Value::integer(f->method->paramCount);
}

NATIVE(functionPrototypeGet)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    FunctionObject *f = asFunction(vm, self);
    return Value::object(vm.functionPrototype(f));
}

NATIVE(functionPrototypeSet)
{
    FunctionObject *f = asFunction(vm, self);
    const Value v = arg(args, argc, 0);
    f->prototypeObject = v.obj();
    return Value();
}

NATIVE(functionToString)
{
    Q_UNUSED(self);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(QStringLiteral("function Function() {}"));
}

NATIVE(emptyFunction)
{
    Q_UNUSED(vm);
    Q_UNUSED(self);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value();
}

Value functionConstruct(Vm &vm, ClassObject *, const Value *, int argc)
{
    if (argc > 0)
        vm.throwError(ErrorType::EvalError, 1066);
    return Value::object(vm.newNative(QString(), emptyFunction, 0));
}

Value functionCallAs(Vm &vm, const Value &, const Value *args, int argc)
{
    return functionConstruct(vm, nullptr, args, argc);
}

void bootstrap(Vm &vm)
{
    auto *traits = new Traits();
    vm.unitTraits.emplace_back(traits);
    vm.builtinGlobal = vm.heap.make<Object>(nullptr, traits, nullptr, ObjKind::Global);
    auto entry = std::make_unique<ScriptEntry>();
    entry->global = vm.builtinGlobal;
    entry->state = ScriptEntry::Done;
    vm.scripts.push_back(std::move(entry));

    vm.objectClass = ClassBuilder(vm, QString(), QStringLiteral("Object"), nullptr, false);
    vm.classClass = ClassBuilder(vm, QString(), QStringLiteral("Class"), vm.objectClass);
    ClassBuilder(vm, vm.classClass).getter(QStringLiteral("prototype"), classPrototype);
    vm.functionClass = ClassBuilder(vm, QString(), QStringLiteral("Function"), vm.objectClass, false);
    for (ClassObject *c : {vm.objectClass, vm.classClass, vm.functionClass}) {
        c->klass = vm.classClass;
        c->proto = vm.classClass->prototype;
        c->prototype->klass = vm.objectClass;
        auto merged = std::make_unique<Traits>(vm.classClass->instanceTraits.get());
        c->ownTraits = std::move(merged);
        c->traits = c->ownTraits.get();
    }
    vm.classClass->prototype->proto = vm.objectClass->prototype;
    vm.functionClass->prototype->proto = vm.objectClass->prototype;
    vm.builtinGlobal->klass = vm.objectClass;
    vm.builtinGlobal->proto = vm.objectClass->prototype;
    vm.scripts.front()->scope = vm.newScope(nullptr, nullptr, 0);
}

} // namespace

void installObject(Vm &vm)
{
    bootstrap(vm);
    ClassBuilder(vm, vm.objectClass)
        .method(QStringLiteral("hasOwnProperty"), objectHasOwnProperty, 1)
        .method(QStringLiteral("propertyIsEnumerable"), objectPropertyIsEnumerable, 1)
        .method(QStringLiteral("isPrototypeOf"), objectIsPrototypeOf, 1)
        .method(QStringLiteral("setPropertyIsEnumerable"), objectSetPropertyIsEnumerable, 2, ClassBuilder::Proto)
        .method(QStringLiteral("toString"), objectToString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("toLocaleString"), objectToString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("valueOf"), objectValueOf, 0, ClassBuilder::Proto)
        .construct(objectConstruct)
        .callAs(objectCall)
        .constant(QStringLiteral("length"), Value::integer(1));
    ClassBuilder(vm, vm.functionClass)
        .method(QStringLiteral("call"), functionCall, 1, ClassBuilder::Proto)
        .method(QStringLiteral("apply"), functionApply, 2, ClassBuilder::Proto)
        .method(QStringLiteral("toString"), functionToString, 0, ClassBuilder::Proto)
        .method(QStringLiteral("toLocaleString"), functionToString, 0, ClassBuilder::Proto)
        .getter(QStringLiteral("length"), functionLength)
        .getter(QStringLiteral("prototype"), functionPrototypeGet)
        .setter(QStringLiteral("prototype"), functionPrototypeSet)
        .construct(functionConstruct)
        .callAs(functionCallAs)
        .constant(QStringLiteral("length"), Value::integer(1));
    // Function's own methods are public traits as well, so that natives
    // (whose prototype chain is Function.prototype) find call and apply.
    ClassBuilder(vm, vm.functionClass)
        .publicMethod(QStringLiteral("call"), functionCall, 1)
        .publicMethod(QStringLiteral("apply"), functionApply, 2);
    ClassBuilder(vm, vm.classClass).constant(QStringLiteral("length"), Value::integer(1));
}

void installCore(Vm &vm)
{
    installObject(vm);
    installErrors(vm);
    installNames(vm);
    installNumbers(vm);
    installString(vm);
    installArray(vm);
    installMath(vm);
    installGlobals(vm);
    installDate(vm);
    installRegExp(vm);
    installJson(vm);
    installVector(vm);
    installXml(vm);
    installUtils(vm);
    installByteArray(vm);
    installDisplay(vm);
}

void traceCore(Vm &vm, Tracer &t)
{
    for (ClassObject *c : {vm.objectClass, vm.classClass, vm.functionClass, vm.arrayClass, vm.stringClass,
                           vm.numberClass, vm.intClass, vm.uintClass, vm.booleanClass, vm.namespaceClass,
                           vm.qnameClass, vm.errorClass, vm.dateClass, vm.regexpClass, vm.vectorClass,
                           vm.xmlClass, vm.xmlListClass, vm.voidClass})
        t.mark(c);
    for (ClassObject *c : vm.errorClasses)
        t.mark(c);
}

} // namespace swf::avm2::builtins
