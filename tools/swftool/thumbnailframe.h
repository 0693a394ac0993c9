// Finds the picture that stands for a movie in a file manager: the first
// frame that shows something on the plain background.
#pragma once

#include "swf/runtime/player.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <functional>

namespace swftool {

// How far the search may go: frames after the first, and the clock that
// ends it early.
struct ThumbnailLimits {
    int frames = 100;
    // Asked before each further frame; true ends the search with the
    // picture reached so far.
    std::function<bool()> timeIsUp;
};

// The stage's shape scaled to fit `side` × `side`, each side at least one
// pixel.
QSize fitInSquare(QSize stage, int side);

// True when every pixel of `image` is `background`.
bool isPlainBackground(const QImage &image, const QColor &background);

// Steps a fresh `player` through at most `limits.frames` frames, drawing
// each at `size`, and returns the first picture that is not plain
// background; when none is, or time runs out, the last picture drawn.
QImage findThumbnailFrame(swf::Player &player, QSize size, const ThumbnailLimits &limits);

} // namespace swftool
