// Error and its subclasses: message, name, errorID, as the Flash Player
// reports them.
#include "swf/avm2/natives.h"

namespace swf::avm2::builtins {
namespace {

class ErrorObject final : public Object {
public:
    using Object::Object;
    int errorId = 0;
};

Object *allocError(Vm &vm, ClassObject *cls)
{
    return vm.heap.make<ErrorObject>(cls, cls->instanceTraits.get(), cls->prototype, ObjKind::Error);
}

ClassObject *nativeClassOf(ClassObject *c)
{
    while (c && c->unit)
        c = c->base;
    return c;
}

NATIVE(errorInit)
{
    Object *o = self.obj();
    if (!o)
        return Value();
    const Value msg = arg(args, argc, 0);
    o->dyn().set(QStringLiteral("message"), argc > 0 && !msg.isUndefined() ? vm.sv(vm.toString(msg)) : vm.sv(QString()));
    o->dyn().find(QStringLiteral("message"))->dontEnum = true;
    if (o->kind == ObjKind::Error)
        static_cast<ErrorObject *>(o)->errorId = argInt(vm, args, argc, 1, 0);
    ClassObject *n = nativeClassOf(o->klass);
    o->dyn().set(QStringLiteral("name"), vm.sv(n ? n->name : QStringLiteral("Error")));
    o->dyn().find(QStringLiteral("name"))->dontEnum = true;
    return Value();
}

NATIVE(errorId)
{
    Q_UNUSED(vm);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    Object *o = self.obj();
    return Value::integer(o && o->kind == ObjKind::Error ? static_cast<ErrorObject *>(o)->errorId : 0);
}

NATIVE(errorToString)
{
    Q_UNUSED(args);
    Q_UNUSED(argc);
    const QString name = vm.toString(vm.getPublic(self, QStringLiteral("name")));
    const QString message = vm.toString(vm.getPublic(self, QStringLiteral("message")));
    return vm.sv(message.isEmpty() ? name : name + QStringLiteral(": ") + message);
}

NATIVE(errorStackTrace)
{
    Q_UNUSED(vm);
    Q_UNUSED(self);
    Q_UNUSED(args);
    Q_UNUSED(argc);
    return Value::null();
}

Value errorCall(Vm &vm, const Value &self, const Value *args, int argc)
{
    return vm.construct(self, args, argc);
}

} // namespace

void installErrors(Vm &vm)
{
    ClassBuilder error(vm, QString(), QStringLiteral("Error"), vm.objectClass, false);
    error.alloc(allocError, ObjKind::Error)
        .init(errorInit)
        .getter(QStringLiteral("errorID"), errorId)
        .publicMethod(QStringLiteral("getStackTrace"), errorStackTrace, 0)
        .method(QStringLiteral("toString"), errorToString, 0, ClassBuilder::Proto)
        .protoValue(QStringLiteral("name"), vm.sv(QStringLiteral("Error")))
        .protoValue(QStringLiteral("message"), vm.sv(QStringLiteral("Error")))
        .callAs(errorCall)
        .constant(QStringLiteral("length"), Value::integer(1));
    vm.errorClass = error;
    vm.errorClasses[int(ErrorType::Error)] = error;
    const struct {
        ErrorType type;
        const char *pkg;
        const char *name;
    } subclasses[] = {
        {ErrorType::TypeError, "", "TypeError"},
        {ErrorType::ReferenceError, "", "ReferenceError"},
        {ErrorType::RangeError, "", "RangeError"},
        {ErrorType::ArgumentError, "", "ArgumentError"},
        {ErrorType::VerifyError, "", "VerifyError"},
        {ErrorType::EvalError, "", "EvalError"},
        {ErrorType::SyntaxError, "", "SyntaxError"},
        {ErrorType::URIError, "", "URIError"},
        {ErrorType::SecurityError, "", "SecurityError"},
        {ErrorType::DefinitionError, "", "DefinitionError"},
        {ErrorType::UninitializedError, "", "UninitializedError"},
        {ErrorType::IOError, "flash.errors", "IOError"},
        {ErrorType::EOFError, "flash.errors", "EOFError"},
    };
    for (const auto &s : subclasses) {
        ClassObject *base = s.type == ErrorType::EOFError ? vm.errorClasses[int(ErrorType::IOError)] : error.get();
        if (!base)
            base = error;
        ClassBuilder c(vm, QString::fromLatin1(s.pkg), QString::fromLatin1(s.name), base, false);
        c.init(errorInit)
            .callAs(errorCall)
            .protoValue(QStringLiteral("name"), vm.sv(QString::fromLatin1(s.name)))
            .constant(QStringLiteral("length"), Value::integer(1));
        vm.errorClasses[int(s.type)] = c;
    }
    for (const char *name : {"IllegalOperationError", "MemoryError", "ScriptTimeoutError", "StackOverflowError", "InvalidSWFError"}) {
        ClassBuilder c(vm, QStringLiteral("flash.errors"), QString::fromLatin1(name), error, false);
        c.init(errorInit).callAs(errorCall).protoValue(QStringLiteral("name"), vm.sv(QString::fromLatin1(name)));
    }
}

} // namespace swf::avm2::builtins
