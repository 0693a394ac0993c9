#include "swf/render/compositor.h"

#include "swf/render/imageops.h"

#include <algorithm>

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

// Keeps the layer's coverage, makes its colour white: differencing white
// inverts what lies below, in proportion to the coverage.
void whiten(QImage &layer)
{
    for (int y = 0; y < layer.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const int a = qAlpha(row[x]);
            row[x] = qRgba(a, a, a, a);
        }
    }
}

// Subtract, blended in proportion to both coverages (premultiplied):
// c = s(1 − ab) + b(1 − as) + max(0, as·b − ab·s).
int subtractChannel(int s, int b, int as, int ab)
{
    const int blend = std::max(0, as * b - ab * s) / 255;
    return std::clamp((s * (255 - ab) + b * (255 - as)) / 255 + blend, 0, 255);
}

// Subtract has no Qt composition mode: the pixels below are read back,
// blended here and written over them under the target's clip.
bool subtractInto(QPainter &target, const QImage &layer, QPoint at)
{
    auto *device = dynamic_cast<QImage *>(target.device());
    if (!device || device->format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    const QRect area = QRect(at, layer.size()).intersected(device->rect());
    if (area.isEmpty())
        return true;
    QImage result = device->copy(area);
    for (int y = 0; y < area.height(); ++y) {
        const auto *src =
            reinterpret_cast<const QRgb *>(layer.constScanLine(y + area.top() - at.y())) +
            (area.left() - at.x());
        auto *dst = reinterpret_cast<QRgb *>(result.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            const QRgb s = src[x], b = dst[x];
            const int as = qAlpha(s), ab = qAlpha(b);
            if (as == 0)
                continue;
            dst[x] = qRgba(subtractChannel(qRed(s), qRed(b), as, ab),
                           subtractChannel(qGreen(s), qGreen(b), as, ab),
                           subtractChannel(qBlue(s), qBlue(b), as, ab), as + ab - as * ab / 255);
        }
    }
    target.setCompositionMode(QPainter::CompositionMode_Source);
    target.drawImage(area.topLeft(), result);
    return true;
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
    double opacity = 1.0;
    if (isAlphaOnly(cx) && mode != BlendMode::Subtract)
        opacity = cx.multA / 256.0;
    else
        applyColorTransform(layer, cx);
    target.save();
    target.setTransform(QTransform());
    target.setOpacity(target.opacity() * opacity);
    // Without pixels to read back (a painter on a widget), subtract draws
    // its layer as it is.
    if (mode == BlendMode::Subtract && subtractInto(target, layer, at)) {
        target.restore();
        return;
    }
    if (mode == BlendMode::Invert)
        whiten(layer);
    target.setCompositionMode(qtMode(mode));
    target.drawImage(at, layer);
    target.restore();
}

} // namespace swf
