// A file error as the dialog framework reports it: a cause and the file it
// concerns, shown to the user with the framework's standard texts
// ("%1 was not found.", "Access to %1 was denied.", ...).
#pragma once

#include <QByteArray>
#include <QString>

struct FileError {
    enum class Cause {
        Generic,
        FileNotFound,
        BadPath,
        TooManyOpenFiles,
        AccessDenied,
        InvalidFile,
        RemoveCurrentDir,
        DirectoryFull,
        BadSeek,
        HardIo,
        SharingViolation,
        LockViolation,
        DiskFull,
        EndOfFile,
    };

    Cause cause = Cause::Generic;
    // The file as the user knows it, a byte string like every path.
    QByteArray path;

    // The cause that an errno value of a failed POSIX call stands for.
    static FileError fromErrno(int error, const QByteArray &path);

    // The framework's text for the cause, %1 replaced by the path.
    QString message() const;

    friend bool operator==(const FileError &, const FileError &) = default;
};
