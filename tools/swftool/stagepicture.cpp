#include "stagepicture.h"

#include "swf/limits.h"
#include "swf/render/renderer.h"
#include "swf/types.h"

#include <QBuffer>
#include <QImageWriter>

#include <cmath>

namespace swftool {

QSize stageSize(const swf::Movie &movie)
{
    const double w = std::round(double(movie.stage().width()) / swf::kTwipsPerPixel);
    const double h = std::round(double(movie.stage().height()) / swf::kTwipsPerPixel);
    const double side = swf::limits::kMaxRenderSide;
    return QSize(int(qBound(1.0, w, side)), int(qBound(1.0, h, side)));
}

QImage renderStage(swf::Renderer &renderer, const swf::Player &player, QSize size)
{
    return renderer.render(player, size, swf::Renderer::backgroundOf(player));
}

std::optional<QByteArray> encodePng(const QImage &image, QString *problem)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
        *problem = writer.errorString();
        return std::nullopt;
    }
    return png;
}

} // namespace swftool
