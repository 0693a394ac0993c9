// flash.utils.ByteArray, and the domain memory that the memory opcodes
// read through flash.system.ApplicationDomain.
#include "swf/avm2/bytearrayobject.h"
#include "swf/avm2/natives.h"

#include <QStringDecoder>

#include <cstring>
#include <lzma.h>
#include <zlib.h>

namespace swf::avm2 {

// A script can make one byte array this large at most.
constexpr qsizetype kMaxBytes = qsizetype(1) << 30;

bool ByteArrayObject::getOwn(Vm &vm, const Name &name, Value &out)
{
    if (name.hasIndex) {
        out = name.index < quint32(data.size()) ? Value::integer(quint8(data[qsizetype(name.index)])) : Value();
        return true;
    }
    return Object::getOwn(vm, name, out);
}

bool ByteArrayObject::setOwn(Vm &vm, const Name &name, const Value &v)
{
    if (name.hasIndex) {
        if (name.index >= quint32(kMaxBytes))
            vm.throwError(ErrorType::Error, 1000);
        if (name.index >= quint32(data.size()))
            data.resize(qsizetype(name.index) + 1, '\0');
        data[qsizetype(name.index)] = char(vm.toInt32(v));
        return true;
    }
    return Object::setOwn(vm, name, v);
}

bool ByteArrayObject::hasOwn(Vm &vm, const Name &name)
{
    if (name.hasIndex)
        return name.index < quint32(data.size());
    return Object::hasOwn(vm, name);
}

namespace builtins {
namespace {

ByteArrayObject *ba(Vm &vm, const Value &v)
{
    Object *o = v.obj();
    if (!o || o->kind != ObjKind::ByteArray)
        vm.throwError(ErrorType::TypeError, 1034, vm.displayName(v), QStringLiteral("flash.utils.ByteArray"));
    return static_cast<ByteArrayObject *>(o);
}

Object *allocByteArray(Vm &vm, ClassObject *cls)
{
    return vm.heap.make<ByteArrayObject>(cls, cls->instanceTraits.get(), cls->prototype);
}

// Reads `n` bytes at the position, or throws EOFError.
const char *take(Vm &vm, ByteArrayObject *b, quint32 n)
{
    if (quint64(b->position) + n > quint64(b->data.size()))
        vm.throwError(ErrorType::EOFError, 2030);
    const char *p = b->data.constData() + b->position;
    b->position += n;
    return p;
}

void put(Vm &vm, ByteArrayObject *b, const char *p, qsizetype n)
{
    const qint64 end = qint64(b->position) + n;
    if (end > kMaxBytes)
        vm.throwError(ErrorType::Error, 1000);
    if (end > b->data.size())
        b->data.resize(end, '\0');
    std::memcpy(b->data.data() + b->position, p, size_t(n));
    b->position = quint32(end);
}

template <typename T> T readNumber(Vm &vm, ByteArrayObject *b)
{
    char buf[sizeof(T)];
    std::memcpy(buf, take(vm, b, sizeof(T)), sizeof(T));
    if (!b->littleEndian)
        std::reverse(buf, buf + sizeof(T));
    T v;
    std::memcpy(&v, buf, sizeof(T));
    return v;
}

template <typename T> void writeNumber(Vm &vm, ByteArrayObject *b, T v)
{
    char buf[sizeof(T)];
    std::memcpy(buf, &v, sizeof(T));
    if (!b->littleEndian)
        std::reverse(buf, buf + sizeof(T));
    put(vm, b, buf, sizeof(T));
}

NATIVE(getLength) { return Value::uinteger(quint32(ba(vm, self)->data.size())); }
NATIVE(setLength)
{
    ByteArrayObject *b = ba(vm, self);
    const double n = argNumber(vm, args, argc, 0, 0);
    if (!(n >= 0) || n > double(kMaxBytes))
        vm.throwError(ErrorType::Error, 1000);
    b->data.resize(qsizetype(n), '\0');
    if (b->position > quint32(n))
        b->position = quint32(n);
    return Value();
}
NATIVE(getPosition) { return Value::uinteger(ba(vm, self)->position); }
NATIVE(setPosition)
{
    ba(vm, self)->position = vm.toUint32(arg(args, argc, 0));
    return Value();
}
NATIVE(bytesAvailable)
{
    ByteArrayObject *b = ba(vm, self);
    return Value::uinteger(b->position < quint32(b->data.size()) ? quint32(b->data.size()) - b->position : 0);
}
NATIVE(getEndian)
{
    return vm.sv(ba(vm, self)->littleEndian ? QStringLiteral("littleEndian") : QStringLiteral("bigEndian"));
}
NATIVE(setEndian)
{
    const QString e = argString(vm, args, argc, 0);
    if (e == QLatin1String("littleEndian"))
        ba(vm, self)->littleEndian = true;
    else if (e == QLatin1String("bigEndian"))
        ba(vm, self)->littleEndian = false;
    else
        vm.throwError(ErrorType::ArgumentError, 2008, QStringLiteral("type"));
    return Value();
}
NATIVE(clear)
{
    ByteArrayObject *b = ba(vm, self);
    b->data.clear();
    b->position = 0;
    return Value();
}

NATIVE(readBoolean) { return Value::boolean(*take(vm, ba(vm, self), 1) != 0); }
NATIVE(readByte) { return Value::integer(qint8(*take(vm, ba(vm, self), 1))); }
NATIVE(readUnsignedByte) { return Value::integer(quint8(*take(vm, ba(vm, self), 1))); }
NATIVE(readShort) { return Value::integer(readNumber<qint16>(vm, ba(vm, self))); }
NATIVE(readUnsignedShort) { return Value::integer(readNumber<quint16>(vm, ba(vm, self))); }
NATIVE(readInt) { return Value::integer(readNumber<qint32>(vm, ba(vm, self))); }
NATIVE(readUnsignedInt) { return Value::uinteger(readNumber<quint32>(vm, ba(vm, self))); }
NATIVE(readFloat) { return Value::number(double(readNumber<float>(vm, ba(vm, self)))); }
NATIVE(readDouble) { return Value::number(readNumber<double>(vm, ba(vm, self))); }

QString decodeUtf8(const char *p, qsizetype n)
{
    QByteArrayView bytes(p, n);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);
    return QString::fromUtf8(bytes);
}

NATIVE(readUTFBytes)
{
    ByteArrayObject *b = ba(vm, self);
    const quint32 n = vm.toUint32(arg(args, argc, 0));
    const char *p = take(vm, b, n);
    return vm.sv(decodeUtf8(p, n));
}
NATIVE(readUTF)
{
    ByteArrayObject *b = ba(vm, self);
    const quint16 n = readNumber<quint16>(vm, b);
    const char *p = take(vm, b, n);
    return vm.sv(decodeUtf8(p, n));
}
NATIVE(readMultiByte)
{
    ByteArrayObject *b = ba(vm, self);
    const quint32 n = vm.toUint32(arg(args, argc, 0));
    const char *p = take(vm, b, n);
    const QString charset = argString(vm, args, argc, 1).toLower();
    if (charset.contains(QLatin1String("utf")) && !charset.contains(QLatin1String("16")))
        return vm.sv(decodeUtf8(p, n));
    QStringDecoder dec(charset.toUtf8().constData());
    if (!dec.isValid())
        return vm.sv(QString::fromLatin1(p, n));
    return vm.sv(dec.decode(QByteArrayView(p, n)));
}
NATIVE(readBytes)
{
    ByteArrayObject *b = ba(vm, self);
    ByteArrayObject *dst = ba(vm, arg(args, argc, 0));
    const quint32 offset = vm.toUint32(arg(args, argc, 1));
    quint32 n = vm.toUint32(arg(args, argc, 2));
    if (n == 0)
        n = b->position < quint32(b->data.size()) ? quint32(b->data.size()) - b->position : 0;
    const char *p = take(vm, b, n);
    const QByteArray copy(p, n);
    if (quint64(offset) + n > quint64(kMaxBytes))
        vm.throwError(ErrorType::Error, 1000);
    if (qsizetype(offset + n) > dst->data.size())
        dst->data.resize(qsizetype(offset + n), '\0');
    std::memcpy(dst->data.data() + offset, copy.constData(), n);
    return Value();
}

NATIVE(writeBoolean)
{
    const char c = vm.toBoolean(arg(args, argc, 0)) ? 1 : 0;
    put(vm, ba(vm, self), &c, 1);
    return Value();
}
NATIVE(writeByte)
{
    const char c = char(vm.toInt32(arg(args, argc, 0)));
    put(vm, ba(vm, self), &c, 1);
    return Value();
}
NATIVE(writeShort) { writeNumber<qint16>(vm, ba(vm, self), qint16(vm.toInt32(arg(args, argc, 0)))); return Value(); }
NATIVE(writeInt) { writeNumber<qint32>(vm, ba(vm, self), vm.toInt32(arg(args, argc, 0))); return Value(); }
NATIVE(writeUnsignedInt) { writeNumber<quint32>(vm, ba(vm, self), vm.toUint32(arg(args, argc, 0))); return Value(); }
NATIVE(writeFloat) { writeNumber<float>(vm, ba(vm, self), float(argNumber(vm, args, argc, 0, 0))); return Value(); }
NATIVE(writeDouble) { writeNumber<double>(vm, ba(vm, self), argNumber(vm, args, argc, 0, 0)); return Value(); }
NATIVE(writeUTFBytes)
{
    const QByteArray u = argString(vm, args, argc, 0).toUtf8();
    put(vm, ba(vm, self), u.constData(), u.size());
    return Value();
}
NATIVE(writeUTF)
{
    const QByteArray u = argString(vm, args, argc, 0).toUtf8();
    if (u.size() > 65535)
        vm.throwError(ErrorType::RangeError, 2006);
    ByteArrayObject *b = ba(vm, self);
    writeNumber<quint16>(vm, b, quint16(u.size()));
    put(vm, b, u.constData(), u.size());
    return Value();
}
NATIVE(writeMultiByte)
{
    const QString s = argString(vm, args, argc, 0);
    const QString charset = argString(vm, args, argc, 1).toLower();
    QByteArray bytes;
    QStringEncoder enc(charset.toUtf8().constData());
    bytes = enc.isValid() ? QByteArray(enc.encode(s)) : s.toUtf8();
    put(vm, ba(vm, self), bytes.constData(), bytes.size());
    return Value();
}
NATIVE(writeBytes)
{
    ByteArrayObject *b = ba(vm, self);
    ByteArrayObject *src = ba(vm, arg(args, argc, 0));
    const quint32 offset = vm.toUint32(arg(args, argc, 1));
    quint32 n = vm.toUint32(arg(args, argc, 2));
    const quint32 size = quint32(src->data.size());
    if (offset > size)
        vm.throwError(ErrorType::RangeError, 2006);
    if (n == 0)
        n = size - offset;
    if (quint64(offset) + n > size)
        vm.throwError(ErrorType::RangeError, 2006);
    const QByteArray copy = src->data.mid(offset, n);
    put(vm, b, copy.constData(), copy.size());
    return Value();
}

NATIVE(byteArrayToString)
{
    const QByteArray &d = ba(vm, self)->data;
    if (d.startsWith("\xFE\xFF"))
        return vm.sv(QStringDecoder(QStringDecoder::Utf16BE).decode(d.mid(2)));
    if (d.startsWith("\xFF\xFE"))
        return vm.sv(QStringDecoder(QStringDecoder::Utf16LE).decode(d.mid(2)));
    return vm.sv(decodeUtf8(d.constData(), d.size()));
}

QByteArray zlibRun(const QByteArray &in, bool compress, bool raw, bool &ok)
{
    z_stream z{};
    const int bits = raw ? -15 : 15;
    ok = (compress ? deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, bits, 8, Z_DEFAULT_STRATEGY)
                   : inflateInit2(&z, bits)) == Z_OK;
    if (!ok)
        return {};
    QByteArray out;
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.constData()));
    z.avail_in = uInt(in.size());
    char buf[65536];
    int r;
    do {
        z.next_out = reinterpret_cast<Bytef *>(buf);
        z.avail_out = sizeof buf;
        r = compress ? deflate(&z, Z_FINISH) : inflate(&z, Z_NO_FLUSH);
        out.append(buf, qsizetype(sizeof buf - z.avail_out));
        if (out.size() > kMaxBytes)
            r = Z_MEM_ERROR;
    } while (r == Z_OK);
    ok = r == Z_STREAM_END;
    compress ? deflateEnd(&z) : inflateEnd(&z);
    return out;
}

QByteArray lzmaRun(const QByteArray &in, bool compress, bool &ok)
{
    lzma_stream s = LZMA_STREAM_INIT;
    if (compress) {
        lzma_options_lzma opt;
        lzma_lzma_preset(&opt, 6);
        ok = lzma_alone_encoder(&s, &opt) == LZMA_OK;
    } else {
        ok = lzma_alone_decoder(&s, quint64(kMaxBytes)) == LZMA_OK;
    }
    if (!ok)
        return {};
    QByteArray out;
    s.next_in = reinterpret_cast<const uint8_t *>(in.constData());
    s.avail_in = size_t(in.size());
    uint8_t buf[65536];
    lzma_ret r;
    do {
        s.next_out = buf;
        s.avail_out = sizeof buf;
        r = lzma_code(&s, LZMA_FINISH);
        out.append(reinterpret_cast<const char *>(buf), qsizetype(sizeof buf - s.avail_out));
        if (out.size() > kMaxBytes)
            r = LZMA_MEM_ERROR;
    } while (r == LZMA_OK);
    ok = r == LZMA_STREAM_END;
    lzma_end(&s);
    return out;
}

Value transform(Vm &vm, const Value &self, const QString &algorithm, bool compress)
{
    ByteArrayObject *b = ba(vm, self);
    bool ok = false;
    QByteArray out;
    if (algorithm == QLatin1String("lzma"))
        out = lzmaRun(b->data, compress, ok);
    else
        out = zlibRun(b->data, compress, algorithm == QLatin1String("deflate"), ok);
    if (!ok && !compress)
        vm.throwError(ErrorType::IOError, 2058);
    b->data = out;
    b->position = compress ? quint32(out.size()) : 0;
    return Value();
}

NATIVE(compressFn) { return transform(vm, self, argString(vm, args, argc, 0, QStringLiteral("zlib")), true); }
NATIVE(uncompressFn) { return transform(vm, self, argString(vm, args, argc, 0, QStringLiteral("zlib")), false); }
NATIVE(deflateFn) { return transform(vm, self, QStringLiteral("deflate"), true); }
NATIVE(inflateFn) { return transform(vm, self, QStringLiteral("deflate"), false); }

// ApplicationDomain: the one domain the machine has, and its memory.
NATIVE(currentDomain) { return vm.applicationDomain.isNull() ? Value::null() : vm.applicationDomain; }
NATIVE(getDomainMemory) { return vm.domainMemory ? Value::object(vm.domainMemory) : Value::null(); }
NATIVE(setDomainMemory)
{
    const Value v = arg(args, argc, 0);
    if (v.isNull()) {
        vm.domainMemory = nullptr;
        return Value();
    }
    ByteArrayObject *b = ba(vm, v);
    if (b->data.size() < 1024)
        vm.throwError(ErrorType::RangeError, 1504);
    vm.domainMemory = b;
    return Value();
}
NATIVE(getDefinition)
{
    const QString name = argString(vm, args, argc, 0);
    const Value d = vm.definitionByName(name);
    if (d.isUndefined())
        vm.throwError(ErrorType::ReferenceError, 1065, name);
    return d;
}
NATIVE(hasDefinition)
{
    return Value::boolean(!vm.definitionByName(argString(vm, args, argc, 0)).isUndefined());
}

} // namespace

void installByteArray(Vm &vm)
{
    const QString utils = QStringLiteral("flash.utils");
    ClassBuilder c(vm, utils, QStringLiteral("ByteArray"), vm.objectClass);
    c.alloc(allocByteArray, ObjKind::ByteArray)
        .getter(QStringLiteral("length"), getLength).setter(QStringLiteral("length"), setLength)
        .getter(QStringLiteral("position"), getPosition).setter(QStringLiteral("position"), setPosition)
        .getter(QStringLiteral("bytesAvailable"), bytesAvailable)
        .getter(QStringLiteral("endian"), getEndian).setter(QStringLiteral("endian"), setEndian);
    const struct {
        const char *name;
        NativeFn fn;
        int length;
    } methods[] = {
        {"clear", clear, 0}, {"readBoolean", readBoolean, 0}, {"readByte", readByte, 0},
        {"readUnsignedByte", readUnsignedByte, 0}, {"readShort", readShort, 0},
        {"readUnsignedShort", readUnsignedShort, 0}, {"readInt", readInt, 0},
        {"readUnsignedInt", readUnsignedInt, 0}, {"readFloat", readFloat, 0}, {"readDouble", readDouble, 0},
        {"readUTF", readUTF, 0}, {"readUTFBytes", readUTFBytes, 1}, {"readMultiByte", readMultiByte, 2},
        {"readBytes", readBytes, 3}, {"writeBoolean", writeBoolean, 1}, {"writeByte", writeByte, 1},
        {"writeShort", writeShort, 1}, {"writeInt", writeInt, 1}, {"writeUnsignedInt", writeUnsignedInt, 1},
        {"writeFloat", writeFloat, 1}, {"writeDouble", writeDouble, 1}, {"writeUTF", writeUTF, 1},
        {"writeUTFBytes", writeUTFBytes, 1}, {"writeMultiByte", writeMultiByte, 2},
        {"writeBytes", writeBytes, 3}, {"toString", byteArrayToString, 0}, {"compress", compressFn, 1},
        {"uncompress", uncompressFn, 1}, {"deflate", deflateFn, 0}, {"inflate", inflateFn, 0},
    };
    for (const auto &m : methods)
        c.publicMethod(QString::fromLatin1(m.name), m.fn, m.length);
    ClassBuilder endian(vm, utils, QStringLiteral("Endian"), vm.objectClass);
    endian.finalClass()
        .constant(QStringLiteral("BIG_ENDIAN"), vm.sv(QStringLiteral("bigEndian")))
        .constant(QStringLiteral("LITTLE_ENDIAN"), vm.sv(QStringLiteral("littleEndian")));
    ClassBuilder domain(vm, QStringLiteral("flash.system"), QStringLiteral("ApplicationDomain"), vm.objectClass);
    domain.staticGetter(QStringLiteral("currentDomain"), currentDomain)
        .constant(QStringLiteral("MIN_DOMAIN_MEMORY_LENGTH"), Value::integer(1024))
        .getter(QStringLiteral("domainMemory"), getDomainMemory)
        .setter(QStringLiteral("domainMemory"), setDomainMemory)
        .publicMethod(QStringLiteral("getDefinition"), getDefinition, 1)
        .publicMethod(QStringLiteral("hasDefinition"), hasDefinition, 1);
    vm.applicationDomain = vm.constructClass(domain, nullptr, 0);
}

} // namespace builtins
} // namespace swf::avm2
