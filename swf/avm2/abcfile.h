// An ABC file (ActionScript bytecode) as read from a DoABC tag: constant
// pools, method signatures and bodies, classes, scripts and their traits.
// Every index it holds has been checked against its pool by the reader,
// so the machine indexes the pools without further checks.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace swf::avm2 {

enum class NsKind : quint8 {
    Namespace = 0x08,
    Package = 0x16,
    PackageInternal = 0x17,
    Protected = 0x18,
    Explicit = 0x19,
    StaticProtected = 0x1A,
    Private = 0x05,
};

struct AbcNamespace {
    NsKind kind = NsKind::Namespace;
    quint32 name = 0; // string index
};

enum class MnKind : quint8 {
    QName = 0x07,
    QNameA = 0x0D,
    RTQName = 0x0F,
    RTQNameA = 0x10,
    RTQNameL = 0x11,
    RTQNameLA = 0x12,
    Multiname = 0x09,
    MultinameA = 0x0E,
    MultinameL = 0x1B,
    MultinameLA = 0x1C,
    TypeName = 0x1D,
};

struct AbcMultiname {
    MnKind kind = MnKind::QName;
    quint32 ns = 0;    // QName: namespace index
    quint32 name = 0;  // string index (0 = any)
    quint32 nsSet = 0; // Multiname, MultinameL
    quint32 typeBase = 0;              // TypeName: the generic's multiname
    std::vector<quint32> typeParams;   // TypeName: the parameters' multinames

    bool isAttribute() const
    {
        return kind == MnKind::QNameA || kind == MnKind::RTQNameA || kind == MnKind::RTQNameLA ||
               kind == MnKind::MultinameA || kind == MnKind::MultinameLA;
    }
    bool hasRuntimeNs() const
    {
        return kind == MnKind::RTQName || kind == MnKind::RTQNameA || kind == MnKind::RTQNameL ||
               kind == MnKind::RTQNameLA;
    }
    bool hasRuntimeName() const
    {
        return kind == MnKind::RTQNameL || kind == MnKind::RTQNameLA ||
               kind == MnKind::MultinameL || kind == MnKind::MultinameLA;
    }
};

// A constant of an optional parameter or a slot's initial value.
struct AbcConstant {
    quint8 kind = 0; // 0 = none/undefined; the constant kinds of the format
    quint32 index = 0;
};

namespace method_flags {
inline constexpr quint8 kNeedArguments = 0x01;
inline constexpr quint8 kNeedActivation = 0x02;
inline constexpr quint8 kNeedRest = 0x04;
inline constexpr quint8 kHasOptional = 0x08;
inline constexpr quint8 kSetDxns = 0x40;
inline constexpr quint8 kHasParamNames = 0x80;
} // namespace method_flags

struct AbcMethod {
    quint32 returnType = 0;
    std::vector<quint32> paramTypes;
    quint32 name = 0;
    quint8 flags = 0;
    std::vector<AbcConstant> optional;
    int body = -1; // index into bodies, or -1
};

enum class TraitKind : quint8 { Slot = 0, Method = 1, Getter = 2, Setter = 3, Class = 4, Function = 5, Const = 6 };

struct AbcTrait {
    quint32 name = 0; // a QName multiname
    TraitKind kind = TraitKind::Slot;
    quint8 attributes = 0; // final 1, override 2, metadata 4
    quint32 slotId = 0;    // slot and const, class, function; disp_id for methods
    quint32 typeName = 0;  // slot and const
    AbcConstant value;     // slot and const
    quint32 index = 0;     // class index, or method index
};

struct AbcException {
    quint32 from = 0, to = 0, target = 0;
    quint32 type = 0, varName = 0;
};

struct AbcBody {
    quint32 method = 0;
    quint32 maxStack = 0, localCount = 0, initScopeDepth = 0, maxScopeDepth = 0;
    QByteArray code;
    std::vector<AbcException> exceptions;
    std::vector<AbcTrait> traits;
};

namespace instance_flags {
inline constexpr quint8 kSealed = 0x01;
inline constexpr quint8 kFinal = 0x02;
inline constexpr quint8 kInterface = 0x04;
inline constexpr quint8 kProtectedNs = 0x08;
} // namespace instance_flags

struct AbcInstance {
    quint32 name = 0, superName = 0;
    quint8 flags = 0;
    quint32 protectedNs = 0;
    std::vector<quint32> interfaces;
    quint32 iinit = 0;
    std::vector<AbcTrait> traits;
};

struct AbcClass {
    quint32 cinit = 0;
    std::vector<AbcTrait> traits;
};

struct AbcScript {
    quint32 init = 0;
    std::vector<AbcTrait> traits;
};

struct AbcFile {
    quint16 minorVersion = 0, majorVersion = 0;
    // Index 0 of each pool is the format's "none" entry.
    std::vector<qint32> ints{0};
    std::vector<quint32> uints{0};
    std::vector<double> doubles{0.0};
    std::vector<QString> strings{QString()};
    std::vector<AbcNamespace> namespaces{AbcNamespace()};
    std::vector<std::vector<quint32>> nsSets{{}};
    std::vector<AbcMultiname> multinames{AbcMultiname()};
    std::vector<AbcMethod> methods;
    std::vector<AbcInstance> instances;
    std::vector<AbcClass> classes;
    std::vector<AbcScript> scripts;
    std::vector<AbcBody> bodies;
};

// Reads and checks a whole ABC block: every count against the bytes left,
// every index against its pool.
Result<AbcFile> parseAbc(QByteArrayView bytes);

} // namespace swf::avm2
