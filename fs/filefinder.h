// FileFinder walks a folder and every folder beneath it, depth first and in
// pre-order, and reports each file whose name matches a wildcard pattern.
//
// The walk goes through the process working directory: each folder it visits
// becomes the working directory and is listed there, and nothing changes it
// back. After a completed walk the working directory is the last folder
// visited; after a walk that OnFileFound stopped, the folder being listed.
//
// In each folder the matching files come first, then the subfolders, each
// walked completely before the next is announced; both come in
// case-insensitive name order. '*' and '?' match case-insensitively; a
// folder whose name matches is walked, never reported; hidden files are
// reported. Paths are byte strings with '/' separators; every folder path
// ends in '/', so paths are joined by concatenation, and their length is
// bounded only by the file system.
//
// A folder that cannot be entered, or is gone by the time the walk reaches
// it, is skipped and the walk goes on. A folder already on the current path
// of the walk (the same device and inode, as symbolic links can make) is not
// entered again, so every walk ends.
//
// The walk runs on the calling thread and processes no events. A window that
// walks a large tree should show the wait cursor around SetRoot and Search
// (QGuiApplication::setOverrideCursor, restored afterwards); the finder
// itself never touches the user interface.
#pragma once

#include <QByteArray>
#include <QList>

#include <utility>
#include <vector>

class FileFinder {
public:
    // The root starts as the current working directory, with a trailing '/';
    // empty when the working directory cannot be read.
    FileFinder();
    virtual ~FileFinder();

    FileFinder(const FileFinder &) = delete;
    FileFinder &operator=(const FileFinder &) = delete;

    // Resolves `folder` against the working directory (lexically: "." and
    // ".." are taken out, as on the original platform), makes it the working
    // directory and stores it, with one trailing '/', in rootDirectory. False
    // when it cannot be resolved or entered; rootDirectory is then empty and
    // the finder is not to be searched.
    bool SetRoot(const QByteArray &folder);

    // Announces the root (with no parent) and walks it. True when the walk
    // ran to its end, false when OnFileFound stopped it.
    bool Search(const QByteArray &pattern);

    // The folder the next search starts from: absolute, ending in '/'.
    QByteArray rootDirectory;
    // Every path reported to the own OnFileFound, in order. Never emptied by
    // the finder: a second search appends.
    QList<QByteArray> foundFiles;

protected:
    // A matching file, by its full path. False ends the whole walk. The own
    // implementation appends the path to foundFiles and returns true.
    virtual bool OnFileFound(const QByteArray &path);
    // A folder about to be walked, with its parent's path; `parent` is null
    // for the root. Every subfolder a listing holds is announced, including
    // one that then turns out not to be enterable. The own implementation
    // does nothing.
    virtual void OnEnterDirectory(const QByteArray &directory, const QByteArray *parent);

    // One folder of the walk and everything beneath it; `directory` is
    // absolute and ends in '/'.
    bool SearchDirectory(const QByteArray &directory, const QByteArray &pattern);

private:
    bool walk(int directoryFd, const QByteArray &directory, const QByteArray &pattern);

    // Device and inode of every folder on the current path of the walk.
    std::vector<std::pair<quint64, quint64>> m_walkPath;
};
