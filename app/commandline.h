// The player's command line: the movie files to open (what a file manager's
// "open with" passes), or a request for the usage or the version. Paths stay
// byte strings; relative names are made absolute against the directory the
// caller was in, since the player runs in its start-up directory.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

class CommandLine {
public:
    enum class Request { Run, Usage, Version, Mistake };

    // Reads the arguments after the program name, with Qt's own options
    // already taken out. `workingDirectory` is where relative names are
    // found unless --caller-directory=DIR names another place.
    static CommandLine parse(const QByteArrayList &arguments, const QByteArray &workingDirectory);
    // Whether the raw arguments ask only for the usage or the version, which
    // need no display.
    static Request informationRequest(int argc, const char *const *argv);

    static QString usage();
    static QString version();

    Request request() const { return m_request; }
    // Absolute paths, in the order named.
    const QByteArrayList &files() const { return m_files; }
    // What was wrong, for Request::Mistake.
    const QString &problem() const { return m_problem; }

private:
    Request m_request = Request::Run;
    QByteArrayList m_files;
    QString m_problem;
};

// The process's working directory; empty when it cannot be told.
QByteArray workingDirectory();

// `path` made absolute against `base`, with "." and ".." components and
// doubled separators taken out as a path normaliser does, without looking
// at the file system.
QByteArray absolutePath(const QByteArray &path, const QByteArray &base);
