#include "swf/avm2/vm.h"

#include "swf/avm2/abcunit.h"
#include "swf/avm2/builtins.h"
#include "swf/avm2/bytearrayobject.h"
#include "swf/avm2/log.h"

namespace swf::avm2 {
namespace {

// Values in the machine's stack: frames of 256 nested calls fit easily.
constexpr size_t kStackValues = size_t(1) << 20;

} // namespace

Vm::Vm(VmOptions opts) : options(std::move(opts))
{
    stack.resize(kStackValues);
    withFlags.resize(kStackValues);
    timer.start();
    builtins::installCore(*this);
}

Vm::~Vm() = default;

qint64 Vm::nowMs() const
{
    return options.clock ? options.clock() : timer.elapsed();
}

QString Vm::loadAbc(const QByteArray &bytes, bool lazy)
{
    auto parsed = parseAbc(bytes);
    if (!parsed)
        return parsed.error().message;
    if (parsed->scripts.empty())
        return QStringLiteral("no scripts");
    units.push_back(std::make_unique<AbcUnit>(*this, std::move(*parsed)));
    AbcUnit *unit = units.back().get();
    std::vector<ScriptEntry *> added;
    for (size_t i = 0; i < unit->file.scripts.size(); ++i) {
        auto entry = std::make_unique<ScriptEntry>();
        entry->unit = unit;
        entry->index = int(i);
        auto *traits = new Traits();
        unitTraits.emplace_back(traits);
        auto *global = heap.make<Object>(objectClass, traits, objectClass->prototype, ObjKind::Global);
        entry->global = global;
        const ScopeChain::Entry e{Value::object(global), false};
        ScopeChain *scope = newScope(nullptr, &e, 1);
        unit->buildTraits(*traits, unit->file.scripts[i].traits, scope, nullptr);
        for (const auto &s : traits->slotInfo)
            global->slotv.push_back(s.initial);
        for (const AbcTrait &t : unit->file.scripts[i].traits) {
            const Name &n = unit->names[t.name].name;
            domain[n.name].emplace_back(n.ns, entry.get());
        }
        entry->scope = scope;
        added.push_back(entry.get());
        scripts.push_back(std::move(entry));
    }
    if (!lazy)
        runScript(added.back());
    return {};
}

ScriptEntry *Vm::findScript(const Name &name, bool run)
{
    const auto it = domain.constFind(name.name);
    if (it == domain.constEnd())
        return nullptr;
    for (const auto &[ns, entry] : *it) {
        if (name.matches(ns)) {
            if (run && entry->state == ScriptEntry::NotRun)
                runScript(entry);
            return entry;
        }
    }
    return nullptr;
}

void Vm::runScript(ScriptEntry *s)
{
    if (s->state != ScriptEntry::NotRun)
        return;
    s->state = ScriptEntry::Running;
    Method *init = s->unit->methods[s->unit->file.scripts[size_t(s->index)].init].get();
    invoke(init, s->scope, Value::object(s->global), nullptr, 0);
    s->state = ScriptEntry::Done;
}

Value Vm::definitionByName(const QString &qualified)
{
    Name n;
    const qsizetype sep = qualified.lastIndexOf(QStringLiteral("::")) >= 0
                              ? qualified.lastIndexOf(QStringLiteral("::"))
                              : qualified.lastIndexOf(QLatin1Char('.'));
    const QString pkg = sep >= 0 ? qualified.left(sep) : QString();
    n.name = sep >= 0 ? qualified.mid(sep + (qualified.mid(sep, 2) == QLatin1String("::") ? 2 : 1)) : qualified;
    n.ns = names.intern(NsCat::Public, pkg);
    ScriptEntry *s = findScript(n, true);
    if (!s)
        return Value();
    return getProperty(Value::object(s->global), n);
}

void Vm::checkTimeout()
{
    const qint64 elapsed = nowMs() - startMs;
    if (elapsed > qint64(options.timeoutSeconds) * 2000)
        throw ScriptAbort{};
    if (elapsed > qint64(options.timeoutSeconds) * 1000 && !timedOut) {
        timedOut = true;
        throwError(ErrorType::Error, 1502);
    }
}

void Vm::safePoint()
{
    if ((++safePoints & 1023) == 0)
        checkTimeout();
    if (nativeDepth == 0 && heap.wantsCollect())
        collect();
}

void Vm::collect()
{
    heap.collect([this](Tracer &t) { traceRoots(t); },
                 [this] { builtins::sweepWeak(*this); });
}

void Vm::traceRoots(Tracer &t)
{
    for (size_t i = 0; i < stackTop; ++i)
        t.mark(stack[i]);
    for (const auto &f : frameRoots) {
        t.mark(f.callee);
        t.mark(f.scope);
    }
    t.markAll(pinned);
    t.mark(root);
    t.mark(applicationDomain);
    t.mark(domainMemory);
    for (const auto &timer : timers) {
        t.mark(timer.fn);
        t.markAll(timer.args);
    }
    t.mark(builtinGlobal);
    for (const auto &s : scripts) {
        t.mark(s->global);
        t.mark(s->scope);
    }
    for (const auto &u : units)
        u->trace(t);
    for (auto it = vectorClasses.constBegin(); it != vectorClasses.constEnd(); ++it)
        t.mark(it.value());
    builtins::traceCore(*this, t);
}

} // namespace swf::avm2
