#include "playlist/moviefiledialog.h"

#include "playlist/log.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace {

bool exists(const QByteArray &path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0;
}

// The entry of `folder` whose name reads as `shown`; of several that read
// alike, the one with the smallest bytes, so the choice is stable.
std::optional<QByteArray> entryShownAs(const QByteArray &folder, const QString &shown)
{
    const auto close = [](DIR *d) { ::closedir(d); };
    const std::unique_ptr<DIR, decltype(close)> dir(::opendir(folder.constData()), close);
    if (!dir)
        return std::nullopt;
    std::optional<QByteArray> found;
    while (const dirent *entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (QFile::decodeName(name) == shown && (!found || name < *found))
            found = name;
    }
    return found;
}

} // namespace

namespace MovieFileDialog {

QStringList nameFilters()
{
    return {QStringLiteral("Flash Files(*.swf)"), QStringLiteral("*.zvl")};
}

std::optional<QByteArrayList> choose(QWidget *owner)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(nameFilters());
    dialog.setDirectory(QDir::current());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QByteArrayList paths;
    for (const QString &file : dialog.selectedFiles())
        paths.append(pathBytes(file));
    return paths;
}

QByteArray pathBytes(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    if (exists(encoded) || !path.startsWith(QLatin1Char('/')))
        return encoded;
    QByteArray resolved;
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QByteArray candidate = resolved + '/' + QFile::encodeName(part);
        if (exists(candidate)) {
            resolved = candidate;
            continue;
        }
        const std::optional<QByteArray> entry =
            entryShownAs(resolved.isEmpty() ? QByteArray("/") : resolved, part);
        if (!entry) {
            qCDebug(lcPlaylist).noquote() << "no file is shown as" << path;
            return encoded;
        }
        resolved += '/' + *entry;
    }
    return resolved.isEmpty() ? encoded : resolved;
}

} // namespace MovieFileDialog
