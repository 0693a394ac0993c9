// Blend modes of PlaceObject3: an object with a mode other than normal is
// drawn as a group into a layer of its own, which is then composited onto
// what lies below it.
#pragma once

#include "swf/types.h"

#include <QImage>
#include <QPainter>

namespace swf {

// The modes' numbers in PlaceObject3; 0, 1 and unknown values are normal.
enum class BlendMode : quint8 {
    Normal = 1,
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11,
    Erase = 12,
    Overlay = 13,
    HardLight = 14,
};

BlendMode blendModeOf(quint8 value);

// Alpha and erase act on the layer of the object's parent, so they only
// show inside such a layer.
bool actsOnParentLayer(BlendMode mode);

// Draws `layer` (premultiplied, device pixels at `at`) onto `target`'s
// device, under its current clip, with the colour transform `cx` applied
// to the layer as a whole.
void compositeLayer(QPainter &target, QImage &layer, QPoint at, BlendMode mode,
                    const ColorTransform &cx);

} // namespace swf
