// Video objects: the picture of the frame shown, stretched over the
// stream's declared size (one pixel is 20 twips) from the object's origin,
// colour-transformed like any bitmap. Streams that ask for smoothing are
// scaled with interpolation, the others with nearest pixels.
#include "swf/model/video.h"
#include "swf/render/drawkinds.h"
#include "swf/render/imageops.h"
#include "swf/runtime/videoinstance.h"

namespace swf {

namespace {

QRectF frameRect(const VideoStream &stream)
{
    return QRectF(0, 0, stream.width * kTwipsPerPixel, stream.height * kTwipsPerPixel);
}

void drawVideo(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &video = static_cast<const VideoInstance &>(object);
    QImage picture = video.picture();
    if (picture.isNull() || video.stream().width == 0 || video.stream().height == 0)
        return;
    QPainter &painter = context.painter;
    painter.save();
    if (isAlphaOnly(state.colorTransform)) {
        painter.setOpacity(painter.opacity() * qBound(0, int(state.colorTransform.multA), 256) /
                           256.0);
    } else {
        applyColorTransform(picture, state.colorTransform);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, video.stream().smoothing);
    painter.setTransform(state.transform);
    painter.drawImage(frameRect(video.stream()), picture);
    painter.restore();
}

QPainterPath videoOutline(const DisplayObject &object, DrawContext &)
{
    QPainterPath path;
    path.addRect(frameRect(static_cast<const VideoInstance &>(object).stream()));
    return path;
}

} // namespace

const DrawKind *videoDrawKind()
{
    static constexpr DrawKind kind{drawVideo, videoOutline};
    return &kind;
}

} // namespace swf
