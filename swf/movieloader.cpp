#include "swf/movieloader.h"

#include "swf/limits.h"
#include "swf/parse/parser.h"

namespace swf {

namespace {

Result<MoviePtr> parseFile(const QByteArray &path, FileStamp *stamp)
{
    auto file = readFile(path, limits::kMaxFileBytes);
    if (!file)
        return file.error();
    if (stamp)
        *stamp = file->stamp;
    return parseMovie(file->bytes);
}

} // namespace

Result<MoviePtr> loadMovieFile(const QByteArray &path)
{
    return parseFile(path, nullptr);
}

Result<MoviePtr> MovieCache::load(const QByteArray &path)
{
    auto stamp = statFile(path);
    if (!stamp)
        return stamp.error();
    {
        QMutexLocker lock(&m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->path == path && it->stamp == *stamp) {
                Entry hit = *it;
                m_entries.erase(it);
                m_entries.push_front(hit);
                return hit.movie;
            }
        }
    }
    // Parsing happens outside the lock; two players loading the same new
    // file at once parse it twice, which is harmless.
    FileStamp readStamp;
    auto movie = parseFile(path, &readStamp);
    if (!movie)
        return movie.error();
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_entries, [&](const Entry &e) { return e.path == path; });
    m_entries.push_front(Entry{path, readStamp, *movie});
    while (int(m_entries.size()) > m_capacity)
        m_entries.pop_back();
    return *movie;
}

void MovieCache::clear()
{
    QMutexLocker lock(&m_mutex);
    m_entries.clear();
}

int MovieCache::size() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_entries.size());
}

MovieCache &MovieCache::shared()
{
    static MovieCache cache;
    return cache;
}

} // namespace swf
