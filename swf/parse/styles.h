// Fill and line styles of DefineShape 1–4, shared with the families that
// reuse them (morph shapes and text keep their own variants).
#pragma once

#include "swf/io/reader.h"
#include "swf/model/shape.h"

namespace swf {

// `shapeVersion` is 1…4: colours are RGB before DefineShape3, line styles
// are LINESTYLE2 in DefineShape4, and the extended fill count exists from
// DefineShape2 on.
bool readFillStyle(Reader &r, int shapeVersion, FillStyle &fill);
bool readStyleTable(Reader &r, int shapeVersion, StyleTable &table);

} // namespace swf
