// Surface filters applied to the layer an object with filters is drawn
// into. Parameters are in stage pixels; the caller gives the device pixels
// per stage pixel.
#pragma once

#include "swf/model/filter.h"

#include <QImage>

#include <vector>

namespace swf {

// Device pixels the filters may draw beyond their object, per side.
int filterMargin(const std::vector<Filter> &filters, double scale);

// Applies `filters` in order to a Format_ARGB32_Premultiplied layer.
void applyFilters(QImage &layer, const std::vector<Filter> &filters, double scale);

} // namespace swf
