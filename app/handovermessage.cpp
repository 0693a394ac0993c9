#include "app/handovermessage.h"

#include <QtEndian>

namespace HandoverMessage {

namespace {

constexpr char kMagic[4] = {'O', 'R', 'V', 'F'};
constexpr qsizetype kWordSize = 4;

void appendWord(QByteArray &bytes, quint32 value)
{
    char word[kWordSize];
    qToBigEndian(value, word);
    bytes.append(word, kWordSize);
}

} // namespace

QByteArray encode(const QByteArrayList &files)
{
    if (files.size() > kMaxFiles)
        return {};
    QByteArray bytes(kMagic, sizeof kMagic);
    appendWord(bytes, quint32(files.size()));
    for (const QByteArray &file : files) {
        if (file.isEmpty() || file.size() > kMaxPathLength || file.contains('\0'))
            return {};
        appendWord(bytes, quint32(file.size()));
        bytes.append(file);
        if (bytes.size() > kMaxMessageSize)
            return {};
    }
    return bytes;
}

Status decode(const QByteArray &bytes, QByteArrayList *files)
{
    if (bytes.size() > kMaxMessageSize)
        return Status::Malformed;
    const QByteArray magic(kMagic, sizeof kMagic);
    if (!magic.startsWith(bytes.left(magic.size())))
        return Status::Malformed;
    if (bytes.size() < magic.size() + kWordSize)
        return Status::Incomplete;
    const quint32 count = qFromBigEndian<quint32>(bytes.constData() + magic.size());
    if (count > quint32(kMaxFiles))
        return Status::Malformed;
    QByteArrayList paths;
    qsizetype at = magic.size() + kWordSize;
    for (quint32 i = 0; i < count; ++i) {
        if (bytes.size() - at < kWordSize)
            return Status::Incomplete;
        const quint32 length = qFromBigEndian<quint32>(bytes.constData() + at);
        at += kWordSize;
        if (length == 0 || length > quint32(kMaxPathLength))
            return Status::Malformed;
        if (bytes.size() - at < qsizetype(length))
            return Status::Incomplete;
        QByteArray path = bytes.mid(at, qsizetype(length));
        if (path.contains('\0'))
            return Status::Malformed;
        paths.append(std::move(path));
        at += qsizetype(length);
    }
    if (at != bytes.size())
        return Status::Malformed;
    *files = std::move(paths);
    return Status::Complete;
}

} // namespace HandoverMessage
