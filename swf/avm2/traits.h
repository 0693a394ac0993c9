// The fixed properties of a class's instances, of a class object, of a
// script's global object or of an activation: names bound to slots,
// methods and accessors, flattened with everything inherited.
#pragma once

#include "swf/avm2/names.h"
#include "swf/avm2/value.h"

#include <QHash>

#include <vector>

namespace swf::avm2 {

class AbcUnit;
class ClassObject;
class ScopeChain;
struct Method;

struct Binding {
    enum Kind : quint8 { None, Slot, Const, Method, Accessor };
    Kind kind = None;
    quint32 slot = 0;          // Slot, Const: slot index; Method: vtable index
    qint32 getter = -1;        // Accessor: vtable indices
    qint32 setter = -1;
};

struct SlotInfo {
    QString name;
    // The declared type, resolved on first use; typeMn 0 is "*".
    AbcUnit *unit = nullptr;
    quint32 typeMn = 0;
    ClassObject *type = nullptr;
    bool typeResolved = false;
    Value initial;
    bool isConst = false;
};

struct MethodEnv {
    Method *method = nullptr;
    ScopeChain *scope = nullptr;
    QString name;
};

class Traits {
public:
    Traits() = default;
    // Starts from everything `base` has.
    explicit Traits(const Traits *base);

    const Binding *find(const Name &name) const;
    const Binding *findQName(const Ns *ns, const QString &name) const;
    // A binding of `name` in any namespace of the set, by name only.
    void add(const Ns *ns, const QString &name, const Binding &b);
    quint32 addSlot(SlotInfo info);
    quint32 addMethod(MethodEnv env);

    void trace(Tracer &t) const;

    // Slot and vtable contents, inherited first.
    std::vector<SlotInfo> slotInfo;
    std::vector<MethodEnv> vtable;
    // Name -> bindings, one per namespace.
    QHash<QString, std::vector<std::pair<const Ns *, Binding>>> table;
    const Ns *protectedNs = nullptr;
};

} // namespace swf::avm2
