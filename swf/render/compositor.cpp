#include "swf/render/compositor.h"

#include "swf/render/imageops.h"
#include "swf/render/pixelkernels.h"

#include <QSemaphore>
#include <QThreadPool>

#include <functional>

namespace swf {

namespace {

QPainter::CompositionMode qtMode(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Multiply:
        return QPainter::CompositionMode_Multiply;
    case BlendMode::Screen:
        return QPainter::CompositionMode_Screen;
    case BlendMode::Lighten:
        return QPainter::CompositionMode_Lighten;
    case BlendMode::Darken:
        return QPainter::CompositionMode_Darken;
    case BlendMode::Difference:
    case BlendMode::Invert: // white where the layer is, differenced
        return QPainter::CompositionMode_Difference;
    case BlendMode::Add:
        return QPainter::CompositionMode_Plus;
    case BlendMode::Alpha:
        return QPainter::CompositionMode_DestinationIn;
    case BlendMode::Erase:
        return QPainter::CompositionMode_DestinationOut;
    case BlendMode::Overlay:
        return QPainter::CompositionMode_Overlay;
    case BlendMode::HardLight:
        return QPainter::CompositionMode_HardLight;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// Qt fades a layer drawn with opacity by interpolating between what lies
// below and the blended result. For most modes that is the same as
// blending the faded layer; add and subtract clamp, and alpha and erase
// act on what lies below, so those take the faded layer itself, as the
// Flash Player composites them.
bool fadesLinearly(BlendMode mode)
{
    return mode != BlendMode::Add && mode != BlendMode::Subtract && mode != BlendMode::Alpha &&
           mode != BlendMode::Erase;
}

void forEachRow(QImage &layer, void (*op)(quint32 *, int, int), int arg)
{
    for (int y = 0; y < layer.height(); ++y)
        op(reinterpret_cast<quint32 *>(layer.scanLine(y)), layer.width(), arg);
}

// Large areas are split in two, the lower half blended on a thread of Qt's
// pool while this one blends the upper, as Qt spreads its own large fills.
void inParallel(int first, int last, qint64 pixels, const std::function<void(int, int)> &rows)
{
    constexpr qint64 kWorthSplitting = 128 * 1024;
    QThreadPool *pool = QThreadPool::globalInstance();
    if (pixels < kWorthSplitting || last - first < 2 || pool->maxThreadCount() < 2) {
        rows(first, last);
        return;
    }
    const int middle = first + (last - first) / 2;
    QSemaphore done;
    pool->start([&] {
        rows(middle, last);
        done.release();
    });
    rows(first, middle);
    done.acquire();
}

// Qt's separable modes, and the destination-in and -out that alpha and
// erase are, work a pixel at a time; subtract has no Qt mode at all. For these the pixels below are
// read and blended here: straight into the target under a clip that is one rectangle, otherwise
// into the layer, which then replaces them under the clip.
enum class Blended { Not, IntoTarget, IntoLayer };

Blended blendBelow(QPainter &target, QImage &layer, QPoint at, BlendMode mode)
{
    auto *device = dynamic_cast<QImage *>(target.device());
    if (!device || device->format() != QImage::Format_ARGB32_Premultiplied)
        return Blended::Not;
    QRect area = QRect(at, layer.size()).intersected(device->rect());
    bool direct = target.opacity() >= 1.0;
    if (direct && target.hasClipping()) {
        const QRegion clip = target.clipRegion();
        direct = clip.rectCount() <= 1;
        area &= clip.boundingRect();
    }
    if (area.isEmpty())
        return direct ? Blended::IntoTarget : Blended::IntoLayer;
    uchar *const layerBits = layer.bits();
    uchar *const deviceBits = device->bits();
    const qsizetype layerStride = layer.bytesPerLine(), deviceStride = device->bytesPerLine();
    const auto rows = [=](int first, int last) {
        for (int y = first; y < last; ++y) {
            auto *top = reinterpret_cast<quint32 *>(layerBits + (y - at.y()) * layerStride) +
                        (area.left() - at.x());
            auto *below = reinterpret_cast<quint32 *>(deviceBits + y * deviceStride) + area.left();
            pixels::blend(mode, top, below, direct ? below : top, area.width());
        }
    };
    inParallel(area.top(), area.bottom() + 1, qint64(area.width()) * area.height(), rows);
    return direct ? Blended::IntoTarget : Blended::IntoLayer;
}

} // namespace

BlendMode blendModeOf(quint8 value)
{
    if (value < quint8(BlendMode::Layer) || value > quint8(BlendMode::HardLight))
        return BlendMode::Normal;
    return BlendMode(value);
}

bool actsOnParentLayer(BlendMode mode)
{
    return mode == BlendMode::Alpha || mode == BlendMode::Erase;
}

void compositeLayer(QPainter &target, QImage &layer, QPoint at, BlendMode mode,
                    const ColorTransform &cx)
{
    int opacity = 256;
    if (isAlphaOnly(cx))
        opacity = cx.multA;
    else
        applyColorTransform(layer, cx);
    if (opacity < 256 && !fadesLinearly(mode)) {
        forEachRow(layer, pixels::scale, opacity);
        opacity = 256;
    }
    target.save();
    target.setTransform(QTransform());
    target.setOpacity(target.opacity() * opacity / 256.0);
    if (mode == BlendMode::Invert)
        forEachRow(
            layer, [](quint32 *row, int count, int) { pixels::whiten(row, count); }, 0);
    // Invert is a difference with white.
    const BlendMode blended = mode == BlendMode::Invert ? BlendMode::Difference : mode;
    QPainter::CompositionMode qt = qtMode(mode);
    // Without pixels to read (a painter on a widget), Qt's own modes serve;
    // subtract then draws its layer as it is.
    if (pixels::blends(blended)) {
        const Blended done = blendBelow(target, layer, at, blended);
        if (done == Blended::IntoTarget) {
            target.restore();
            return;
        }
        if (done == Blended::IntoLayer)
            qt = QPainter::CompositionMode_Source;
    }
    target.setCompositionMode(qt);
    target.drawImage(at, layer);
    target.restore();
}

} // namespace swf
