// What the display list knows of one placed object: which character, where
// and how it is drawn, and which frame of its timeline created it.
#pragma once

#include "swf/model/placement.h"
#include "swf/types.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace swf {

class Movie;

struct PlacementState {
    quint16 characterId = 0;
    int depth = 0;
    Matrix matrix;
    ColorTransform colorTransform;
    quint16 ratio = 0;
    QString name;
    quint16 clipDepth = 0; // masks depths depth+1 … clipDepth when non-zero
    // The frame whose PlaceObject created the object. An object survives a
    // jump only when the target frame's placement has the same creator.
    int placedFrame = -1;
    // PlaceObject3 refinements, for the drawing work that uses them.
    quint8 blendMode = 0;
    const std::vector<Filter> *filters = nullptr;
    // Filters a script set: `filters` points into them.
    std::shared_ptr<const std::vector<Filter>> scriptFilters;
    bool cacheAsBitmap = false;
    bool visible = true;
    // Filled over the object's bounds behind it.
    std::optional<Rgba> opaqueBackground;
    const ClipActions *clipActions = nullptr;
};

// Placements by depth: a timeline's display list without its instances.
using PlacementMap = std::map<int, PlacementState>;

// The state at `place.depth` after `place`, given the one before it (null
// when the depth is free). Empty when the tag leaves the depth unchanged:
// a move without a character of an empty depth, or a character the
// dictionary lacks. A placement without the move flag makes a new object
// even where one is. A move that names
// another character changes it only from a shape (or morph shape) to a
// shape (or morph shape); otherwise the object keeps its character.
std::optional<PlacementState> placedState(const PlacementState *current, const PlaceObject &place,
                                          int frame, const Movie &movie);

// Runs one frame's control tags over placements.
void applyFrame(PlacementMap &placements, const Frame &frame, int frameIndex, const Movie &movie);

} // namespace swf
