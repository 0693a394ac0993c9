// Property access: fixed traits first, then the object's own dynamic
// properties, then the prototype chain, as ActionScript 3 resolves names.
#include "swf/avm2/vm.h"

#include "swf/avm2/builtins.h"

namespace swf::avm2 {
namespace {

bool isIndexString(const QString &s, quint32 &out)
{
    const qsizetype n = s.size();
    if (n == 0 || n > 10 || (n > 1 && s[0] == u'0'))
        return false;
    quint64 v = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + quint64(c.unicode() - '0');
    }
    if (v >= 0xffffffffu)
        return false;
    out = quint32(v);
    return true;
}

QString nameText(const Name &n)
{
    return n.hasIndex && n.name.isEmpty() ? QString::number(n.index) : n.name;
}

} // namespace

const Traits *Vm::traitsOf(const Value &v, bool forCalls)
{
    Object *o = v.obj();
    if (!o) {
        ClassObject *c = classOf(v);
        return c ? c->instanceTraits.get() : nullptr;
    }
    // XML's methods answer calls only: x.name is the child named "name".
    if (!forCalls && (o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList))
        return nullptr;
    return o->traits;
}

Name Vm::publicName(const QString &n) const
{
    Name name;
    name.name = n;
    name.ns = names.publicNs();
    quint32 idx;
    if (isIndexString(n, idx)) {
        name.hasIndex = true;
        name.index = idx;
    }
    return name;
}

Name Vm::nameFromValue(const Value &key, const Name &base)
{
    Name n = base;
    if (key.isInt() && key.i >= 0) {
        n.hasIndex = true;
        n.index = quint32(key.i);
        n.name = QString::number(key.i);
        return n;
    }
    if (key.tag == Tag::Number && key.d >= 0 && key.d < 4294967295.0 && key.d == std::floor(key.d)) {
        n.hasIndex = true;
        n.index = quint32(key.d);
        n.name = QString::number(n.index);
        return n;
    }
    if (Object *o = key.obj(); o && o->kind == ObjKind::QName) {
        builtins::qnameToName(*this, o, n);
        return n;
    }
    if (key.isObject())
        n.key = key;
    n.name = toString(key);
    if (n.name == QLatin1String("*"))
        n.anyName = true;
    quint32 idx;
    if (isIndexString(n.name, idx)) {
        n.hasIndex = true;
        n.index = idx;
    }
    return n;
}

Object *Vm::prototypeOf(const Value &v)
{
    if (Object *o = v.obj())
        return o->proto;
    // int and uint values share Number's prototype, as ECMAScript numbers.
    ClassObject *c = v.isNumeric() ? numberClass : classOf(v);
    return c ? c->prototype : nullptr;
}

bool Vm::getDynamic(Object *o, const Name &name, Value &out)
{
    if (o->getOwn(*this, name, out))
        return !out.isHole();
    if (!name.matches(names.publicNs()))
        return false;
    for (Object *p = o->proto; p; p = p->proto) {
        if (p->getOwn(*this, name, out) && !out.isHole())
            return true;
    }
    return false;
}

Value Vm::getProperty(const Value &objv, const Name &name)
{
    if (objv.isNullish())
        throwError(ErrorType::TypeError, objv.isNull() ? 1009 : 1010);
    Object *o = objv.obj();
    const Traits *traits = traitsOf(objv, false);
    if (traits && !name.hasIndex) {
        if (const Binding *b = traits->find(name)) {
            switch (b->kind) {
            case Binding::Slot:
            case Binding::Const:
                return o ? o->slotv[b->slot] : Value();
            case Binding::Method:
                return Value::object(bindMethod(traits->vtable[b->slot], objv));
            case Binding::Accessor:
                if (b->getter < 0)
                    throwError(ErrorType::ReferenceError, 1077, nameText(name), displayName(objv));
                {
                    const MethodEnv &env = traits->vtable[size_t(b->getter)];
                    return invoke(env.method, env.scope, objv, nullptr, 0);
                }
            default:
                break;
            }
        }
    }
    Value out;
    if (o) {
        if (getDynamic(o, name, out))
            return out;
        if (o->kind == ObjKind::Proxy || o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList)
            return out;
    } else {
        Object *p = prototypeOf(objv);
        Name pub = name;
        if (pub.hasIndex && pub.name.isEmpty())
            pub.name = QString::number(pub.index);
        for (; p && name.matches(names.publicNs()); p = p->proto) {
            if (p->getOwn(*this, pub, out) && !out.isHole())
                return out;
        }
    }
    ClassObject *cls = o ? o->klass : classOf(objv);
    const bool sealed = o ? !o->isDynamic() : true;
    if (sealed && !(o && o->kind == ObjKind::Class)) {
        if (name.anyName)
            return Value();
        throwError(ErrorType::ReferenceError, 1069, nameText(name), cls ? displayName(objv) : QStringLiteral("Object"));
    }
    return Value();
}

void Vm::setSlot(Object *o, quint32 slot, const Value &v)
{
    SlotInfo &info = const_cast<SlotInfo &>(o->traits->slotInfo[slot]);
    if (!info.typeResolved && info.unit) {
        info.type = builtins::resolveUnitType(*this, info.unit, info.typeMn);
        info.typeResolved = true;
    }
    o->slotv[slot] = info.type ? coerce(v, info.type) : (v.isHole() ? Value() : v);
}

void Vm::setProperty(const Value &objv, const Name &name, const Value &v, bool init)
{
    if (objv.isNullish())
        throwError(ErrorType::TypeError, objv.isNull() ? 1009 : 1010);
    Object *o = objv.obj();
    const Traits *traits = traitsOf(objv, true);
    if (traits && !name.hasIndex) {
        if (const Binding *b = traits->find(name)) {
            switch (b->kind) {
            case Binding::Slot:
                if (o) {
                    setSlot(o, b->slot, v);
                    return;
                }
                break;
            case Binding::Const:
                if (o && init) {
                    setSlot(o, b->slot, v);
                    return;
                }
                throwError(ErrorType::ReferenceError, 1074, nameText(name), displayName(objv));
            case Binding::Method:
                throwError(ErrorType::ReferenceError, 1037, nameText(name), displayName(objv));
            case Binding::Accessor: {
                if (b->setter < 0)
                    throwError(ErrorType::ReferenceError, 1074, nameText(name), displayName(objv));
                const MethodEnv &env = traits->vtable[size_t(b->setter)];
                invoke(env.method, env.scope, objv, &v, 1);
                return;
            }
            default:
                break;
            }
        }
    }
    if (o && o->setOwn(*this, name, v))
        return;
    throwError(ErrorType::ReferenceError, 1056, nameText(name), displayName(objv));
}

bool Vm::deleteProperty(const Value &objv, const Name &name)
{
    if (objv.isNullish())
        throwError(ErrorType::TypeError, objv.isNull() ? 1009 : 1010);
    Object *o = objv.obj();
    const Traits *traits = traitsOf(objv, false);
    if (!name.hasIndex && traits && traits->find(name)) {
        // A fixed property stays; on a primitive the attempt is an error.
        if (!o)
            throwError(ErrorType::ReferenceError, 1120, name.name, displayName(objv));
        return false;
    }
    if (!o)
        return false;
    if (!name.matches(names.publicNs()) && o->kind != ObjKind::Xml && o->kind != ObjKind::XmlList &&
        o->kind != ObjKind::Proxy)
        return false;
    o->deleteOwn(*this, name);
    return true;
}

bool Vm::hasProperty(const Value &objv, const Name &name)
{
    Object *o = objv.obj();
    const Traits *traits = traitsOf(objv, true);
    if (traits && !name.hasIndex && traits->find(name))
        return true;
    if (o) {
        if (o->hasOwn(*this, name))
            return true;
        if (o->kind == ObjKind::Proxy)
            return false;
    }
    if (!name.matches(names.publicNs()))
        return false;
    Name pub = name;
    if (pub.hasIndex && pub.name.isEmpty())
        pub.name = QString::number(pub.index);
    for (Object *p = prototypeOf(objv); p; p = p->proto) {
        if (p->hasOwn(*this, pub))
            return true;
    }
    return false;
}

Value Vm::callProperty(const Value &objv, const Name &name, const Value *args, int argc)
{
    if (objv.isNullish())
        throwError(ErrorType::TypeError, objv.isNull() ? 1009 : 1010);
    Object *o = objv.obj();
    const Traits *traits = traitsOf(objv, true);
    if (traits && !name.hasIndex) {
        if (const Binding *b = traits->find(name); b && b->kind == Binding::Method) {
            const MethodEnv &env = traits->vtable[b->slot];
            return invoke(env.method, env.scope, objv, args, argc);
        }
    }
    if (o && o->kind == ObjKind::Proxy)
        return builtins::proxyCall(*this, o, name, args, argc);
    if (o && (o->kind == ObjKind::Xml || o->kind == ObjKind::XmlList) && !name.attribute) {
        Value r;
        if (builtins::xmlCallMethod(*this, o, name, args, argc, r))
            return r;
    }
    const Value fn = getProperty(objv, name);
    if (!fn.obj() || (fn.o->kind != ObjKind::Function && fn.o->kind != ObjKind::Class))
        throwError(ErrorType::TypeError, 1006, nameText(name));
    return call(fn, objv, args, argc);
}

Value Vm::callPublic(const Value &obj, const QString &n, std::initializer_list<Value> args)
{
    return callProperty(obj, publicName(n), args.begin(), int(args.size()));
}

} // namespace swf::avm2
