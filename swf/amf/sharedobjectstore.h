// Where local SharedObjects are kept: below one folder (the user's
// $XDG_DATA_HOME/orvanto), a folder per movie path named after it, and in
// it a .sol file per SharedObject. A movie chooses a SharedObject's name
// and may share along a folder above its own (localPath), but nothing it
// writes can place a file outside that folder: names with "..", absolute
// paths and the characters the Flash Player forbids are refused.
#pragma once

#include "swf/amf/solfile.h"

namespace swf::amf {

class SharedObjectStore {
public:
    // `root` empty: nothing is kept on disk.
    explicit SharedObjectStore(QString root) : m_root(std::move(root)) {}

    // $XDG_DATA_HOME/orvanto, or ~/.local/share/orvanto.
    static QString defaultRoot();
    // A file-system-safe folder name for a path: its readable part and a
    // hash of all of it.
    static QString folderNameFor(const QString &path);
    // A SharedObject name: segments between slashes, none empty, "." or
    // "..", no forbidden characters.
    static bool validName(const QString &name);

    bool onDisk() const { return !m_root.isEmpty(); }
    const QString &root() const { return m_root; }
    // The .sol file of SharedObject `name` of the movie at `moviePath`
    // (absolute), shared along `localPath` (a folder above the movie, or
    // empty for the movie alone). Empty when refused (logged), or when
    // nothing is kept on disk.
    QString filePath(const QString &moviePath, const QString &name,
                     const QString &localPath = QString()) const;

    // A missing file reads as no members; a damaged one is an error and
    // stays as it is.
    Result<SolFile> load(const QString &file) const;
    // Writes the whole file beside the old one and renames it over: a
    // failure leaves the old file as it was.
    bool save(const QString &file, const QByteArray &bytes) const;
    bool remove(const QString &file) const;

private:
    // The file's folder, once made, lies inside the root (no link leads
    // out of it).
    bool insideRoot(const QString &folder) const;

    QString m_root;
};

} // namespace swf::amf
