// Where an object can draw, in device pixels, from the bounds its
// definitions declare (strokes included): for culling objects off the
// picture and for sizing the layers of blend modes.
#pragma once

#include "swf/render/drawcontext.h"
#include "swf/runtime/displayobject.h"

#include <QRectF>

#include <optional>

namespace swf {

// The device rectangle `object` draws within under `transform`, or
// nothing when a kind inside it declares no bounds (text; kinds drawn by
// others), in which case it may draw anywhere.
std::optional<QRectF> deviceBounds(const DisplayObject &object, const QTransform &transform,
                                   DrawContext &context);

// The rectangle in the object's own coordinates (twips) that its
// definitions declare, strokes and text fields included, children's
// mapped into their parent's; nothing when it declares none.
std::optional<QRectF> localBounds(const DisplayObject &object, DrawContext &context);

} // namespace swf
