#include "swf/runtime/placementstate.h"

#include "swf/log.h"
#include "swf/model/movie.h"

namespace swf {

namespace {

void applyFields(PlacementState &state, const PlaceObject &place)
{
    if (place.matrix)
        state.matrix = *place.matrix;
    if (place.colorTransform)
        state.colorTransform = *place.colorTransform;
    if (place.ratio)
        state.ratio = *place.ratio;
    if (place.name)
        state.name = *place.name;
    if (place.clipDepth)
        state.clipDepth = *place.clipDepth;
    if (place.blendMode)
        state.blendMode = *place.blendMode;
    if (place.filters)
        state.filters = &*place.filters;
    if (place.bitmapCache)
        state.cacheAsBitmap = *place.bitmapCache != 0;
    if (place.visible)
        state.visible = *place.visible != 0;
    if (place.opaqueBackground)
        state.opaqueBackground = *place.opaqueBackground;
    if (place.clipActions)
        state.clipActions = &*place.clipActions;
}

bool defined(quint16 id, const Movie &movie)
{
    if (movie.character(id))
        return true;
    qCDebug(lcSwfIo) << "placement of undefined character" << id << "ignored";
    return false;
}

// Shapes and morph shapes hold no state of their own, so the Flash Player
// swaps one for another in place. An object with a timeline, states or
// text (a sprite, a button, a text field, static text) stays as it is when
// a move names another character, and so does a shape when the new one is
// such an object; the move's other fields still apply.
bool isShapeLike(const Character *character)
{
    return character && (character->kind() == CharacterKind::Shape ||
                         character->kind() == CharacterKind::MorphShape);
}

bool changesInPlace(quint16 from, quint16 to, const Movie &movie)
{
    if (isShapeLike(movie.character(from)) && isShapeLike(movie.character(to)))
        return true;
    qCDebug(lcSwfIo) << "move of character" << from << "naming character" << to
                     << "keeps the object";
    return false;
}

} // namespace

std::optional<PlacementState> placedState(const PlacementState *current, const PlaceObject &place,
                                          int frame, const Movie &movie)
{
    const bool create = place.version == 1 || !place.move;
    if (create) {
        // From version 6 the Flash Player leaves an occupied depth to the
        // object there when PlaceObject2 or 3 would create another; before,
        // the new object takes the depth and the old one goes without a
        // word (no unload).
        if (current && place.version != 1 && movie.version() >= 6)
            return std::nullopt;
        if (!place.characterId || !defined(*place.characterId, movie))
            return std::nullopt;
        PlacementState state;
        state.characterId = *place.characterId;
        state.depth = place.depth;
        state.placedFrame = frame;
        applyFields(state, place);
        return state;
    }
    // A move of an empty depth does nothing, a character named or not.
    if (!current)
        return std::nullopt;
    PlacementState state = *current;
    if (place.characterId && *place.characterId != current->characterId &&
        defined(*place.characterId, movie) &&
        changesInPlace(current->characterId, *place.characterId, movie))
        state.characterId = *place.characterId;
    applyFields(state, place);
    return state;
}

void applyFrame(PlacementMap &placements, const Frame &frame, int frameIndex, const Movie &movie)
{
    for (const auto &tag : frame.tags) {
        if (tag->kind() == ControlKind::PlaceObject) {
            const auto &place = static_cast<const PlaceObject &>(*tag);
            const auto it = placements.find(place.depth);
            auto next = placedState(it == placements.end() ? nullptr : &it->second, place,
                                    frameIndex, movie);
            if (next)
                placements[place.depth] = std::move(*next);
        } else if (tag->kind() == ControlKind::RemoveObject) {
            placements.erase(static_cast<const RemoveObject &>(*tag).depth);
        }
    }
}

} // namespace swf
