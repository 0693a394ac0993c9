// How each kind of leaf object is drawn, and the area it covers when it
// serves as a mask. A new kind (bitmaps, text, morph shapes, video) adds
// a file with its two functions and one line in drawkinds.cpp.
#pragma once

#include "swf/geometry/drawing.h"
#include "swf/geometry/shapegeometry.h"
#include "swf/model/character.h"
#include "swf/render/drawcontext.h"

#include <QPainterPath>

namespace swf {

struct DrawKind {
    void (*draw)(const DisplayObject &object, const DrawState &state, DrawContext &context);
    // The covered area in the object's own coordinates (twips).
    QPainterPath (*outline)(const DisplayObject &object, DrawContext &context);
};

// Null for kinds that draw nothing (yet).
const DrawKind *drawKind(CharacterKind kind);

// One per kind, each in its own drawer file; null while a kind draws nothing.
const DrawKind *morphShapeDrawKind(); // morphdrawer.cpp
const DrawKind *bitmapDrawKind();     // bitmapdrawer.cpp
const DrawKind *textDrawKind();       // textdrawer.cpp
const DrawKind *editTextDrawKind();   // edittextdrawer.cpp
const DrawKind *videoDrawKind();      // videodrawer.cpp

// shapedrawer.cpp; drawGeometry also draws morph shapes at their ratio.
void drawGeometry(ShapeGeometry &geometry, int shapeVersion, const DrawState &state,
                  DrawContext &context);
void drawShape(const DisplayObject &object, const DrawState &state, DrawContext &context);
// What scripts drew on a clip, under its children.
void drawDrawing(const Drawing &drawing, const DrawState &state, DrawContext &context);
QPainterPath shapeOutline(const DisplayObject &object, DrawContext &context);

} // namespace swf
