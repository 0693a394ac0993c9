// A movie that tells its frame both ways: its stream sound (11,025 Hz mono
// 16-bit PCM, one block a frame) is a chord of three tones whose pitches
// spell the frame number in base 8, and its picture shows the number in
// binary, a red box per bit set (red reads on the white stage and on the
// black background the player windows give it). Reading either back says
// which frame is heard or shown, so the sound recorded from a sink can be
// laid against the frames the player showed.
#pragma once

#include "tools/swfwriter/soundwriter.h"
#include "tools/swfwriter/swfwriter.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace frametone {

constexpr int kRate = 11025;
constexpr int kDigits = 3;
constexpr int kBase = 8;
// The code repeats after this many frames; the reader unwraps it near the
// frame it expects.
constexpr int kPeriod = kBase * kBase * kBase;
constexpr int kAmplitude = 3000;
constexpr int kBits = 11;

// The tone of `digit` (0 … 7) in place `place`: whole multiples of 100 Hz,
// so that every 40 ms block starts and ends on a whole cycle, and tones
// 100 Hz apart stay apart in a 20 ms window.
inline double toneOf(int place, int digit)
{
    return 500.0 + 1000.0 * place + 100.0 * digit;
}

inline std::vector<qint16> frameSound(int frame, int samples)
{
    std::vector<qint16> out(size_t(samples), 0);
    int code = frame % kPeriod;
    for (int place = 0; place < kDigits; ++place, code /= kBase) {
        const double step = 2.0 * std::numbers::pi * toneOf(place, code % kBase) / kRate;
        for (int i = 0; i < samples; ++i)
            out[size_t(i)] = qint16(out[size_t(i)] + std::lround(kAmplitude * std::sin(step * i)));
    }
    return out;
}

// `seconds` of frames at `fps` (25 gives 441 samples a block).
inline QByteArray movie(int seconds, int fps = 25)
{
    swfwriter::SwfWriter w;
    w.setFrameRate(fps);
    w.setStageSize(20 + 18 * kBits, 60);
    w.setBackgroundColor({255, 255, 255});
    swfwriter::ShapeBuilder box;
    box.rect(QRect(0, 0, swfwriter::px(14), swfwriter::px(40)), box.addFill({255, 0, 0}));
    const quint16 boxId = w.defineShape(box);
    const int samples = kRate / fps;
    swfwriter::soundStreamHead(w, swfwriter::pcmFormat(kRate, 1), quint16(samples));
    for (int frame = 0; frame < seconds * fps; ++frame) {
        const int changed = frame > 0 ? frame ^ (frame - 1) : 0;
        for (int bit = 0; bit < kBits; ++bit) {
            if (((changed >> bit) & 1) == 0)
                continue;
            if (((frame >> bit) & 1) != 0) {
                swfwriter::Place place;
                place.depth = quint16(bit + 1);
                place.characterId = boxId;
                place.matrix = swfwriter::translation(10 + 18 * (kBits - 1 - bit), 10);
                w.placeObject2(place);
            } else {
                w.removeObject2(quint16(bit + 1));
            }
        }
        swfwriter::soundStreamBlock(w, swfwriter::pcm16(frameSound(frame, samples)));
        w.showFrame();
    }
    return w.finish();
}

inline double power(const qint16 *x, int n, double frequency, double rate)
{
    const double k = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / rate);
    double s1 = 0.0, s2 = 0.0;
    for (int i = 0; i < n; ++i) {
        const double s = x[i] + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// The code (frame modulo kPeriod) of `n` samples at `rate`, or none when
// they are silent or straddle two frames (a place holds two tones).
inline std::optional<int> readCode(const qint16 *x, int n, double rate)
{
    double energy = 0.0;
    for (int i = 0; i < n; ++i)
        energy += double(x[i]) * x[i];
    if (energy / n < 100.0 * 100.0)
        return std::nullopt;
    int code = 0;
    for (int place = kDigits - 1; place >= 0; --place) {
        double best = 0.0, second = 0.0;
        int digit = 0;
        for (int d = 0; d < kBase; ++d) {
            const double p = power(x, n, toneOf(place, d), rate);
            if (p > best) {
                second = best;
                best = p;
                digit = d;
            } else if (p > second) {
                second = p;
            }
        }
        if (best < 20.0 * second)
            return std::nullopt;
        code = code * kBase + digit;
    }
    return code;
}

// The frame of `code` nearest `expected`.
inline int unwrap(int code, int expected)
{
    const int offset = ((code - expected) % kPeriod + kPeriod + kPeriod / 2) % kPeriod - kPeriod / 2;
    return expected + offset;
}

} // namespace frametone
