#include "swf/avm2/abcfile.h"

#include <cstring>

namespace swf::avm2 {
namespace {

// Caps on what one ABC block may declare; real movies stay far below.
constexpr quint32 kMaxPoolEntries = 1u << 22;
constexpr quint32 kMaxParams = 1u << 14;

class AbcReader {
public:
    explicit AbcReader(QByteArrayView data) : m_data(data) {}

    bool ok() const { return !m_failed; }
    void fail(const char *what)
    {
        if (!m_failed)
            m_error = QString::fromLatin1(what), m_errorAt = m_pos;
        m_failed = true;
    }
    QString error() const { return m_error; }
    qint64 errorAt() const { return m_errorAt; }
    qint64 remaining() const { return m_data.size() - m_pos; }

    quint8 u8()
    {
        if (m_pos >= m_data.size()) {
            fail("ABC data ends early");
            return 0;
        }
        return quint8(m_data[m_pos++]);
    }
    quint16 u16()
    {
        const quint16 lo = u8();
        return quint16(lo | (u8() << 8));
    }
    // Variable-length unsigned integer, seven bits a byte, at most five bytes.
    quint32 u32()
    {
        quint32 result = 0;
        for (int shift = 0; shift < 35; shift += 7) {
            const quint8 b = u8();
            result |= quint32(b & 0x7f) << shift;
            if (!(b & 0x80))
                break;
        }
        return result;
    }
    quint32 u30() { return u32() & 0x3fffffff; }
    qint32 s32() { return qint32(u32()); }
    double d64()
    {
        if (remaining() < 8) {
            fail("ABC data ends early");
            return 0;
        }
        double d;
        std::memcpy(&d, m_data.data() + m_pos, 8); // little-endian on every target we build
        m_pos += 8;
        return d;
    }
    QByteArrayView bytes(quint32 n)
    {
        if (qint64(n) > remaining()) {
            fail("ABC data ends early");
            return {};
        }
        const auto v = m_data.sliced(m_pos, n);
        m_pos += n;
        return v;
    }
    // A count, refused when even its smallest encoding could not fit.
    quint32 count(quint32 minBytesEach = 1)
    {
        const quint32 n = u30();
        if (n > kMaxPoolEntries || qint64(n) * minBytesEach > remaining()) {
            fail("ABC count exceeds the data");
            return 0;
        }
        return n;
    }
    quint32 index(size_t poolSize, const char *what)
    {
        const quint32 i = u30();
        if (i >= poolSize) {
            fail(what);
            return 0;
        }
        return i;
    }

private:
    QByteArrayView m_data;
    qint64 m_pos = 0;
    bool m_failed = false;
    QString m_error;
    qint64 m_errorAt = -1;
};

bool isNamespaceKind(quint8 k)
{
    switch (k) {
    case 0x08: case 0x16: case 0x17: case 0x18: case 0x19: case 0x1A: case 0x05:
        return true;
    default:
        return false;
    }
}

void readPools(AbcReader &r, AbcFile &f)
{
    quint32 n = r.count();
    for (quint32 i = 1; i < n && r.ok(); ++i)
        f.ints.push_back(r.s32());
    n = r.count();
    for (quint32 i = 1; i < n && r.ok(); ++i)
        f.uints.push_back(r.u32());
    n = r.count(8);
    for (quint32 i = 1; i < n && r.ok(); ++i)
        f.doubles.push_back(r.d64());
    n = r.count();
    for (quint32 i = 1; i < n && r.ok(); ++i) {
        const auto b = r.bytes(r.u30());
        f.strings.push_back(QString::fromUtf8(b));
    }
    n = r.count(2);
    for (quint32 i = 1; i < n && r.ok(); ++i) {
        const quint8 k = r.u8();
        if (!isNamespaceKind(k))
            r.fail("unknown namespace kind");
        f.namespaces.push_back({NsKind(k), r.index(f.strings.size(), "namespace name out of range")});
    }
    n = r.count();
    for (quint32 i = 1; i < n && r.ok(); ++i) {
        const quint32 c = r.count();
        std::vector<quint32> set;
        set.reserve(c);
        for (quint32 j = 0; j < c && r.ok(); ++j) {
            const quint32 ns = r.index(f.namespaces.size(), "namespace set entry out of range");
            if (ns == 0)
                r.fail("namespace set holds namespace 0");
            set.push_back(ns);
        }
        f.nsSets.push_back(std::move(set));
    }
    n = r.count();
    for (quint32 i = 1; i < n && r.ok(); ++i) {
        AbcMultiname m;
        m.kind = MnKind(r.u8());
        switch (m.kind) {
        case MnKind::QName:
        case MnKind::QNameA:
            m.ns = r.index(f.namespaces.size(), "multiname namespace out of range");
            m.name = r.index(f.strings.size(), "multiname name out of range");
            break;
        case MnKind::RTQName:
        case MnKind::RTQNameA:
            m.name = r.index(f.strings.size(), "multiname name out of range");
            break;
        case MnKind::RTQNameL:
        case MnKind::RTQNameLA:
            break;
        case MnKind::Multiname:
        case MnKind::MultinameA:
            m.name = r.index(f.strings.size(), "multiname name out of range");
            m.nsSet = r.index(f.nsSets.size(), "multiname namespace set out of range");
            if (m.nsSet == 0)
                r.fail("multiname without namespace set");
            break;
        case MnKind::MultinameL:
        case MnKind::MultinameLA:
            m.nsSet = r.index(f.nsSets.size(), "multiname namespace set out of range");
            if (m.nsSet == 0)
                r.fail("multiname without namespace set");
            break;
        case MnKind::TypeName: {
            // The base and its parameters must be earlier entries: no cycles.
            m.typeBase = r.index(f.multinames.size(), "type name base out of range");
            const quint32 c = r.count();
            for (quint32 j = 0; j < c && r.ok(); ++j)
                m.typeParams.push_back(r.index(f.multinames.size(), "type parameter out of range"));
            break;
        }
        default:
            r.fail("unknown multiname kind");
        }
        f.multinames.push_back(std::move(m));
    }
}

AbcConstant readConstant(AbcReader &r, const AbcFile &f, quint32 index, quint8 kind)
{
    size_t pool = 0;
    switch (kind) {
    case 0x03: pool = f.ints.size(); break;
    case 0x04: pool = f.uints.size(); break;
    case 0x06: pool = f.doubles.size(); break;
    case 0x01: pool = f.strings.size(); break;
    case 0x0A: case 0x0B: case 0x0C: case 0x00: pool = index + 1; break;
    default:
        if (isNamespaceKind(kind))
            pool = f.namespaces.size();
        else
            r.fail("unknown constant kind");
    }
    if (index >= pool)
        r.fail("constant out of range");
    return {kind, index};
}

void readMethods(AbcReader &r, AbcFile &f)
{
    const quint32 n = r.count(4);
    f.methods.reserve(n);
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        AbcMethod m;
        const quint32 params = r.u30();
        if (params > kMaxParams || params > r.remaining())
            r.fail("too many parameters");
        m.returnType = r.index(f.multinames.size(), "return type out of range");
        for (quint32 p = 0; p < params && r.ok(); ++p)
            m.paramTypes.push_back(r.index(f.multinames.size(), "parameter type out of range"));
        m.name = r.index(f.strings.size(), "method name out of range");
        m.flags = r.u8();
        if (m.flags & method_flags::kHasOptional) {
            const quint32 c = r.count(2);
            if (c > params)
                r.fail("more optional parameters than parameters");
            for (quint32 o = 0; o < c && r.ok(); ++o) {
                const quint32 val = r.u30();
                m.optional.push_back(readConstant(r, f, val, r.u8()));
            }
        }
        if (m.flags & method_flags::kHasParamNames) {
            for (quint32 p = 0; p < params && r.ok(); ++p)
                r.index(f.strings.size(), "parameter name out of range");
        }
        f.methods.push_back(std::move(m));
    }
}

void readMetadata(AbcReader &r, const AbcFile &f)
{
    const quint32 n = r.count(2);
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        r.index(f.strings.size(), "metadata name out of range");
        const quint32 items = r.count(2);
        for (quint32 j = 0; j < 2 * items && r.ok(); ++j)
            r.index(f.strings.size(), "metadata item out of range");
    }
}

bool isQName(const AbcFile &f, quint32 mn)
{
    return mn != 0 && (f.multinames[mn].kind == MnKind::QName || f.multinames[mn].kind == MnKind::QNameA);
}

std::vector<AbcTrait> readTraits(AbcReader &r, const AbcFile &f, size_t classCount)
{
    std::vector<AbcTrait> traits;
    const quint32 n = r.count(3);
    traits.reserve(n);
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        AbcTrait t;
        t.name = r.index(f.multinames.size(), "trait name out of range");
        if (!isQName(f, t.name))
            r.fail("trait name is not a QName");
        const quint8 kind = r.u8();
        t.attributes = kind >> 4;
        if ((kind & 0x0f) > 6)
            r.fail("unknown trait kind");
        t.kind = TraitKind(kind & 0x0f);
        t.slotId = r.u30();
        switch (t.kind) {
        case TraitKind::Slot:
        case TraitKind::Const: {
            t.typeName = r.index(f.multinames.size(), "slot type out of range");
            const quint32 v = r.u30();
            if (v)
                t.value = readConstant(r, f, v, r.u8());
            break;
        }
        case TraitKind::Class:
            t.index = r.index(classCount, "trait class out of range");
            break;
        default:
            t.index = r.index(f.methods.size(), "trait method out of range");
        }
        if (t.attributes & 0x4) {
            const quint32 c = r.count();
            for (quint32 j = 0; j < c && r.ok(); ++j)
                r.u30();
        }
        traits.push_back(t);
    }
    return traits;
}

void readClasses(AbcReader &r, AbcFile &f)
{
    const quint32 n = r.count(6);
    f.instances.reserve(n);
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        AbcInstance c;
        c.name = r.index(f.multinames.size(), "class name out of range");
        if (!isQName(f, c.name))
            r.fail("class name is not a QName");
        c.superName = r.index(f.multinames.size(), "superclass name out of range");
        c.flags = r.u8();
        if (c.flags & instance_flags::kProtectedNs)
            c.protectedNs = r.index(f.namespaces.size(), "protected namespace out of range");
        const quint32 ni = r.count();
        for (quint32 j = 0; j < ni && r.ok(); ++j)
            c.interfaces.push_back(r.index(f.multinames.size(), "interface out of range"));
        c.iinit = r.index(f.methods.size(), "instance initialiser out of range");
        c.traits = readTraits(r, f, n);
        f.instances.push_back(std::move(c));
    }
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        AbcClass c;
        c.cinit = r.index(f.methods.size(), "class initialiser out of range");
        c.traits = readTraits(r, f, n);
        f.classes.push_back(std::move(c));
    }
    const quint32 ns = r.count(2);
    for (quint32 i = 0; i < ns && r.ok(); ++i) {
        AbcScript s;
        s.init = r.index(f.methods.size(), "script initialiser out of range");
        s.traits = readTraits(r, f, n);
        f.scripts.push_back(std::move(s));
    }
}

void readBodies(AbcReader &r, AbcFile &f)
{
    const quint32 n = r.count(8);
    f.bodies.reserve(n);
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        AbcBody b;
        b.method = r.index(f.methods.size(), "body method out of range");
        b.maxStack = r.u30();
        b.localCount = r.u30();
        b.initScopeDepth = r.u30();
        b.maxScopeDepth = r.u30();
        b.code = r.bytes(r.u30()).toByteArray();
        const quint32 ne = r.count(5);
        for (quint32 j = 0; j < ne && r.ok(); ++j) {
            AbcException e;
            e.from = r.u30();
            e.to = r.u30();
            e.target = r.u30();
            e.type = r.index(f.multinames.size(), "exception type out of range");
            e.varName = r.index(f.multinames.size(), "exception variable out of range");
            b.exceptions.push_back(e);
        }
        b.traits = readTraits(r, f, f.classes.size());
        if (!r.ok())
            break;
        if (f.methods[b.method].body >= 0)
            r.fail("method has two bodies");
        f.methods[b.method].body = int(f.bodies.size());
        f.bodies.push_back(std::move(b));
    }
}

} // namespace

Result<AbcFile> parseAbc(QByteArrayView bytes)
{
    AbcReader r(bytes);
    AbcFile f;
    f.minorVersion = r.u16();
    f.majorVersion = r.u16();
    readPools(r, f);
    if (r.ok())
        readMethods(r, f);
    if (r.ok())
        readMetadata(r, f);
    if (r.ok())
        readClasses(r, f);
    if (r.ok())
        readBodies(r, f);
    if (!r.ok())
        return Error{ErrorCode::Malformed, -1, r.errorAt(), r.error()};
    return f;
}

} // namespace swf::avm2
