// A surface filter of PlaceObject3 or a button record, decoded: blur, drop
// shadow, glow, bevel, gradient glow and bevel, colour matrix and
// convolution. Lengths are in stage pixels. Scripts build them too.
#pragma once

#include "swf/model/shape.h"
#include "swf/types.h"

#include <array>
#include <vector>

namespace swf {

struct Filter {
    // The filter ids of the SWF file-format documentation.
    enum class Kind : quint8 {
        DropShadow = 0,
        Blur = 1,
        Glow = 2,
        Bevel = 3,
        GradientGlow = 4,
        Convolution = 5,
        ColorMatrix = 6,
        GradientBevel = 7,
    };
    Kind kind = Kind::Blur;
    Rgba color;     // shadow, glow; the shadow of a bevel
    Rgba highlight; // bevel
    double blurX = 0.0;
    double blurY = 0.0;
    double angle = 0.0; // radians
    double distance = 0.0;
    double strength = 1.0;
    bool inner = false;
    bool knockout = false;
    bool compositeSource = true;
    bool onTop = false;
    int passes = 1;
    Gradient gradient;              // gradient glow and bevel: its colours and ratios
    std::array<float, 20> matrix{}; // colour matrix
    int matrixX = 0;                // convolution
    int matrixY = 0;
    std::vector<float> kernel;
    float divisor = 1.0f;
    float bias = 0.0f;
    Rgba defaultColor;
    bool clamp = true;
    bool preserveAlpha = false;
};

} // namespace swf
