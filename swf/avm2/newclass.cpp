// Making a class from its ABC instance and class records when newclass
// runs: instance traits over the base's, interfaces, statics, prototype,
// then the static initialiser.
#include "swf/avm2/abcunit.h"

#include "swf/avm2/vm.h"

namespace swf::avm2 {
namespace {

void collectInterfaces(ClassObject *iface, std::vector<ClassObject *> &out)
{
    if (std::find(out.begin(), out.end(), iface) != out.end())
        return;
    out.push_back(iface);
    for (ClassObject *i : iface->interfaces)
        collectInterfaces(i, out);
}

// Interface methods are called by the interface's namespace; bind those
// names to the class's public methods of the same name.
void bindInterfaceNames(Vm &vm, ClassObject *c)
{
    Traits &t = *c->instanceTraits;
    for (ClassObject *iface : c->interfaces) {
        for (auto it = iface->instanceTraits->table.constBegin(); it != iface->instanceTraits->table.constEnd(); ++it) {
            for (const auto &[ns, b] : it.value()) {
                if (t.findQName(ns, it.key()))
                    continue;
                if (const Binding *pub = t.findQName(vm.names.publicNs(), it.key()))
                    t.add(ns, it.key(), *pub);
            }
        }
    }
}

// Protected members stay reachable through the subclass's own protected
// namespace.
void aliasProtected(Traits &t, const Ns *baseNs, const Ns *ownNs)
{
    if (!baseNs || !ownNs || baseNs == ownNs)
        return;
    std::vector<std::pair<QString, Binding>> add;
    for (auto it = t.table.constBegin(); it != t.table.constEnd(); ++it) {
        for (const auto &[ns, b] : it.value()) {
            if (ns == baseNs)
                add.emplace_back(it.key(), b);
        }
    }
    for (const auto &[name, b] : add)
        t.add(ownNs, name, b);
}

} // namespace

ClassObject *AbcUnit::newClass(quint32 index, ClassObject *base, ScopeChain *scope)
{
    if (classes[index])
        vm.throwError(ErrorType::VerifyError, 1108);
    const AbcInstance &inst = file.instances[index];
    const AbcClass &ci = file.classes[index];
    if (base && base->final)
        vm.throwError(ErrorType::VerifyError, 1103, qualifiedName(inst.name));
    if (base && base->isInterface)
        vm.throwError(ErrorType::VerifyError, 1110, qualifiedName(inst.name), base->name);
    auto *c = vm.heap.make<ClassObject>(vm.classClass, nullptr, vm.classClass ? vm.classClass->prototype : nullptr);
    PinScope pin(vm);
    pin.pin(Value::object(c));
    const Name &n = names[inst.name].name;
    c->name = n.name;
    c->ns = n.ns;
    c->base = base;
    c->unit = this;
    c->classIndex = int(index);
    c->sealed = inst.flags & instance_flags::kSealed;
    c->final = inst.flags & instance_flags::kFinal;
    c->isInterface = inst.flags & instance_flags::kInterface;
    if (base) {
        c->allocFn = base->allocFn;
        c->instanceKind = base->instanceKind;
    }
    for (quint32 mn : inst.interfaces) {
        ClassObject *i = resolveType(mn);
        if (!i || !i->isInterface)
            vm.throwError(ErrorType::VerifyError, 1111, c->name, qualifiedName(mn));
        collectInterfaces(i, c->interfaces);
    }
    c->instanceTraits = std::make_unique<Traits>(base ? base->instanceTraits.get() : nullptr);
    c->instanceTraits->protectedNs = inst.protectedNs ? namespaces[inst.protectedNs] : nullptr;
    if (base && base->instanceTraits)
        aliasProtected(*c->instanceTraits, base->instanceTraits->protectedNs, c->instanceTraits->protectedNs);
    const ScopeChain::Entry self{Value::object(c), false};
    c->instanceScope = vm.newScope(scope, &self, 1);
    buildTraits(*c->instanceTraits, inst.traits, c->instanceScope, c);
    bindInterfaceNames(vm, c);
    c->ownTraits = std::make_unique<Traits>(vm.classClass->instanceTraits.get());
    buildTraits(*c->ownTraits, ci.traits, c->instanceScope, c);
    c->traits = c->ownTraits.get();
    for (const auto &s : c->ownTraits->slotInfo)
        c->slotv.push_back(s.initial);
    c->m_dynamic = true;
    c->iinit = methods[inst.iinit].get();
    c->iinit->declaringClass = c;
    c->iinit->name = c->name;
    Object *proto = vm.heap.make<Object>(vm.objectClass, nullptr,
                                         base ? base->prototype : (vm.objectClass ? vm.objectClass->prototype : nullptr));
    c->prototype = proto;
    proto->dyn().set(QStringLiteral("constructor"), Value::object(c));
    proto->dyn().find(QStringLiteral("constructor"))->dontEnum = true;
    classes[index] = c;
    Method *cinit = methods[ci.cinit].get();
    cinit->declaringClass = c;
    vm.invoke(cinit, scope, Value::object(c), nullptr, 0);
    return c;
}

} // namespace swf::avm2
