#include "clippalette.h"

#include <algorithm>
#include <climits>

namespace swftool {

namespace {

constexpr int kBins = 1 << 15;
constexpr int kMaxColors = 256;

int binOf(QRgb color)
{
    return (qRed(color) >> 3) << 10 | (qGreen(color) >> 3) << 5 | qBlue(color) >> 3;
}

int channelOf(int bin, int axis)
{
    return (bin >> (10 - 5 * axis)) & 31;
}

} // namespace

// A run of the occupied bins build() sorts, that one palette entry stands
// for.
struct ClipPalette::Box {
    qsizetype begin = 0;
    qsizetype end = 0;
    qint64 count = 0;
    int longestAxis = 0;
    int longestSide = 0;
};

ClipPalette::ClipPalette() : m_bins(kBins)
{
}

void ClipPalette::count(const QImage &picture)
{
    const QImage rgb = picture.format() == QImage::Format_RGB32 ||
                               picture.format() == QImage::Format_ARGB32_Premultiplied
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            Bin &bin = m_bins[size_t(binOf(line[x]))];
            ++bin.count;
            bin.red += qRed(line[x]);
            bin.green += qGreen(line[x]);
            bin.blue += qBlue(line[x]);
        }
    }
}

void ClipPalette::build()
{
    std::vector<int> order;
    for (int i = 0; i < kBins; ++i) {
        if (m_bins[size_t(i)].count > 0)
            order.push_back(i);
    }
    const auto measure = [&](qsizetype begin, qsizetype end) {
        Box box{begin, end, 0, 0, 0};
        int low[3] = {31, 31, 31};
        int high[3] = {0, 0, 0};
        for (qsizetype i = begin; i < end; ++i) {
            box.count += m_bins[size_t(order[size_t(i)])].count;
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], channelOf(order[size_t(i)], axis));
                high[axis] = std::max(high[axis], channelOf(order[size_t(i)], axis));
            }
        }
        for (int axis = 0; axis < 3; ++axis) {
            if (high[axis] - low[axis] > box.longestSide) {
                box.longestSide = high[axis] - low[axis];
                box.longestAxis = axis;
            }
        }
        return box;
    };
    std::vector<Box> boxes;
    if (!order.empty())
        boxes.push_back(measure(0, qsizetype(order.size())));
    while (boxes.size() < size_t(kMaxColors)) {
        // The box whose colours are the most and the furthest apart.
        auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) {
            return a.count * a.longestSide < b.count * b.longestSide;
        });
        if (widest == boxes.end() || widest->longestSide == 0)
            break;
        const Box box = *widest;
        const int axis = box.longestAxis;
        std::sort(order.begin() + box.begin, order.begin() + box.end,
                  [axis](int a, int b) { return channelOf(a, axis) < channelOf(b, axis); });
        // Split at the median count, leaving a bin on each side.
        qint64 seen = 0;
        qsizetype split = box.begin + 1;
        for (qsizetype i = box.begin; i < box.end - 1; ++i) {
            seen += m_bins[size_t(order[size_t(i)])].count;
            split = i + 1;
            if (seen * 2 >= box.count)
                break;
        }
        *widest = measure(box.begin, split);
        boxes.push_back(measure(split, box.end));
    }
    m_colors.clear();
    for (const Box &box : boxes) {
        qint64 red = 0, green = 0, blue = 0;
        for (qsizetype i = box.begin; i < box.end; ++i) {
            const Bin &bin = m_bins[size_t(order[size_t(i)])];
            red += bin.red;
            green += bin.green;
            blue += bin.blue;
        }
        m_colors.append(qRgb(int(red / box.count), int(green / box.count), int(blue / box.count)));
    }
    if (m_colors.isEmpty())
        m_colors.append(qRgb(0, 0, 0));
    // Each bin goes to the entry nearest its mean (its middle when empty).
    m_lookup.assign(kBins, 0);
    for (int i = 0; i < kBins; ++i) {
        const Bin &bin = m_bins[size_t(i)];
        const int r = bin.count ? int(bin.red / bin.count) : channelOf(i, 0) * 8 + 4;
        const int g = bin.count ? int(bin.green / bin.count) : channelOf(i, 1) * 8 + 4;
        const int b = bin.count ? int(bin.blue / bin.count) : channelOf(i, 2) * 8 + 4;
        int best = 0;
        int bestDistance = INT_MAX;
        for (int c = 0; c < m_colors.size(); ++c) {
            const int dr = qRed(m_colors[c]) - r;
            const int dg = qGreen(m_colors[c]) - g;
            const int db = qBlue(m_colors[c]) - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = c;
            }
        }
        m_lookup[size_t(i)] = quint8(best);
    }
}

QImage ClipPalette::map(const QImage &picture) const
{
    const QImage rgb = picture.format() == QImage::Format_RGB32 ||
                               picture.format() == QImage::Format_ARGB32_Premultiplied
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    if (indexed.isNull() || m_lookup.empty())
        return {};
    indexed.setColorTable(m_colors);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = m_lookup[size_t(binOf(in[x]))];
    }
    return indexed;
}

} // namespace swftool
