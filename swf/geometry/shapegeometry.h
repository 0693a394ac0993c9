// A shape's records turned into paths, once per character: for each layer
// (a new-styles record starts one) a closed path per fill style and an open
// path per line style, in shape coordinates (twips).
#pragma once

#include "swf/model/shape.h"

#include <QPainterPath>

#include <vector>

namespace swf {

struct StyledPath {
    quint32 style = 0; // 0-based index into the layer's fills or lines
    QPainterPath path;
};

// A line path and, once it was needed, the outline of its stroke. Lines
// scale with their shape, so the outline is made once in shape coordinates
// and filled from then on: stroking anew every frame costs far more.
struct LinePath : StyledPath {
    QPainterPath outline;
    bool outlined = false;
};

struct ShapeLayer {
    const StyleTable *styles = nullptr;
    std::vector<StyledPath> fills; // in style order, drawn first
    std::vector<LinePath> lines;   // in style order, drawn over the fills
};

struct ShapeGeometry {
    std::vector<ShapeLayer> layers;
    // Style indices pointing past their style arrays, dropped.
    int badStyleIndices = 0;

    // Everything the fills cover, for masks.
    QPainterPath fillOutline() const;
};

// `a` + `b`, each coordinate kept within ±2^30 twips: a long run of edges
// in one direction cannot overflow the pen.
QPoint offsetPoint(QPoint a, QPoint b);

// Each edge carries a left and a right fill (fill style 0 and 1). For each
// fill style the edges where it is fill 1 are taken as they run, those
// where it is fill 0 reversed, and joined head to tail into closed
// contours, filled even-odd unless DefineShape4 asks for non-zero winding.
ShapeGeometry buildShapeGeometry(const Shape &shape);

// The areas that take the pointer: fills, and strokes at least a pixel
// wide, in shape coordinates.
std::vector<QPainterPath> pointerArea(const ShapeGeometry &geometry);

} // namespace swf
