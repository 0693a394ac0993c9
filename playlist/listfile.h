// The list file FlashList.ini: the playlist saved between runs, one full
// path per line, every line (the last included) ending in CR LF, nothing
// else. Paths are byte strings and are written and read back byte for byte.
#pragma once

#include "player/fileerror.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

#include <optional>

class ListFile {
public:
    // A list file is read whole; these bound what a damaged or hostile file
    // can make the program hold. Lines themselves have no length limit.
    static constexpr qint64 MaxFileSize = qint64(256) << 20;
    static constexpr qsizetype MaxEntries = qsizetype(1) << 20;

    explicit ListFile(QByteArray path) : m_path(std::move(path)) {}

    const QByteArray &path() const { return m_path; }

    // Reads every line into `entries`. On failure `entries` is left as it was.
    std::optional<FileError> read(QByteArrayList &entries) const;

    // Replaces the file with one that holds `entries`: written to a
    // temporary file beside it, flushed to the disk, then renamed over it.
    // On failure the previous file is left as it was and no temporary file
    // remains.
    std::optional<FileError> write(const QByteArrayList &entries) const;

    // The reading rules. A line ends at a line feed, which is dropped, or at
    // a carriage return, whose following byte is consumed too and dropped
    // only when it is a line feed (otherwise it ends the line). An empty
    // line is an empty entry; a last line without terminator still counts.
    // Stops after `maxEntries` entries and then sets `truncated`.
    static QByteArrayList parse(QByteArrayView bytes, qsizetype maxEntries = MaxEntries,
                                bool *truncated = nullptr);

    // The file's contents for `entries`.
    static QByteArray format(const QByteArrayList &entries);

private:
    QByteArray m_path;
};
