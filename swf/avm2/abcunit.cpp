// Linking an ABC file into the machine: pools resolved, traits built into
// trait tables, classes made when newclass runs.
#include "swf/avm2/abcunit.h"

#include "swf/avm2/builtins.h"
#include "swf/avm2/vm.h"

#include <cmath>

namespace swf::avm2 {
namespace {

NsCat categoryOf(NsKind k)
{
    switch (k) {
    case NsKind::PackageInternal: return NsCat::Internal;
    case NsKind::Protected: return NsCat::Protected;
    case NsKind::Explicit: return NsCat::Explicit;
    case NsKind::StaticProtected: return NsCat::StaticProtected;
    case NsKind::Private: return NsCat::Private;
    default: return NsCat::Public;
    }
}

} // namespace

AbcUnit::AbcUnit(Vm &v, AbcFile f) : vm(v), file(std::move(f))
{
    strings.assign(file.strings.size(), nullptr);
    namespaces.reserve(file.namespaces.size());
    namespaces.push_back(nullptr);
    for (size_t i = 1; i < file.namespaces.size(); ++i) {
        const AbcNamespace &n = file.namespaces[i];
        const QString &uri = file.strings[n.name];
        namespaces.push_back(n.kind == NsKind::Private ? vm.names.makePrivate(uri)
                                                        : vm.names.intern(categoryOf(n.kind), uri));
    }
    nsSets.reserve(file.nsSets.size());
    for (const auto &set : file.nsSets) {
        NsSet s;
        for (quint32 i : set)
            s.push_back(namespaces[i]);
        nsSets.push_back(std::move(s));
    }
    names.resize(file.multinames.size());
    for (size_t i = 1; i < file.multinames.size(); ++i) {
        const AbcMultiname &m = file.multinames[i];
        ResolvedName &r = names[i];
        r.name.attribute = m.isAttribute();
        r.runtimeNs = m.hasRuntimeNs();
        r.runtimeName = m.hasRuntimeName();
        r.typeName = m.kind == MnKind::TypeName;
        if (!r.runtimeName && !r.typeName) {
            r.name.name = file.strings[m.name];
            r.name.anyName = m.name == 0;
        }
        if (m.kind == MnKind::QName || m.kind == MnKind::QNameA) {
            r.name.ns = namespaces[m.ns];
            r.name.anyNs = m.ns == 0;
        } else if (m.kind == MnKind::Multiname || m.kind == MnKind::MultinameA ||
                   m.kind == MnKind::MultinameL || m.kind == MnKind::MultinameLA) {
            r.name.set = &nsSets[m.nsSet];
        } else if (r.typeName) {
            r.name = names[m.typeBase].name;
        }
    }
    methods.reserve(file.methods.size());
    for (size_t i = 0; i < file.methods.size(); ++i) {
        auto m = std::make_unique<Method>();
        m->unit = this;
        m->index = quint32(i);
        m->name = file.strings[file.methods[i].name];
        m->paramCount = int(file.methods[i].paramTypes.size());
        m->optionalCount = int(file.methods[i].optional.size());
        m->flags = file.methods[i].flags;
        methods.push_back(std::move(m));
    }
    classes.assign(file.instances.size(), nullptr);
}

Str *AbcUnit::string(quint32 i)
{
    if (!strings[i])
        strings[i] = vm.heap.make<Str>(file.strings[i]);
    return strings[i];
}

Value AbcUnit::constant(const AbcConstant &c)
{
    switch (c.kind) {
    case 0x03: return Value::integer(file.ints[c.index]);
    case 0x04: return Value::uinteger(file.uints[c.index]);
    case 0x06: return Value::number(file.doubles[c.index]);
    case 0x01: return Value::string(string(c.index));
    case 0x0B: return Value::boolean(true);
    case 0x0A: return Value::boolean(false);
    case 0x0C: return Value::null();
    case 0x00: return Value();
    default: return builtins::makeNamespace(vm, namespaces[c.index]);
    }
}

QString AbcUnit::qualifiedName(quint32 mn) const
{
    if (mn == 0 || mn >= file.multinames.size())
        return QStringLiteral("*");
    const AbcMultiname &m = file.multinames[mn];
    if (m.kind == MnKind::TypeName) {
        QString s = qualifiedName(m.typeBase) + QStringLiteral(".<");
        for (size_t i = 0; i < m.typeParams.size(); ++i)
            s += (i ? QStringLiteral(",") : QString()) + qualifiedName(m.typeParams[i]);
        return s + QLatin1Char('>');
    }
    const Name &n = names[mn].name;
    if (n.ns && !n.ns->uri.isEmpty() && n.ns->cat == NsCat::Public)
        return n.ns->uri + QLatin1Char('.') + n.name;
    return n.name;
}

ClassObject *AbcUnit::resolveType(quint32 mn)
{
    if (mn == 0 || mn >= file.multinames.size())
        return nullptr;
    const AbcMultiname &m = file.multinames[mn];
    if (m.kind == MnKind::TypeName) {
        ClassObject *base = resolveType(m.typeBase);
        std::vector<Value> params;
        for (quint32 p : m.typeParams) {
            ClassObject *c = resolveType(p);
            params.push_back(c ? Value::object(c) : Value::null());
        }
        if (!base)
            return nullptr;
        const Value v = vm.applyType(Value::object(base), params.data(), int(params.size()));
        return static_cast<ClassObject *>(v.obj());
    }
    const Name &n = names[mn].name;
    if (n.anyName || names[mn].runtimeName || names[mn].runtimeNs)
        return nullptr;
    if (n.name == QLatin1String("void"))
        return nullptr;
    ScriptEntry *s = vm.findScript(n, true);
    if (!s)
        return nullptr;
    const Traits *t = s->global->traits;
    const Binding *b = t ? t->find(n) : nullptr;
    if (!b || (b->kind != Binding::Slot && b->kind != Binding::Const))
        return nullptr;
    const Value v = s->global->slotv[b->slot];
    Object *o = v.obj();
    return o && o->kind == ObjKind::Class ? static_cast<ClassObject *>(o) : nullptr;
}

static Value defaultFor(const QString &type)
{
    if (type == QLatin1String("int") || type == QLatin1String("uint"))
        return Value::integer(0);
    if (type == QLatin1String("Number"))
        return Value::number(std::nan(""));
    if (type == QLatin1String("Boolean"))
        return Value::boolean(false);
    if (type == QLatin1String("*"))
        return Value();
    return Value::null();
}

void AbcUnit::buildTraits(Traits &traits, const std::vector<AbcTrait> &list, ScopeChain *scope, ClassObject *owner)
{
    const size_t baseSlots = traits.slotInfo.size();
    for (const AbcTrait &t : list) {
        const Name &n = names[t.name].name;
        const Ns *ns = n.ns ? n.ns : vm.names.publicNs();
        Binding b;
        switch (t.kind) {
        case TraitKind::Slot:
        case TraitKind::Const:
        case TraitKind::Class:
        case TraitKind::Function: {
            SlotInfo s;
            s.name = n.name;
            s.unit = this;
            s.isConst = t.kind != TraitKind::Slot;
            if (t.kind == TraitKind::Slot || t.kind == TraitKind::Const) {
                s.typeMn = t.typeName;
                s.initial = t.value.kind || t.value.index ? constant(t.value) : defaultFor(qualifiedName(t.typeName));
                if (t.value.kind == 0 && t.value.index == 0)
                    s.initial = defaultFor(qualifiedName(t.typeName));
            } else if (t.kind == TraitKind::Function) {
                s.initial = Value::object(vm.newFunction(methods[t.index].get(), scope));
            } else {
                s.initial = Value::null();
            }
            b.kind = t.kind == TraitKind::Slot ? Binding::Slot : Binding::Const;
            if (t.slotId) {
                const size_t at = baseSlots + t.slotId - 1;
                if (at < baseSlots + 65536) {
                    if (traits.slotInfo.size() <= at)
                        traits.slotInfo.resize(at + 1);
                    traits.slotInfo[at] = s;
                    b.slot = quint32(at);
                } else {
                    b.slot = traits.addSlot(s);
                }
            } else {
                b.slot = traits.addSlot(s);
            }
            traits.add(ns, n.name, b);
            break;
        }
        case TraitKind::Method: {
            Method *m = methods[t.index].get();
            m->declaringClass = owner;
            if (m->name.isEmpty() || m->name.contains(QLatin1Char('/')) == false)
                m->name = owner ? owner->name + QLatin1Char('/') + n.name : n.name;
            const Binding *old = traits.findQName(ns, n.name);
            if (old && old->kind == Binding::Method) {
                traits.vtable[old->slot] = {m, scope, n.name};
                break;
            }
            b.kind = Binding::Method;
            b.slot = traits.addMethod({m, scope, n.name});
            traits.add(ns, n.name, b);
            break;
        }
        case TraitKind::Getter:
        case TraitKind::Setter: {
            Method *m = methods[t.index].get();
            m->declaringClass = owner;
            const Binding *old = traits.findQName(ns, n.name);
            if (old && old->kind == Binding::Accessor)
                b = *old;
            b.kind = Binding::Accessor;
            const qint32 idx = qint32(traits.addMethod({m, scope, n.name}));
            (t.kind == TraitKind::Getter ? b.getter : b.setter) = idx;
            traits.add(ns, n.name, b);
            break;
        }
        }
    }
}

void AbcUnit::trace(Tracer &t) const
{
    for (const Str *s : strings)
        t.mark(s);
    for (const ClassObject *c : classes)
        t.mark(c);
}

} // namespace swf::avm2
