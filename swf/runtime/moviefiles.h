// Files a movie's scripts load (XML.load, LoadVars.load), read from the
// movie's own folder and the folders below it, and nowhere else.
#pragma once

#include "swf/error.h"

#include <QByteArray>
#include <QString>

namespace swf {

// The bytes of `address`, a path relative to the folder of the movie at
// `movieUrl` (a file: address), at most `cap` of them. Refused, with a
// reason: network and other addresses, absolute paths, "..", anything
// that leads out of the folder (links included), files that are not
// regular files and files larger than `cap`.
Result<QByteArray> readBesideMovie(const QString &movieUrl, const QString &address, qint64 cap);

} // namespace swf
