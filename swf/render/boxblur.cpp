#include "swf/render/boxblur.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace swf {

namespace {

// The box covers `before` values before each one and `after` after it.
struct Box {
    int before;
    int after;
    float scale;
    explicit Box(int size)
        : before((size - 1) / 2), after(size - 1 - (size - 1) / 2), scale(1.0f / float(size))
    {
    }
};

// sums[x] += sign × row[x], sixteen columns a step.
void addRow(quint32 *sums, const quint8 *row, int width, int sign)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; x + 16 <= width; x += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
        const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
        const __m128i parts[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero),
                                  _mm_unpacklo_epi16(hi, zero), _mm_unpackhi_epi16(hi, zero)};
        for (int k = 0; k < 4; ++k) {
            auto *at = reinterpret_cast<__m128i *>(sums + x + 4 * k);
            const __m128i sum = _mm_loadu_si128(at);
            _mm_storeu_si128(at, sign > 0 ? _mm_add_epi32(sum, parts[k])
                                          : _mm_sub_epi32(sum, parts[k]));
        }
    }
#endif
    for (; x < width; ++x)
        sums[x] = sign > 0 ? sums[x] + row[x] : sums[x] - row[x];
}

// Columns of `rows` rows of `width` bytes, `stride` apart, blurred down
// their length all at once: a running sum per column, four columns a step.
void blurColumns(quint8 *data, int width, int rows, qsizetype stride, const Box &box,
                 std::vector<quint32> &sums, std::vector<quint8> &ring)
{
    if (width <= 0)
        return;
    sums.assign(size_t(width), 0);
    // The rows the box still needs, kept before they are overwritten.
    const int span = box.before + 1;
    ring.resize(size_t(span) * size_t(width));
    auto add = [&](const quint8 *row) { addRow(sums.data(), row, width, 1); };
    for (int y = 0; y < std::min(box.after, rows); ++y)
        add(data + y * stride);
    for (int y = 0; y < rows; ++y) {
        quint8 *row = data + y * stride;
        if (y + box.after < rows)
            add(data + (y + box.after) * stride);
        if (y - span >= 0) {
            addRow(sums.data(), ring.data() + size_t((y - span) % span) * width, width, -1);
        }
        std::memcpy(ring.data() + size_t(y % span) * size_t(width), row, size_t(width));
        int x = 0;
#if defined(__SSE2__)
        const __m128 scale = _mm_set1_ps(box.scale);
        for (; x + 16 <= width; x += 16) {
            __m128i out[4];
            for (int k = 0; k < 4; ++k) {
                const __m128i sum =
                    _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums.data() + x + 4 * k));
                out[k] = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum), scale));
            }
            const __m128i packed =
                _mm_packus_epi16(_mm_packs_epi32(out[0], out[1]), _mm_packs_epi32(out[2], out[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x), packed);
        }
#endif
        for (; x < width; ++x)
            row[x] = quint8(std::min(255, int(float(sums[size_t(x)]) * box.scale + 0.5f)));
    }
}

// Each row of `rows` blurred along its length: single bytes.
void blurByteRows(quint8 *data, int count, int rows, qsizetype stride, const Box &box,
                  std::vector<quint8> &line)
{
    if (count <= 0)
        return;
    line.resize(size_t(count));
    for (int y = 0; y < rows; ++y) {
        quint8 *row = data + y * stride;
        std::memcpy(line.data(), row, line.size());
        int sum = 0;
        for (int i = 0; i < std::min(box.after, count); ++i)
            sum += line[size_t(i)];
        for (int x = 0; x < count; ++x) {
            if (x + box.after < count)
                sum += line[size_t(x + box.after)];
            if (x - box.before - 1 >= 0)
                sum -= line[size_t(x - box.before - 1)];
            row[x] = quint8(float(sum) * box.scale + 0.5f);
        }
    }
}

// Each row blurred along its length: pixels of four channels, the four
// sums side by side.
void blurPixelRows(quint8 *data, int count, int rows, qsizetype stride, const Box &box,
                   std::vector<quint8> &line)
{
    if (count <= 0)
        return;
    line.resize(size_t(count) * 4);
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128 scale = _mm_set1_ps(box.scale);
    auto lanes = [&](int x) {
        qint32 p;
        std::memcpy(&p, line.data() + size_t(x) * 4, 4);
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(p), zero), zero);
    };
    for (int y = 0; y < rows; ++y) {
        quint8 *row = data + y * stride;
        std::memcpy(line.data(), row, line.size());
        __m128i sum = zero;
        for (int i = 0; i < std::min(box.after, count); ++i)
            sum = _mm_add_epi32(sum, lanes(i));
        for (int x = 0; x < count; ++x) {
            if (x + box.after < count)
                sum = _mm_add_epi32(sum, lanes(x + box.after));
            if (x - box.before - 1 >= 0)
                sum = _mm_sub_epi32(sum, lanes(x - box.before - 1));
            const __m128i out = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum), scale));
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(out, zero), zero);
            const qint32 p = _mm_cvtsi128_si32(bytes);
            std::memcpy(row + size_t(x) * 4, &p, 4);
        }
    }
#else
    for (int y = 0; y < rows; ++y) {
        quint8 *row = data + y * stride;
        std::memcpy(line.data(), row, line.size());
        int sum[4] = {};
        for (int i = 0; i < std::min(box.after, count); ++i)
            for (int c = 0; c < 4; ++c)
                sum[c] += line[size_t(i) * 4 + c];
        for (int x = 0; x < count; ++x) {
            for (int c = 0; c < 4; ++c) {
                if (x + box.after < count)
                    sum[c] += line[size_t(x + box.after) * 4 + c];
                if (x - box.before - 1 >= 0)
                    sum[c] -= line[size_t(x - box.before - 1) * 4 + c];
                row[x * 4 + c] = quint8(float(sum[c]) * box.scale + 0.5f);
            }
        }
    }
#endif
}

} // namespace

Plane alphaPlane(const QImage &image)
{
    Plane plane{image.width(), image.height(), {}};
    plane.values.resize(size_t(plane.width) * size_t(plane.height));
    for (int y = 0; y < plane.height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        quint8 *out = plane.row(y);
        for (int x = 0; x < plane.width; ++x)
            out[x] = quint8(row[x] >> 24);
    }
    return plane;
}

void blurPlane(Plane &plane, int sizeX, int sizeY, int passes)
{
    std::vector<quint32> sums;
    std::vector<quint8> scratch;
    for (int pass = 0; pass < passes; ++pass) {
        if (sizeX > 1)
            blurByteRows(plane.values.data(), plane.width, plane.height, plane.width, Box(sizeX),
                         scratch);
        if (sizeY > 1)
            blurColumns(plane.values.data(), plane.width, plane.height, plane.width, Box(sizeY),
                        sums, scratch);
    }
}

void blurImage(QImage &image, int sizeX, int sizeY, int passes)
{
    std::vector<quint32> sums;
    std::vector<quint8> scratch;
    const qsizetype stride = image.bytesPerLine();
    for (int pass = 0; pass < passes; ++pass) {
        if (sizeX > 1)
            blurPixelRows(image.bits(), image.width(), image.height(), stride, Box(sizeX), scratch);
        // Down the columns every byte of a row is a column of its own.
        if (sizeY > 1)
            blurColumns(image.bits(), image.width() * 4, image.height(), stride, Box(sizeY), sums,
                        scratch);
    }
}

} // namespace swf
