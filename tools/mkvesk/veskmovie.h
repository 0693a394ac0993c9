// The start-up movie: a short looping welcome animation.
#pragma once

#include <QByteArray>

namespace vesk {

QByteArray buildMovie();

} // namespace vesk
