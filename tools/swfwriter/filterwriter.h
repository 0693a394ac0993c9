// SURFACEFILTERLIST records from decoded filters: what PlaceObject3 and
// button records carry (Place::rawFilters, ButtonRecordSpec::rawFilters).
#pragma once

#include "swf/model/filter.h"

#include <QByteArray>

#include <vector>

namespace swfwriter {

// One filter record, kind byte first; lengths in stage pixels, the angle in
// radians, as swf::Filter holds them.
QByteArray filterRecord(const swf::Filter &filter);
// The list: a count byte, then each record.
QByteArray filterList(const std::vector<swf::Filter> &filters);

} // namespace swfwriter
