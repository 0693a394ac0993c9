#include "swf/runtime/moviefiles.h"

#include "swf/io/file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace swf {

namespace {

Error refused(const QString &why)
{
    return Error{ErrorCode::Io, -1, -1, why};
}

} // namespace

Result<QByteArray> readBesideMovie(const QString &movieUrl, const QString &address, qint64 cap)
{
    const QUrl movie(movieUrl);
    if (!movie.isLocalFile())
        return refused(QStringLiteral("the movie is not a local file"));
    // A scheme ("http:", "file:", "c:") names something beyond the folder.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QString path = address;
    if (scheme.match(address).hasMatch()) {
        // A file URL into the movie's own folder (a movie's _url) is still
        // beside it.
        const QUrl url(address);
        const QString folder = QFileInfo(movie.toLocalFile()).absolutePath() + QLatin1Char('/');
        const QString local = url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
        if (!local.startsWith(folder))
            return refused(QStringLiteral("not a relative address"));
        path = local.mid(folder.size());
    } else {
        // Queries and fragments are for servers.
        const qsizetype cut = path.indexOf(QRegularExpression(QStringLiteral("[?#]")));
        if (cut >= 0)
            path.truncate(cut);
        path = QUrl::fromPercentEncoding(path.toUtf8());
    }
    // A name ends at its first NUL, escaped or not.
    if (const qsizetype nul = path.indexOf(QChar(u'\0')); nul >= 0)
        path.truncate(nul);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return refused(QStringLiteral("not a relative path"));
    for (const QString &segment : path.split(QLatin1Char('/'))) {
        if (segment == QLatin1String(".."))
            return refused(QStringLiteral("leads out of the movie's folder"));
    }
    const QString folder = QFileInfo(movie.toLocalFile()).absoluteDir().canonicalPath();
    if (folder.isEmpty())
        return refused(QStringLiteral("the movie's folder cannot be found"));
    const QString target = QFileInfo(folder + QLatin1Char('/') + path).canonicalFilePath();
    if (target.isEmpty())
        return refused(QStringLiteral("no such file"));
    // Links are followed above: the file they reach must still be inside.
    if (!target.startsWith(folder + QLatin1Char('/')))
        return refused(QStringLiteral("leads out of the movie's folder"));
    const QByteArray local = QFile::encodeName(target);
    auto stamp = statFile(local);
    if (!stamp)
        return stamp.error();
    if (stamp->size > cap)
        return refused(QStringLiteral("larger than %1 bytes").arg(cap));
    auto file = readFile(local, cap);
    if (!file)
        return file.error();
    return std::move(file->bytes);
}

} // namespace swf
