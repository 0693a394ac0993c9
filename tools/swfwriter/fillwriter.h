// Encoded FILLSTYLEs beyond solid colours, for ShapeBuilder::addRawFill:
// gradients and bitmap fills, and the matrices authoring tools give them.
#pragma once

#include "swf/model/shape.h"

#include <QByteArray>
#include <QRect>

#include <vector>

namespace swfwriter {

struct GradientSpec {
    swf::FillKind kind = swf::FillKind::LinearGradient; // linear, radial or focal
    swf::Matrix matrix;
    swf::SpreadMode spread = swf::SpreadMode::Pad;
    swf::InterpolationMode interpolation = swf::InterpolationMode::Normal;
    // Written as given, ratios in any order; at most 15 fit the count field.
    std::vector<swf::GradientRecord> records;
    double focalPoint = 0.0;
};

// A gradient FILLSTYLE for DefineShape`shapeVersion` (colours are RGB
// before version 3).
QByteArray gradientFill(const GradientSpec &gradient, int shapeVersion);

// A bitmap FILLSTYLE (kinds 0x40 … 0x43); the matrix maps bitmap pixels
// to twips, so a scale of 20 draws one bitmap pixel per stage pixel.
QByteArray bitmapFill(swf::FillKind kind, quint16 bitmapId, const swf::Matrix &matrix);

// The matrix that maps the gradient square (−16384 … 16384) onto `twips`,
// turned by `degrees`, as authoring tools write it.
swf::Matrix gradientBox(const QRect &twips, double degrees = 0.0);

} // namespace swfwriter
