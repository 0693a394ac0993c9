// Loading movies from files, and the small cache that lets several players
// (the player window and the full-screen window) share one parsed movie.
#pragma once

#include "swf/error.h"
#include "swf/io/file.h"
#include "swf/model/movie.h"

#include <QByteArray>
#include <QMutex>

#include <deque>
#include <memory>

namespace swf {

using MoviePtr = std::shared_ptr<const Movie>;

// Reads and parses a file named by a byte-string path.
Result<MoviePtr> loadMovieFile(const QByteArray &path);

// Movies keyed by path, size and modification time: a file changed on disk
// is parsed again. Keeps the few most recently loaded ones.
class MovieCache {
public:
    explicit MovieCache(int capacity = 3) : m_capacity(qMax(1, capacity)) {}
    MovieCache(const MovieCache &) = delete;
    MovieCache &operator=(const MovieCache &) = delete;

    Result<MoviePtr> load(const QByteArray &path);
    void clear();
    int size() const;

    // The cache every movie widget of the process shares.
    static MovieCache &shared();

private:
    struct Entry {
        QByteArray path;
        FileStamp stamp;
        MoviePtr movie;
    };
    mutable QMutex m_mutex;
    std::deque<Entry> m_entries; // most recent first
    int m_capacity;
};

} // namespace swf
