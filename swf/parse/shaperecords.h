// SHAPERECORDs: the edges and style changes of DefineShape 1–4 and of the
// two edge lists of morph shapes.
#pragma once

#include "swf/model/shape.h"
#include "swf/parse/tagcontext.h"

#include <optional>
#include <vector>

namespace swf {

// Widths of the style indices in style-change records.
struct RecordBits {
    int fill = 0;
    int line = 0;
};

// Reads records up to the end record into `records`. A new-styles record
// adds its table to `styleTables` (read for `shapeVersion`); where that is
// null (morph shapes) such a record is an error. Records cut short keep
// what was read before the cut and report the overrun.
std::optional<Error> readShapeRecords(TagContext &c, std::vector<ShapeRecord> &records,
                                      RecordBits bits, int shapeVersion,
                                      std::vector<StyleTable> *styleTables);

} // namespace swf
