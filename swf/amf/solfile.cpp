#include "swf/amf/solfile.h"

#include "swf/limits.h"

namespace swf::amf {

namespace {

constexpr char kSignature[] = {'T', 'C', 'S', 'O', 0, 4, 0, 0, 0, 0};

Error solError(ErrorCode code, qint64 offset, const QString &message)
{
    Error e;
    e.code = code;
    e.offset = offset;
    e.message = message;
    return e;
}

quint32 readU32(QByteArrayView bytes, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data() + at);
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

void appendU32(QByteArray &out, quint32 v)
{
    out.append(char(v >> 24));
    out.append(char((v >> 16) & 0xff));
    out.append(char((v >> 8) & 0xff));
    out.append(char(v & 0xff));
}

} // namespace

Result<SolFile> readSol(QByteArrayView bytes)
{
    if (bytes.size() > limits::kMaxSharedObjectBytes)
        return solError(ErrorCode::TooLarge, -1, QStringLiteral("saved data file too large"));
    constexpr qint64 kHeader = 2 + 4 + sizeof kSignature;
    if (bytes.size() < kHeader)
        return solError(ErrorCode::Truncated, 0, QStringLiteral("saved data file too short"));
    if (quint8(bytes[0]) != 0x00 || quint8(bytes[1]) != 0xbf ||
        bytes.sliced(6, sizeof kSignature) != QByteArrayView(kSignature, sizeof kSignature))
        return solError(ErrorCode::BadSignature, 0, QStringLiteral("not a saved data file"));
    if (readU32(bytes, 2) != quint64(bytes.size()) - 6)
        return solError(ErrorCode::Truncated, 2,
                        QStringLiteral("saved data file length does not match its header"));

    SolFile file;
    file.graph.objects.emplace_back();
    file.root = 0;
    Decoder decoder(bytes.sliced(kHeader), file.graph);
    auto name = decoder.readName();
    if (!name)
        return name.error();
    file.name = std::move(*name);
    QByteArray version;
    for (int i = 0; i < 4; ++i) {
        auto b = decoder.readByte();
        if (!b)
            return b.error();
        version.append(char(*b));
    }
    if (version != QByteArray(4, '\0'))
        return solError(ErrorCode::Malformed, kHeader + decoder.position(),
                        QStringLiteral("saved data in a format other than AMF0"));
    decoder.registerReference(file.root);
    while (!decoder.atEnd()) {
        auto member = decoder.readName();
        if (!member)
            return member.error();
        auto value = decoder.readValue();
        if (!value)
            return value.error();
        auto end = decoder.readByte();
        if (!end)
            return end.error();
        if (*end != 0)
            return solError(ErrorCode::Malformed, kHeader + decoder.position(),
                            QStringLiteral("saved data member not closed"));
        file.graph.objects[size_t(file.root)].members.emplace_back(std::move(*member),
                                                                   std::move(*value));
    }
    return file;
}

QByteArray writeSol(const SolFile &file)
{
    Encoder encoder(file.graph);
    encoder.registerReference(file.root);
    if (!encoder.writeName(file.name))
        encoder.writeName(QString());
    appendU32(encoder.bytes(), 0); // AMF0
    if (file.root >= 0 && size_t(file.root) < file.graph.objects.size()) {
        for (const auto &[name, value] : file.graph.objects[size_t(file.root)].members) {
            if (!encoder.writeName(name))
                continue;
            encoder.writeValue(value);
            encoder.writeByte(0);
        }
    }
    QByteArray out;
    out.reserve(encoder.bytes().size() + 16);
    out.append(char(0x00));
    out.append(char(0xbf));
    appendU32(out, quint32(encoder.bytes().size() + sizeof kSignature));
    out.append(kSignature, sizeof kSignature);
    out.append(encoder.bytes());
    return out;
}

} // namespace swf::amf
