#include "thumbnailframe.h"

#include "stagepicture.h"

#include "swf/render/renderer.h"

#include <cmath>

namespace swftool {

QSize fitInSquare(QSize stage, int side)
{
    const double scale = double(side) / double(qMax(1, qMax(stage.width(), stage.height())));
    const auto fit = [&](int length) { return qBound(1, int(std::lround(length * scale)), side); };
    return QSize(fit(stage.width()), fit(stage.height()));
}

bool isPlainBackground(const QImage &image, const QColor &background)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const QRgb plain = background.rgb();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (line[x] != plain)
                return false;
        }
    }
    return true;
}

QImage findThumbnailFrame(swf::Player &player, QSize size, const ThumbnailLimits &limits)
{
    swf::Renderer renderer;
    const QColor background = swf::Renderer::backgroundOf(player.movie());
    QImage picture = renderStage(renderer, player, size);
    for (int frame = 1; frame < limits.frames; ++frame) {
        if (!isPlainBackground(picture, background))
            break;
        if (limits.timeIsUp && limits.timeIsUp())
            break;
        player.step();
        picture = renderStage(renderer, player, size);
    }
    return picture;
}

} // namespace swftool
