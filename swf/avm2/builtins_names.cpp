// Namespace and QName, the arguments object, type resolution for slots,
// and equality of objects compared by value.
#include "swf/avm2/abcunit.h"
#include "swf/avm2/nameobjects.h"
#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {
namespace {

NamespaceObject *newNamespace(Vm &vm, const Ns *ns, const Value &prefix)
{
    auto *o = vm.heap.make<NamespaceObject>(vm.namespaceClass, vm.namespaceClass->instanceTraits.get(),
                                            vm.namespaceClass->prototype);
    o->ns = ns;
    o->prefix = prefix;
    return o;
}

NamespaceObject *asNamespace(Vm &vm, const Value &v)
{
    if (!v.obj() || v.o->kind != ObjKind::Namespace)
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("Namespace.prototype.toString"));
    return static_cast<NamespaceObject *>(v.o);
}

QNameObject *asQName(Vm &vm, const Value &v)
{
    if (!v.obj() || v.o->kind != ObjKind::QName)
        vm.throwError(ErrorType::TypeError, 1004, QStringLiteral("QName.prototype.toString"));
    return static_cast<QNameObject *>(v.o);
}

Value namespaceConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    if (argc == 0)
        return Value::object(newNamespace(vm, vm.names.publicNs(), vm.sv(QString())));
    if (argc == 1) {
        const Value v = args[0];
        if (Object *o = v.obj(); o && o->kind == ObjKind::Namespace)
            return v;
        if (Object *o = v.obj(); o && o->kind == ObjKind::QName) {
            auto *q = static_cast<QNameObject *>(o);
            return Value::object(newNamespace(vm, vm.names.intern(NsCat::Public, q->uri), Value()));
        }
        const QString uri = vm.toString(v);
        return Value::object(newNamespace(vm, vm.names.intern(NsCat::Public, uri), uri.isEmpty() ? vm.sv(QString()) : Value()));
    }
    const Value p = args[0];
    QString uri;
    if (Object *o = args[1].obj(); o && o->kind == ObjKind::QName)
        uri = static_cast<QNameObject *>(o)->uri;
    else
        uri = vm.toString(args[1]);
    Value prefix;
    if (!p.isUndefined()) {
        const QString ps = vm.toString(p);
        if (uri.isEmpty() && !ps.isEmpty())
            vm.throwError(ErrorType::TypeError, 1098, ps);
        prefix = vm.sv(ps);
    }
    if (uri.isEmpty())
        prefix = vm.sv(QString());
    return Value::object(newNamespace(vm, vm.names.intern(NsCat::Public, uri), prefix));
}

Value namespaceCall(Vm &vm, const Value &, const Value *args, int argc)
{
    if (argc == 1 && args[0].obj() && args[0].o->kind == ObjKind::Namespace)
        return args[0];
    return namespaceConstruct(vm, nullptr, args, argc);
}

NATIVE(namespaceUri)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(asNamespace(vm, self)->ns->uri);
}

NATIVE(namespacePrefix)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return asNamespace(vm, self)->prefix;
}

Value qnameConstruct(Vm &vm, ClassObject *, const Value *args, int argc)
{
    auto *q = vm.heap.make<QNameObject>(vm.qnameClass, vm.qnameClass->instanceTraits.get(), vm.qnameClass->prototype);
    Value nameArg = argc >= 2 ? args[1] : arg(args, argc, 0);
    if (Object *o = nameArg.obj(); o && o->kind == ObjKind::QName) {
        auto *src = static_cast<QNameObject *>(o);
        if (argc < 2)
            return nameArg;
        q->localName = src->localName;
        q->anyName = src->anyName;
    } else {
        q->localName = nameArg.isUndefined() ? QString() : vm.toString(nameArg);
        q->anyName = q->localName == QLatin1String("*");
    }
    if (argc >= 2) {
        const Value ns = args[0];
        if (ns.isNull()) {
            q->anyNamespace = true;
        } else if (Object *o = ns.obj(); o && o->kind == ObjKind::Namespace) {
            q->uri = static_cast<NamespaceObject *>(o)->ns->uri;
            const Value p = static_cast<NamespaceObject *>(o)->prefix;
            q->prefix = p.isString() ? p.s->text() : QString();
        } else if (!ns.isUndefined()) {
            q->uri = vm.toString(ns);
        } else {
            q->uri = vm.defaultXmlNs;
        }
    } else {
        q->uri = q->anyName ? QString() : vm.defaultXmlNs;
        q->anyNamespace = q->anyName;
    }
    return Value::object(q);
}

Value qnameCall(Vm &vm, const Value &, const Value *args, int argc)
{
    if (argc == 1 && args[0].obj() && args[0].o->kind == ObjKind::QName)
        return args[0];
    return qnameConstruct(vm, nullptr, args, argc);
}

NATIVE(qnameLocalName)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return vm.sv(asQName(vm, self)->localName);
}

NATIVE(qnameUri)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    QNameObject *q = asQName(vm, self);
    return q->anyNamespace ? Value::null() : vm.sv(q->uri);
}

NATIVE(qnameToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    QNameObject *q = asQName(vm, self);
    if (q->anyNamespace)
        return vm.sv(QStringLiteral("*::") + q->localName);
    return vm.sv(q->uri.isEmpty() ? q->localName : q->uri + QStringLiteral("::") + q->localName);
}

} // namespace

Value makeNamespace(Vm &vm, const Ns *ns)
{
    return Value::object(newNamespace(vm, ns, Value()));
}

const Ns *namespaceOf(Vm &, Object *o)
{
    return static_cast<NamespaceObject *>(o)->ns;
}

void qnameToName(Vm &vm, Object *qname, Name &out)
{
    auto *q = static_cast<QNameObject *>(qname);
    out.name = q->localName;
    out.anyName = q->anyName;
    out.set = nullptr;
    out.hasIndex = false;
    if (q->anyNamespace) {
        out.anyNs = true;
        out.ns = nullptr;
    } else {
        out.anyNs = false;
        out.ns = vm.names.intern(NsCat::Public, q->uri);
    }
}

ClassObject *resolveUnitType(Vm &, AbcUnit *unit, quint32 mn)
{
    return unit->resolveType(mn);
}

Value makeArguments(Vm &vm, const Value *args, int argc, FunctionObject *callee)
{
    ArrayObject *a = vm.newArray(size_t(argc));
    for (int i = 0; i < argc; ++i)
        a->push(args[i]);
    setHidden(a, QStringLiteral("callee"), callee ? Value::object(callee) : Value::null());
    return Value::object(a);
}

bool specialEquals(Vm &vm, const Value &a, const Value &b, bool strict)
{
    Object *x = a.obj();
    Object *y = b.obj();
    if (x && y && x->kind == ObjKind::Namespace && y->kind == ObjKind::Namespace)
        return static_cast<NamespaceObject *>(x)->ns->uri == static_cast<NamespaceObject *>(y)->ns->uri;
    if (x && y && x->kind == ObjKind::QName && y->kind == ObjKind::QName) {
        auto *p = static_cast<QNameObject *>(x);
        auto *q = static_cast<QNameObject *>(y);
        return p->localName == q->localName && p->anyNamespace == q->anyNamespace && p->uri == q->uri;
    }
    if (strict)
        return false;
    return xmlEquals(vm, a, b);
}

void installNames(Vm &vm)
{
    vm.namespaceClass = ClassBuilder(vm, QString(), QStringLiteral("Namespace"), vm.objectClass)
                            .finalClass()
                            .getter(QStringLiteral("uri"), namespaceUri)
                            .getter(QStringLiteral("prefix"), namespacePrefix)
                            .method(QStringLiteral("toString"), namespaceUri, 0)
                            .method(QStringLiteral("valueOf"), namespaceUri, 0)
                            .construct(namespaceConstruct)
                            .callAs(namespaceCall)
                            .constant(QStringLiteral("length"), Value::integer(2));
    vm.qnameClass = ClassBuilder(vm, QString(), QStringLiteral("QName"), vm.objectClass)
                        .finalClass()
                        .getter(QStringLiteral("localName"), qnameLocalName)
                        .getter(QStringLiteral("uri"), qnameUri)
                        .method(QStringLiteral("toString"), qnameToString, 0)
                        .method(QStringLiteral("valueOf"), qnameToString, 0, ClassBuilder::Proto)
                        .construct(qnameConstruct)
                        .callAs(qnameCall)
                        .constant(QStringLiteral("length"), Value::integer(2));
}

} // namespace swf::avm2::builtins
