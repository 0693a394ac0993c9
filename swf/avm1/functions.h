// Function objects: built-ins written in C++ and functions a movie
// defines (DefineFunction, DefineFunction2), with the scope they close
// over.
#pragma once

#include "swf/avm1/actions.h"
#include "swf/avm1/object.h"
#include "swf/runtime/displayobject.h"

#include <memory>
#include <vector>

namespace swf::avm1 {

class Machine;

// Arguments of a call; reading past the end gives undefined.
class Args {
public:
    Args() = default;
    Args(const Value *data, int count) : m_data(data), m_count(count) {}
    Args(const std::vector<Value> &values) : m_data(values.data()), m_count(int(values.size())) {}

    int size() const { return m_count; }
    const Value &operator[](int i) const
    {
        static const Value undefined;
        return i >= 0 && i < m_count ? m_data[i] : undefined;
    }
    const Value *begin() const { return m_data; }
    const Value *end() const { return m_data + m_count; }

private:
    const Value *m_data = nullptr;
    int m_count = 0;
};

// Where a called function's `super` looks: by default one prototype above
// the one `this` was made from; none for a plain call by name; a given
// level for calls through `super` itself.
struct SuperBase {
    enum class Kind { FromThis, None, Given } kind = Kind::FromThis;
    Object *home = nullptr;      // its __constructor__ is what super() calls
    Object *prototype = nullptr; // where super's members are looked up
    Value self;                  // FromThis: stands for `this` when set
};

using NativeFunction = Value (*)(Machine &machine, const Value &self, const Args &args);

class FunctionObject final : public Object {
public:
    // A built-in. `construct` answers `new`; without one, `new` makes an
    // object of the function's prototype and calls `call` on it.
    FunctionObject(Object *proto, NativeFunction call, NativeFunction construct = nullptr)
        : Object(proto), m_native(call), m_nativeConstruct(construct)
    {
    }
    // A function of the movie: its code, the scope chain where it was
    // defined (innermost last) and the clip whose timeline defined it.
    FunctionObject(Object *proto, std::shared_ptr<const ActionProgram> program, int index,
                   std::vector<Object *> scope, ObjectHandle definingClip)
        : Object(proto), m_program(std::move(program)), m_index(index), m_scope(std::move(scope)),
          m_definingClip(definingClip)
    {
    }

    ObjectClass objectClass() const override { return ObjectClass::Function; }
    void markChildren(Heap &heap) override;

    bool isNative() const { return m_native != nullptr; }
    NativeFunction native() const { return m_native; }
    NativeFunction nativeConstruct() const { return m_nativeConstruct; }
    const std::shared_ptr<const ActionProgram> &program() const { return m_program; }
    const FunctionCode &code() const { return m_program->functions[size_t(m_index)]; }
    const std::vector<Object *> &scope() const { return m_scope; }
    ObjectHandle definingClip() const { return m_definingClip; }
    // The constant pool in force where it was defined.
    using Pool = std::shared_ptr<const std::vector<StrRef>>;
    const Pool &pool() const { return m_pool; }
    void setPool(Pool pool) { m_pool = std::move(pool); }

private:
    NativeFunction m_native = nullptr;
    NativeFunction m_nativeConstruct = nullptr;
    std::shared_ptr<const ActionProgram> m_program;
    int m_index = 0;
    std::vector<Object *> m_scope;
    ObjectHandle m_definingClip;
    Pool m_pool;
};

} // namespace swf::avm1
