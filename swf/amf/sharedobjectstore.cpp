#include "swf/amf/sharedobjectstore.h"

#include "swf/limits.h"
#include "swf/log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace swf::amf {

namespace {

// What the Flash Player refuses in a SharedObject name.
bool forbidden(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f ||
           QStringView(u"~%&\\;:\"',<>?# ").contains(c);
}

// Longest name segment, in UTF-8 bytes (file systems allow 255, with
// room for the extension and the temporary file's suffix).
constexpr qsizetype kMaxSegmentBytes = 200;

Error storeError(ErrorCode code, const QString &message)
{
    Error e;
    e.code = code;
    e.message = message;
    return e;
}

} // namespace

QString SharedObjectStore::defaultRoot()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/orvanto");
}

QString SharedObjectStore::folderNameFor(const QString &path)
{
    QString readable;
    for (const QChar c : path) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'_';
        if (plain)
            readable.append(c);
        else if (!readable.endsWith(u'_'))
            readable.append(u'_');
    }
    while (readable.startsWith(u'_') || readable.startsWith(u'.'))
        readable.remove(0, 1);
    if (readable.size() > 80)
        readable = readable.right(80);
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    return readable + u'-' + QString::fromLatin1(hash);
}

bool SharedObjectStore::validName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QStringView segment : QStringView(name).split(u'/')) {
        if (segment.isEmpty() || segment == u"." || segment == u".." ||
            segment.toUtf8().size() > kMaxSegmentBytes)
            return false;
        for (const QChar c : segment) {
            if (forbidden(c))
                return false;
        }
    }
    return true;
}

QString SharedObjectStore::filePath(const QString &moviePath, const QString &name,
                                    const QString &localPath) const
{
    if (!validName(name)) {
        qCWarning(lcSwfScript).noquote() << "SharedObject name refused:" << name;
        return QString();
    }
    QString key = moviePath;
    if (!localPath.isEmpty()) {
        QString folder = localPath;
        while (folder.size() > 1 && folder.endsWith(u'/'))
            folder.chop(1);
        const bool plain = folder.startsWith(u'/') && !folder.contains(u'\\') &&
                           !folder.split(u'/').contains(QStringLiteral(".."));
        const bool above = folder == QStringLiteral("/") || moviePath == folder ||
                           moviePath.startsWith(folder + u'/');
        if (!plain || !above) {
            qCWarning(lcSwfScript).noquote()
                << "SharedObject path refused (not a folder above the movie):" << localPath;
            return QString();
        }
        key = folder;
    }
    if (!onDisk() || key.isEmpty())
        return QString();
    return m_root + u'/' + folderNameFor(key) + u'/' + name + QStringLiteral(".sol");
}

bool SharedObjectStore::insideRoot(const QString &folder) const
{
    const QString root = QFileInfo(m_root).canonicalFilePath();
    const QString real = QFileInfo(folder).canonicalFilePath();
    return !root.isEmpty() && real.startsWith(root + u'/');
}

Result<SolFile> SharedObjectStore::load(const QString &file) const
{
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink()) {
        SolFile empty;
        empty.graph.objects.emplace_back();
        return empty;
    }
    if (info.isSymLink() || !info.isFile() || !insideRoot(info.path()))
        return storeError(ErrorCode::Io, QStringLiteral("saved data is not a plain file: ") + file);
    if (info.size() > limits::kMaxSharedObjectBytes)
        return storeError(ErrorCode::TooLarge, QStringLiteral("saved data too large: ") + file);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return storeError(ErrorCode::Io, in.errorString());
    const QByteArray bytes = in.read(limits::kMaxSharedObjectBytes + 1);
    return readSol(bytes);
}

bool SharedObjectStore::save(const QString &file, const QByteArray &bytes) const
{
    if (!onDisk() || bytes.size() > limits::kMaxSharedObjectBytes)
        return false;
    const QFileInfo info(file);
    if (!QDir().mkpath(info.path()) || !insideRoot(info.path())) {
        qCWarning(lcSwfScript).noquote() << "SharedObject folder not writable:" << info.path();
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        qCWarning(lcSwfScript).noquote() << "SharedObject not saved:" << file << out.errorString();
        return false;
    }
    return true;
}

bool SharedObjectStore::remove(const QString &file) const
{
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (!insideRoot(info.path()))
        return false;
    return QFile::remove(file);
}

} // namespace swf::amf
