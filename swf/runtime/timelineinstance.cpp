#include "swf/runtime/timelineinstance.h"

#include "swf/model/movie.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/runtimecontext.h"

#include <vector>

namespace swf {

namespace {

// Fields a jump may change on an object that survives it.
bool samePlacement(const PlacementState &a, const PlacementState &b)
{
    return a.matrix == b.matrix && a.colorTransform == b.colorTransform && a.ratio == b.ratio &&
           a.name == b.name && a.clipDepth == b.clipDepth && a.blendMode == b.blendMode &&
           a.filters == b.filters && a.cacheAsBitmap == b.cacheAsBitmap && a.visible == b.visible &&
           a.opaqueBackground == b.opaqueBackground && a.clipActions == b.clipActions;
}

bool sameCreation(const PlacementState &a, const PlacementState &b)
{
    return a.characterId == b.characterId && a.placedFrame == b.placedFrame;
}

} // namespace

TimelineInstance::TimelineInstance(const Timeline &timeline, DisplayObject *owner)
    : m_timeline(timeline), m_owner(owner)
{
}

void TimelineInstance::enterFirstFrame(RuntimeContext &context)
{
    if (m_frame >= 0)
        return;
    if (frameCount() == 0) {
        m_frame = 0;
        return;
    }
    executeFrame(0, context);
}

void TimelineInstance::step(RuntimeContext &context)
{
    // Children first: those created by this step show their first frame.
    std::vector<std::pair<int, quint64>> existing;
    existing.reserve(m_list.size());
    for (const auto &[depth, object] : m_list.objects()) {
        if (object->children())
            existing.emplace_back(depth, object->serial());
    }
    for (const auto &[depth, serial] : existing) {
        DisplayObject *object = m_list.at(depth);
        if (object && object->serial() == serial)
            object->advance(context);
    }
    if (frameCount() <= 1)
        return;
    if (m_frame + 1 >= frameCount())
        jumpTo(0, context);
    else
        executeFrame(m_frame + 1, context);
}

void TimelineInstance::gotoFrame(int target, RuntimeContext &context)
{
    if (frameCount() == 0)
        return;
    target = qBound(0, target, frameCount() - 1);
    if (target == m_frame)
        return;
    if (target == m_frame + 1)
        executeFrame(target, context);
    else
        jumpTo(target, context);
}

void TimelineInstance::executeFrame(int frame, RuntimeContext &context)
{
    m_frame = frame;
    for (const auto &tag : m_timeline.frames[frame].tags) {
        switch (tag->kind()) {
        case ControlKind::PlaceObject: {
            const auto &placeTag = static_cast<const PlaceObject &>(*tag);
            DisplayObject *current = m_list.at(placeTag.depth);
            auto next = placedState(current ? &current->placement() : nullptr, placeTag, frame,
                                    context.movie);
            if (next)
                place(*next, context);
            break;
        }
        case ControlKind::RemoveObject:
            if (m_list.at(static_cast<const RemoveObject &>(*tag).depth)) {
                m_list.remove(static_cast<const RemoveObject &>(*tag).depth);
                context.changed = true;
            }
            break;
        default:
            if (isSoundEvent(tag->kind()) && context.audio)
                context.audio->soundEvent(SoundEvent{*tag, m_owner, frame});
            break;
        }
    }
}

// Builds the placements of `target` (from the current ones when going
// forward, from the first frame when going back) and makes the display
// list match them.
void TimelineInstance::jumpTo(int target, RuntimeContext &context)
{
    PlacementMap placements;
    int from = 0;
    if (target > m_frame && m_frame >= 0) {
        for (const auto &[depth, object] : m_list.objects()) {
            if (object->placement().placedFrame >= 0)
                placements.emplace(depth, object->placement());
        }
        from = m_frame + 1;
    }
    for (int f = from; f <= target; ++f)
        applyFrame(placements, m_timeline.frames[f], f, context.movie);
    reconcile(placements, context);
    m_frame = target;
    forwardSounds(target, context);
}

void TimelineInstance::reconcile(const PlacementMap &placements, RuntimeContext &context)
{
    std::vector<int> gone;
    for (const auto &[depth, object] : m_list.objects()) {
        const auto it = placements.find(depth);
        if (it == placements.end() || !sameCreation(it->second, object->placement()))
            gone.push_back(depth);
    }
    for (int depth : gone)
        m_list.remove(depth);
    if (!gone.empty())
        context.changed = true;
    for (const auto &[depth, state] : placements) {
        DisplayObject *object = m_list.at(depth);
        if (!object) {
            place(state, context);
        } else if (!samePlacement(object->placement(), state)) {
            object->placement() = state;
            context.changed = true;
        }
    }
}

// Puts `state` at its depth: the object there is updated when it is the
// same creation, replaced otherwise.
void TimelineInstance::place(const PlacementState &state, RuntimeContext &context)
{
    DisplayObject *current = m_list.at(state.depth);
    context.changed = true;
    if (current && sameCreation(current->placement(), state)) {
        current->placement() = state;
        return;
    }
    if (auto object = instantiate(state, m_owner, context))
        m_list.insert(std::move(object));
    else
        m_list.remove(state.depth);
}

void TimelineInstance::forwardSounds(int frame, RuntimeContext &context)
{
    if (!context.audio)
        return;
    for (const auto &tag : m_timeline.frames[frame].tags) {
        if (isSoundEvent(tag->kind()))
            context.audio->soundEvent(SoundEvent{*tag, m_owner, frame});
    }
}

} // namespace swf
