#include "swf/render/pixelkernels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace swf::pixels {

namespace {

// x / 255 for x in 0 … 65025, rounded.
inline quint32 div255(quint32 x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

inline quint32 subtractPixel(quint32 s, quint32 b)
{
    quint32 out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int c = int((b >> shift) & 0xff) - int((s >> shift) & 0xff);
        out |= quint32(c > 0 ? c : 0) << shift;
    }
    const quint32 as = s >> 24, ab = b >> 24;
    return out | ((as + ab - div255(as * ab)) << 24);
}

#if defined(__SSE2__)
// Per 16-bit lane x / 255, rounded, for x in 0 … 65025.
inline __m128i div255Lanes(__m128i x)
{
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}
#endif

// The separable modes on one channel (scalar), premultiplied: `s` and `d`
// the colours, `sa` and `da` the alphas, all 0 … 255.
int separable(BlendMode mode, int s, int d, int sa, int da)
{
    const int rest = int(div255(quint32(s * (255 - da)))) + int(div255(quint32(d * (255 - sa))));
    const int sd = int(div255(quint32(s * d)));
    const int light = 2 * int(div255(quint32((da - d) * (sa - s))));
    switch (mode) {
    case BlendMode::Multiply:
        return sd + rest;
    case BlendMode::Screen:
        return s + d - sd;
    case BlendMode::Lighten:
        return std::max(int(div255(quint32(s * da))), int(div255(quint32(d * sa)))) + rest;
    case BlendMode::Darken:
        return std::min(int(div255(quint32(s * da))), int(div255(quint32(d * sa)))) + rest;
    case BlendMode::Difference:
        return s + d - 2 * std::min(int(div255(quint32(s * da))), int(div255(quint32(d * sa))));
    case BlendMode::Overlay:
        return (2 * d < da ? 2 * sd : int(div255(quint32(sa * da))) - light) + rest;
    case BlendMode::HardLight:
        return (2 * s < sa ? 2 * sd : int(div255(quint32(sa * da))) - light) + rest;
    default:
        return s;
    }
}

quint32 blendPixel(BlendMode mode, quint32 s, quint32 b)
{
    if (mode == BlendMode::Subtract)
        return subtractPixel(s, b);
    const int sa = int(s >> 24), da = int(b >> 24);
    quint32 out = (quint32(sa + da) - div255(quint32(sa * da))) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int c = separable(mode, int((s >> shift) & 0xff), int((b >> shift) & 0xff), sa, da);
        out |= quint32(std::clamp(c, 0, 255)) << shift;
    }
    return out;
}

#if defined(__SSE2__)
inline __m128i mulDiv255(__m128i a, __m128i b)
{
    return div255Lanes(_mm_mullo_epi16(a, b));
}

// Two pixels in 16-bit lanes: `s` over `d` in `mode`.
template <BlendMode Mode> inline __m128i separableLanes(__m128i s, __m128i d)
{
    const __m128i full = _mm_set1_epi16(255);
    const __m128i sa = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xff), 0xff);
    const __m128i da = _mm_shufflehi_epi16(_mm_shufflelo_epi16(d, 0xff), 0xff);
    const __m128i rest =
        _mm_add_epi16(mulDiv255(s, _mm_sub_epi16(full, da)), mulDiv255(d, _mm_sub_epi16(full, sa)));
    const __m128i alphaLane = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    const __m128i alpha = _mm_sub_epi16(_mm_add_epi16(sa, da), mulDiv255(sa, da));
    __m128i c;
    if constexpr (Mode == BlendMode::Multiply) {
        c = _mm_add_epi16(mulDiv255(s, d), rest);
    } else if constexpr (Mode == BlendMode::Screen) {
        c = _mm_sub_epi16(_mm_add_epi16(s, d), mulDiv255(s, d));
    } else if constexpr (Mode == BlendMode::Lighten) {
        c = _mm_add_epi16(_mm_max_epi16(mulDiv255(s, da), mulDiv255(d, sa)), rest);
    } else if constexpr (Mode == BlendMode::Darken) {
        c = _mm_add_epi16(_mm_min_epi16(mulDiv255(s, da), mulDiv255(d, sa)), rest);
    } else if constexpr (Mode == BlendMode::Difference) {
        const __m128i m = _mm_min_epi16(mulDiv255(s, da), mulDiv255(d, sa));
        c = _mm_sub_epi16(_mm_add_epi16(s, d), _mm_add_epi16(m, m));
    } else {
        // Overlay tests the colour below, hard light the layer's own.
        const __m128i two = Mode == BlendMode::Overlay ? _mm_add_epi16(d, d) : _mm_add_epi16(s, s);
        const __m128i of = Mode == BlendMode::Overlay ? da : sa;
        const __m128i low = _mm_cmplt_epi16(two, of);
        const __m128i sd = mulDiv255(s, d);
        const __m128i light = mulDiv255(_mm_sub_epi16(da, d), _mm_sub_epi16(sa, s));
        const __m128i high = _mm_sub_epi16(mulDiv255(sa, da), _mm_add_epi16(light, light));
        c = _mm_add_epi16(
            _mm_or_si128(_mm_and_si128(low, _mm_add_epi16(sd, sd)), _mm_andnot_si128(low, high)),
            rest);
    }
    return _mm_or_si128(_mm_and_si128(alphaLane, alpha), _mm_andnot_si128(alphaLane, c));
}

template <BlendMode Mode>
void separableRow(const quint32 *top, const quint32 *below, quint32 *out, int count)
{
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(top + x));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(below + x));
        const __m128i lo =
            separableLanes<Mode>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        const __m128i hi =
            separableLanes<Mode>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), _mm_packus_epi16(lo, hi));
    }
    for (; x < count; ++x)
        out[x] = blendPixel(Mode, top[x], below[x]);
}
#endif

// Alpha keeps what lies below as far as the layer covers it, erase as far
// as it does not: every channel below times the layer's (or 255 less the
// layer's) alpha.
template <BlendMode Mode>
void coverageRow(const quint32 *top, const quint32 *below, quint32 *out, int count)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(top + x));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(below + x));
        __m128i lanes[2] = {_mm_unpacklo_epi8(s, zero), _mm_unpackhi_epi8(s, zero)};
        const __m128i dl[2] = {_mm_unpacklo_epi8(d, zero), _mm_unpackhi_epi8(d, zero)};
        for (int k = 0; k < 2; ++k) {
            __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(lanes[k], 0xff), 0xff);
            if constexpr (Mode == BlendMode::Erase)
                a = _mm_sub_epi16(full, a);
            lanes[k] = div255Lanes(_mm_mullo_epi16(dl[k], a));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x),
                         _mm_packus_epi16(lanes[0], lanes[1]));
    }
#endif
    for (; x < count; ++x) {
        const quint32 a = Mode == BlendMode::Erase ? 255 - (top[x] >> 24) : top[x] >> 24;
        quint32 result = 0;
        for (int shift = 0; shift < 32; shift += 8)
            result |= div255(((below[x] >> shift) & 0xff) * a) << shift;
        out[x] = result;
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define ORVANTO_AVX2 1
#define AVX2_FN __attribute__((target("avx2")))

AVX2_FN inline __m256i div255Lanes256(__m256i x)
{
    x = _mm256_add_epi16(x, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

AVX2_FN inline __m256i mulDiv255(__m256i a, __m256i b)
{
    return div255Lanes256(_mm256_mullo_epi16(a, b));
}

// Four pixels in 16-bit lanes, as separableLanes does two.
template <BlendMode Mode> AVX2_FN inline __m256i separableLanes256(__m256i s, __m256i d)
{
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i sa = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xff), 0xff);
    const __m256i da = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(d, 0xff), 0xff);
    const __m256i rest = _mm256_add_epi16(mulDiv255(s, _mm256_sub_epi16(full, da)),
                                          mulDiv255(d, _mm256_sub_epi16(full, sa)));
    const __m256i alphaLane = _mm256_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0);
    const __m256i alpha = _mm256_sub_epi16(_mm256_add_epi16(sa, da), mulDiv255(sa, da));
    __m256i c;
    if constexpr (Mode == BlendMode::Multiply) {
        c = _mm256_add_epi16(mulDiv255(s, d), rest);
    } else if constexpr (Mode == BlendMode::Screen) {
        c = _mm256_sub_epi16(_mm256_add_epi16(s, d), mulDiv255(s, d));
    } else if constexpr (Mode == BlendMode::Lighten) {
        c = _mm256_add_epi16(_mm256_max_epi16(mulDiv255(s, da), mulDiv255(d, sa)), rest);
    } else if constexpr (Mode == BlendMode::Darken) {
        c = _mm256_add_epi16(_mm256_min_epi16(mulDiv255(s, da), mulDiv255(d, sa)), rest);
    } else if constexpr (Mode == BlendMode::Difference) {
        const __m256i m = _mm256_min_epi16(mulDiv255(s, da), mulDiv255(d, sa));
        c = _mm256_sub_epi16(_mm256_add_epi16(s, d), _mm256_add_epi16(m, m));
    } else {
        const __m256i two =
            Mode == BlendMode::Overlay ? _mm256_add_epi16(d, d) : _mm256_add_epi16(s, s);
        const __m256i of = Mode == BlendMode::Overlay ? da : sa;
        const __m256i low = _mm256_cmpgt_epi16(of, two);
        const __m256i sd = mulDiv255(s, d);
        const __m256i light = mulDiv255(_mm256_sub_epi16(da, d), _mm256_sub_epi16(sa, s));
        const __m256i high = _mm256_sub_epi16(mulDiv255(sa, da), _mm256_add_epi16(light, light));
        c = _mm256_add_epi16(_mm256_blendv_epi8(high, _mm256_add_epi16(sd, sd), low), rest);
    }
    return _mm256_blendv_epi8(c, alpha, alphaLane);
}

template <BlendMode Mode>
AVX2_FN void separableRow256(const quint32 *top, const quint32 *below, quint32 *out, int count)
{
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(top + x));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(below + x));
        const __m256i lo =
            separableLanes256<Mode>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
        const __m256i hi =
            separableLanes256<Mode>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), _mm256_packus_epi16(lo, hi));
    }
    separableRow<Mode>(top + x, below + x, out + x, count - x);
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

void scale(quint32 *row, int count, int factor)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i k = _mm_set1_epi16(short(factor));
    const __m128i zero = _mm_setzero_si128();
    for (; x + 4 <= count; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + x));
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), k), 8);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), k), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + x), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; x < count; ++x) {
        const quint32 p = row[x];
        quint32 out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |= ((((p >> shift) & 0xff) * quint32(factor)) >> 8) << shift;
        row[x] = out;
    }
}

void subtract(const quint32 *top, const quint32 *below, quint32 *out, int count)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i colours = _mm_set1_epi32(0x00ffffff);
    for (; x + 4 <= count; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(top + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(below + x));
        const __m128i difference = _mm_and_si128(_mm_subs_epu8(b, s), colours);
        // Alphas in the low 16 bits of each 32-bit lane.
        const __m128i as = _mm_srli_epi32(s, 24), ab = _mm_srli_epi32(b, 24);
        const __m128i both = div255Lanes(_mm_mullo_epi16(as, ab));
        const __m128i alpha = _mm_sub_epi32(_mm_add_epi32(as, ab), both);
        const __m128i result = _mm_or_si128(difference, _mm_slli_epi32(alpha, 24));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), result);
    }
#endif
    for (; x < count; ++x)
        out[x] = subtractPixel(top[x], below[x]);
}

bool blends(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Multiply:
    case BlendMode::Screen:
    case BlendMode::Lighten:
    case BlendMode::Darken:
    case BlendMode::Difference:
    case BlendMode::Overlay:
    case BlendMode::HardLight:
    case BlendMode::Subtract:
    case BlendMode::Alpha:
    case BlendMode::Erase:
        return true;
    default:
        return false;
    }
}

void blend(BlendMode mode, const quint32 *top, const quint32 *below, quint32 *out, int count)
{
    if (mode == BlendMode::Alpha)
        return coverageRow<BlendMode::Alpha>(top, below, out, count);
    if (mode == BlendMode::Erase)
        return coverageRow<BlendMode::Erase>(top, below, out, count);
#if defined(ORVANTO_AVX2)
    if (hasAvx2()) {
        switch (mode) {
        case BlendMode::Multiply:
            return separableRow256<BlendMode::Multiply>(top, below, out, count);
        case BlendMode::Screen:
            return separableRow256<BlendMode::Screen>(top, below, out, count);
        case BlendMode::Lighten:
            return separableRow256<BlendMode::Lighten>(top, below, out, count);
        case BlendMode::Darken:
            return separableRow256<BlendMode::Darken>(top, below, out, count);
        case BlendMode::Difference:
            return separableRow256<BlendMode::Difference>(top, below, out, count);
        case BlendMode::Overlay:
            return separableRow256<BlendMode::Overlay>(top, below, out, count);
        case BlendMode::HardLight:
            return separableRow256<BlendMode::HardLight>(top, below, out, count);
        default:
            break;
        }
    }
#endif
#if defined(__SSE2__)
    switch (mode) {
    case BlendMode::Multiply:
        return separableRow<BlendMode::Multiply>(top, below, out, count);
    case BlendMode::Screen:
        return separableRow<BlendMode::Screen>(top, below, out, count);
    case BlendMode::Lighten:
        return separableRow<BlendMode::Lighten>(top, below, out, count);
    case BlendMode::Darken:
        return separableRow<BlendMode::Darken>(top, below, out, count);
    case BlendMode::Difference:
        return separableRow<BlendMode::Difference>(top, below, out, count);
    case BlendMode::Overlay:
        return separableRow<BlendMode::Overlay>(top, below, out, count);
    case BlendMode::HardLight:
        return separableRow<BlendMode::HardLight>(top, below, out, count);
    case BlendMode::Subtract:
        return subtract(top, below, out, count);
    default:
        return;
    }
#else
    for (int x = 0; x < count; ++x)
        out[x] = blendPixel(mode, top[x], below[x]);
#endif
}

void whiten(quint32 *row, int count)
{
    for (int x = 0; x < count; ++x)
        row[x] = (row[x] >> 24) * 0x01010101u;
}

} // namespace swf::pixels
