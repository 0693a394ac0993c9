// Bitmap characters placed directly on a timeline: one bitmap pixel is 20
// twips, the image's top left corner at the object's origin. They are not
// smoothed, as the Flash Player leaves such bitmaps.
#include "swf/model/bitmap.h"
#include "swf/render/drawkinds.h"
#include "swf/runtime/displayobject.h"

namespace swf {

namespace {

const QTransform &pixelsToTwips()
{
    static const QTransform t = QTransform::fromScale(kTwipsPerPixel, kTwipsPerPixel);
    return t;
}

void drawBitmap(const DisplayObject &object, const DrawState &state, DrawContext &context)
{
    const auto &bitmap = static_cast<const Bitmap &>(*object.character());
    const QImage image = context.bitmaps.variant(bitmap, state.colorTransform);
    if (image.isNull())
        return;
    QPainter &painter = context.painter;
    painter.setTransform(pixelsToTwips() * state.transform);
    painter.drawImage(QPointF(0, 0), image);
}

QPainterPath bitmapOutline(const DisplayObject &object, DrawContext &context)
{
    const auto &bitmap = static_cast<const Bitmap &>(*object.character());
    const QImage image = context.bitmaps.image(bitmap);
    QPainterPath path;
    if (!image.isNull())
        path.addRect(0, 0, image.width() * kTwipsPerPixel, image.height() * kTwipsPerPixel);
    return path;
}

} // namespace

const DrawKind *bitmapDrawKind()
{
    static constexpr DrawKind kind{drawBitmap, bitmapOutline};
    return &kind;
}

} // namespace swf
