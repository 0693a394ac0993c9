#include "fs/filefinder.h"

#include "fs/log.h"
#include "fs/namematch.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An open file descriptor, closed when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(UniqueFd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }
    bool isValid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// A folder held open for what it is, not for reading: enough to make it the
// working directory and to open entries beneath it, even when its contents
// cannot be listed.
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

QByteArray currentDirectory()
{
    // With no buffer the C library allocates what the path needs, and copes
    // with working directories deeper than the kernel's own path limit.
    char *path = ::getcwd(nullptr, 0);
    if (!path)
        return {};
    QByteArray result(path);
    std::free(path);
    return result;
}

// Opens a folder by path. Paths beyond the kernel's limit are followed one
// component at a time, which has no limit.
UniqueFd openFolder(const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0'))
        return UniqueFd();
    if (path.size() < PATH_MAX) {
        UniqueFd folder(::open(path.constData(), kFolderFlags));
        if (folder.isValid() || errno != ENAMETOOLONG)
            return folder;
    }
    UniqueFd folder(::open(path.startsWith('/') ? "/" : ".", kFolderFlags));
    for (const QByteArray &part : path.split('/')) {
        if (!folder.isValid())
            break;
        if (!part.isEmpty())
            folder = UniqueFd(::openat(folder.get(), part.constData(), kFolderFlags));
    }
    return folder;
}

enum class Pass { Files, Folders };

struct ListedName {
    QByteArray key;
    QByteArray name;
};

bool isFolder(DIR *listing, const dirent *entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    // A link counts as what it points to; a dangling one as a file.
    struct stat status;
    return ::fstatat(::dirfd(listing), entry->d_name, &status, 0) == 0 &&
           S_ISDIR(status.st_mode);
}

// One listing of `folderFd`: the files matching `pattern`, or the
// subfolders other than "." and "..", in case-insensitive name order. A
// folder that cannot be listed yields nothing. The listing is closed before
// this returns.
std::vector<QByteArray> listFolder(int folderFd, Pass pass, const QByteArray &pattern)
{
    std::vector<ListedName> listed;
    UniqueFd readable(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR *listing = readable.isValid() ? ::fdopendir(readable.get()) : nullptr;
    if (!listing) {
        qCDebug(lcFsFinder) << "cannot list a folder:" << std::strerror(errno);
        return {};
    }
    readable.release(); // the listing owns the descriptor now
    const auto closeListing = qScopeGuard([listing] { ::closedir(listing); });
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArrayView name(entry->d_name);
        if (pass == Pass::Files) {
            if (!wildcardMatch(pattern, name) || isFolder(listing, entry))
                continue;
        } else if (name == "." || name == ".." || !isFolder(listing, entry)) {
            continue;
        }
        listed.push_back({nameSortKey(name), name.toByteArray()});
    }
    std::sort(listed.begin(), listed.end(), [](const ListedName &a, const ListedName &b) {
        return a.key != b.key ? a.key < b.key : a.name < b.name;
    });
    std::vector<QByteArray> names;
    names.reserve(listed.size());
    for (ListedName &entry : listed)
        names.push_back(std::move(entry.name));
    return names;
}

} // namespace

FileFinder::FileFinder() : rootDirectory(currentDirectory())
{
    if (!rootDirectory.isEmpty() && !rootDirectory.endsWith('/'))
        rootDirectory.append('/');
}

FileFinder::~FileFinder() = default;

bool FileFinder::SetRoot(const QByteArray &folder)
{
    rootDirectory.clear();
    if (folder.isEmpty() || folder.contains('\0'))
        return false;
    QByteArray absolute = folder;
    if (!folder.startsWith('/')) {
        const QByteArray current = currentDirectory();
        if (current.isEmpty())
            return false;
        absolute = current + '/' + folder;
    }
    const QByteArray resolved = lexicallyNormalPath(absolute);
    const UniqueFd root = openFolder(resolved);
    if (!root.isValid() || ::fchdir(root.get()) != 0)
        return false;
    rootDirectory = resolved;
    if (!rootDirectory.endsWith('/'))
        rootDirectory.append('/');
    return true;
}

bool FileFinder::Search(const QByteArray &pattern)
{
    OnEnterDirectory(rootDirectory, nullptr);
    return SearchDirectory(rootDirectory, pattern);
}

bool FileFinder::OnFileFound(const QByteArray &path)
{
    foundFiles.append(path);
    return true;
}

void FileFinder::OnEnterDirectory(const QByteArray &, const QByteArray *) {}

bool FileFinder::SearchDirectory(const QByteArray &directory, const QByteArray &pattern)
{
    const UniqueFd folder = openFolder(directory);
    if (!folder.isValid()) {
        qCDebug(lcFsFinder) << "cannot open" << directory << std::strerror(errno);
        return true;
    }
    return walk(folder.get(), directory, pattern);
}

bool FileFinder::walk(int directoryFd, const QByteArray &directory, const QByteArray &pattern)
{
    struct stat status;
    if (::fstat(directoryFd, &status) != 0)
        return true;
    const std::pair<quint64, quint64> identity(status.st_dev, status.st_ino);
    if (std::find(m_walkPath.begin(), m_walkPath.end(), identity) != m_walkPath.end()) {
        qCDebug(lcFsFinder) << "already on the walk, not entered again:" << directory;
        return true;
    }
    // Entered through the descriptor, never by path: an entry listed here
    // always belongs to this folder, whatever happened to the path.
    if (::fchdir(directoryFd) != 0) {
        qCDebug(lcFsFinder) << "cannot enter" << directory << std::strerror(errno);
        return true;
    }
    m_walkPath.push_back(identity);
    const auto leave = qScopeGuard([this] { m_walkPath.pop_back(); });

    for (const QByteArray &name : listFolder(directoryFd, Pass::Files, pattern)) {
        if (!OnFileFound(directory + name))
            return false;
    }

    // OnFileFound may have moved the working directory; the folder pass
    // starts from this folder again.
    if (::fchdir(directoryFd) != 0)
        qCDebug(lcFsFinder) << "cannot re-enter" << directory << std::strerror(errno);
    for (const QByteArray &name : listFolder(directoryFd, Pass::Folders, pattern)) {
        const QByteArray subdirectory = directory + name + '/';
        OnEnterDirectory(subdirectory, &directory);
        const UniqueFd subfolder(::openat(directoryFd, name.constData(), kFolderFlags));
        if (!subfolder.isValid()) {
            qCDebug(lcFsFinder) << "cannot open" << subdirectory << std::strerror(errno);
            continue;
        }
        if (!walk(subfolder.get(), subdirectory, pattern))
            return false;
    }
    return true;
}
