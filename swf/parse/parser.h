// Parsing a whole movie: container, header and every tag, into an
// immutable Movie. Damage inside tags is logged and skipped; only a movie
// whose header cannot be read fails.
#pragma once

#include "swf/error.h"
#include "swf/model/movie.h"

#include <QByteArrayView>

#include <memory>

namespace swf {

Result<std::shared_ptr<const Movie>> parseMovie(QByteArrayView file);

} // namespace swf
