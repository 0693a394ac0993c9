// DefineMorphShape and DefineMorphShape2: the morph styles as the model
// holds them, the start and end edges drawn with ShapeBuilders that use
// style indices only (no styles of their own).
#pragma once

#include "swf/model/morphshape.h"
#include "tools/swfwriter/swfwriter.h"

#include <optional>
#include <vector>

namespace swfwriter {

// The body of a DefineMorphShape (`version` 1) or DefineMorphShape2 (2).
QByteArray morphShapeBody(quint16 id, const std::vector<swf::MorphFillStyle> &fills,
                          const std::vector<swf::MorphLineStyle> &lines, const ShapeBuilder &start,
                          const ShapeBuilder &end, int version);
quint16 defineMorphShape(SwfWriter &movie, const std::vector<swf::MorphFillStyle> &fills,
                         const std::vector<swf::MorphLineStyle> &lines, const ShapeBuilder &start,
                         const ShapeBuilder &end, int version = 1,
                         std::optional<quint16> id = std::nullopt);

// A solid morph fill from one colour to another.
swf::MorphFillStyle morphSolid(swf::Rgba start, swf::Rgba end);

} // namespace swfwriter
