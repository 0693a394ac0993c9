#include "player/fileerror.h"

#include <QFile>

#include <cerrno>

FileError FileError::fromErrno(int error, const QByteArray &path)
{
    Cause cause = Cause::Generic;
    switch (error) {
    case ENOENT:
        cause = Cause::FileNotFound;
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        cause = Cause::BadPath;
        break;
    case EMFILE:
    case ENFILE:
        cause = Cause::TooManyOpenFiles;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        cause = Cause::AccessDenied;
        break;
    case EBADF:
        cause = Cause::InvalidFile;
        break;
    case EBUSY:
    case ETXTBSY:
        cause = Cause::SharingViolation;
        break;
    case ENOLCK:
        cause = Cause::LockViolation;
        break;
    case ENOSPC:
    case EDQUOT:
        cause = Cause::DiskFull;
        break;
    case ESPIPE:
        cause = Cause::BadSeek;
        break;
    case EIO:
        cause = Cause::HardIo;
        break;
    default:
        break;
    }
    return FileError{cause, path};
}

QString FileError::message() const
{
    QString text;
    switch (cause) {
    case Cause::Generic:
        text = QStringLiteral("An unexpected error occurred while accessing %1.");
        break;
    case Cause::FileNotFound:
        text = QStringLiteral("%1 was not found.");
        break;
    case Cause::BadPath:
        text = QStringLiteral("%1 contains an incorrect path.");
        break;
    case Cause::TooManyOpenFiles:
        text = QStringLiteral("%1 could not be opened because there are too many open files.");
        break;
    case Cause::AccessDenied:
        text = QStringLiteral("Access to %1 was denied.");
        break;
    case Cause::InvalidFile:
        text = QStringLiteral("An incorrect file handle was associated with %1.");
        break;
    case Cause::RemoveCurrentDir:
        text = QStringLiteral("%1 could not be removed because it is the current directory.");
        break;
    case Cause::DirectoryFull:
        text = QStringLiteral("%1 could not be created because the directory is full.");
        break;
    case Cause::BadSeek:
        text = QStringLiteral("Seek failed on %1");
        break;
    case Cause::HardIo:
        text = QStringLiteral("A hardware I/O error was reported while accessing %1.");
        break;
    case Cause::SharingViolation:
        text = QStringLiteral("A sharing violation occurred while accessing %1.");
        break;
    case Cause::LockViolation:
        text = QStringLiteral("A locking violation occurred while accessing %1.");
        break;
    case Cause::DiskFull:
        text = QStringLiteral("Disk full while accessing %1.");
        break;
    case Cause::EndOfFile:
        text = QStringLiteral("An attempt was made to access %1 past its end.");
        break;
    }
    // The path may not be valid UTF-8; show it as best the locale can.
    return text.arg(QFile::decodeName(path));
}
