#include "swf/render/imageops.h"

#include <algorithm>
#include <array>

namespace swf {

namespace {

using ChannelTable = std::array<quint8, 256>;

ChannelTable channelTable(int mult, int add)
{
    ChannelTable t{};
    for (int c = 0; c < 256; ++c)
        t[size_t(c)] = quint8(std::clamp(((c * mult) >> 8) + add, 0, 255));
    return t;
}

} // namespace

bool isAlphaOnly(const ColorTransform &cx)
{
    return cx.multR == 256 && cx.multG == 256 && cx.multB == 256 && cx.addR == 0 && cx.addG == 0 &&
           cx.addB == 0 && cx.addA == 0 && cx.multA >= 0 && cx.multA <= 256;
}

void applyColorTransform(QImage &image, const ColorTransform &cx)
{
    if (cx.isIdentity() || image.isNull())
        return;
    const ChannelTable r = channelTable(cx.multR, cx.addR);
    const ChannelTable g = channelTable(cx.multG, cx.addG);
    const ChannelTable b = channelTable(cx.multB, cx.addB);
    const ChannelTable a = channelTable(cx.multA, cx.addA);
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            const int alpha = qAlpha(p);
            if (alpha == 0)
                continue;
            int cr = qRed(p), cg = qGreen(p), cb = qBlue(p);
            if (alpha != 255) {
                cr = std::min(255, cr * 255 / alpha);
                cg = std::min(255, cg * 255 / alpha);
                cb = std::min(255, cb * 255 / alpha);
            }
            const int na = a[size_t(alpha)];
            const int nr = r[size_t(cr)], ng = g[size_t(cg)], nb = b[size_t(cb)];
            row[x] = na == 255 ? qRgb(nr, ng, nb)
                               : qRgba(nr * na / 255, ng * na / 255, nb * na / 255, na);
        }
    }
}

QImage extendEdges(const QImage &image, int margin)
{
    if (margin <= 0 || image.isNull())
        return image;
    const int w = image.width(), h = image.height();
    QImage out(w + 2 * margin, h + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return image;
    for (int y = 0; y < out.height(); ++y) {
        const auto *src =
            reinterpret_cast<const QRgb *>(image.constScanLine(std::clamp(y - margin, 0, h - 1)));
        auto *dst = reinterpret_cast<QRgb *>(out.scanLine(y));
        std::fill_n(dst, margin, src[0]);
        std::copy_n(src, w, dst + margin);
        std::fill_n(dst + margin + w, margin, src[w - 1]);
    }
    return out;
}

} // namespace swf
