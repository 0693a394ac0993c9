// The picture orvanto-swf makes of a player's stage, shared by the render
// and thumbnail commands so both draw exactly as the engine does.
#pragma once

#include "swf/model/movie.h"
#include "swf/runtime/player.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace swf {
class Renderer;
}

namespace swftool {

// The stage in whole pixels, within the renderer's limits.
QSize stageSize(const swf::Movie &movie);

// The stage shown all in `size`, on the movie's background.
QImage renderStage(swf::Renderer &renderer, const swf::Player &player, QSize size);

// `image` as an opaque PNG; nothing, with the reason in `problem`, when it
// cannot be encoded.
std::optional<QByteArray> encodePng(const QImage &image, QString *problem);

} // namespace swftool
