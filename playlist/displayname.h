// The name under which the playlist window lists a movie.
#pragma once

#include <QByteArray>
#include <QString>

// The file-name part of `path`, without its directory and its last
// extension, as a path splitter gives it: "/a/b.c.swf" gives "b.c", a name
// that starts with its only dot (".swf") gives "". The bytes are decoded as
// best the locale can.
QString DisplayName(const QByteArray &path);
