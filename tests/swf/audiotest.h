// Helpers shared by the sound tests: measuring signals, and playing a
// movie's frames through the engine without a device.
#pragma once

#include "swf/audio/audioengine.h"
#include "swf/audio/audiooutput.h"
#include "swf/audio/soundcapture.h"
#include "swftest.h"
#include "tools/swfwriter/soundwriter.h"

#include <cmath>
#include <numbers>

// One channel of interleaved samples, as doubles.
inline std::vector<double> channel(const std::vector<qint16> &samples, int channels, int which = 0)
{
    std::vector<double> out;
    for (size_t i = size_t(which); i < samples.size(); i += size_t(channels))
        out.push_back(samples[i]);
    return out;
}

inline double rms(const std::vector<double> &x, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, x.size());
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

// Power of `frequency` in `x` (Goertzel).
inline double powerAt(const std::vector<double> &x, double frequency, double rate)
{
    const double k = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / rate);
    double s1 = 0.0, s2 = 0.0;
    for (double v : x) {
        const double s = v + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// The strongest frequency from 50 Hz to half the rate, in 5 Hz steps.
inline double dominantFrequency(const std::vector<double> &x, double rate)
{
    double best = 0.0, bestPower = -1.0;
    for (double f = 50.0; f < rate / 2; f += 5.0) {
        const double p = powerAt(x, f, rate);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

// Normalised correlation of `a` with `b` shifted `lag` samples later.
inline double correlation(const std::vector<double> &a, const std::vector<double> &b, size_t lag)
{
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i + lag < b.size() && i < a.size(); ++i) {
        ab += a[i] * b[i + lag];
        aa += a[i] * a[i];
        bb += b[i + lag] * b[i + lag];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

// A movie played without a device: the engine mixes when asked, the
// capture records what started.
struct OfflinePlay {
    explicit OfflinePlay(std::shared_ptr<const swf::Movie> m, swf::AudioOutput *output = nullptr)
        : movie(std::move(m)), engine(movie, output), player(movie, &engine)
    {
        engine.setCapture(&capture);
        engine.attach(&player);
    }
    // Mixes `frames` output frames (stereo).
    std::vector<qint16> mix(int frames)
    {
        std::vector<qint16> out(size_t(frames) * 2);
        engine.render(out.data(), frames);
        return out;
    }
    // Steps one frame, recording the frame number sounds start in.
    void step()
    {
        capture.setFrame(capture.frame() + 1);
        player.step();
    }

    std::shared_ptr<const swf::Movie> movie;
    swf::SoundCapture capture;
    swf::AudioEngine engine;
    swf::Player player;
};
