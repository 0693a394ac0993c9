// A picture (JPEG, PNG or GIF) a script loads into a clip, as the movie it
// becomes there: one frame showing the picture at its size in pixels, its
// top left corner on the clip's origin.
#pragma once

#include "swf/error.h"
#include "swf/model/movie.h"

#include <QByteArray>

#include <memory>

namespace swf {

// Whether `bytes` start like a JPEG, PNG or GIF file.
bool looksLikePicture(const QByteArray &bytes);

// The picture as a movie of `version`, or why it cannot be shown (not a
// picture, damaged, beyond the bitmap limits).
Result<std::shared_ptr<const Movie>> pictureMovie(const QByteArray &bytes, int version);

} // namespace swf
