// FILTERLIST of PlaceObject3 and DefineButton2 records.
#pragma once

#include "swf/io/reader.h"
#include "swf/model/filter.h"

#include <vector>

namespace swf {

// Reads a filter count and the filters; false when one is of an unknown
// kind or the data ends inside the list.
bool readFilterList(Reader &r, std::vector<Filter> &filters);

} // namespace swf
