#include "swf/runtime/timelineinstance.h"

#include "swf/model/movie.h"
#include "swf/model/scripttags.h"
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

TimelineInstance::TimelineInstance(const Timeline &timeline, DisplayObject &owner)
    : m_timeline(timeline), m_owner(owner)
{
}

const DisplayObject *TimelineInstance::soundOwner() const
{
    return m_owner.parent() ? &m_owner : nullptr;
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
    std::vector<ObjectHandle> existing;
    existing.reserve(m_list.size());
    for (const auto &[depth, object] : m_list.objects()) {
        if (object->children())
            existing.push_back(object->handle());
    }
    for (const ObjectHandle handle : existing) {
        if (DisplayObject *object = context.find(handle))
            object->advance(context);
    }
    if (!m_playing || frameCount() <= 1)
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
    // Scripts are queued before the objects of the frame are made, so the
    // frame's own actions run before those of the clips it places.
    forwardScripts(frame, true, context);
    for (const auto &tag : m_timeline.frames[frame].tags) {
        switch (tag->kind()) {
        case ControlKind::PlaceObject: {
            const auto &placeTag = static_cast<const PlaceObject &>(*tag);
            DisplayObject *current = m_list.at(placeTag.depth);
            auto next = placedState(current ? &current->placement() : nullptr, placeTag, frame,
                                    m_owner.movie());
            if (next)
                place(*next, context);
            break;
        }
        case ControlKind::RemoveObject:
            removeChild(m_list, static_cast<const RemoveObject &>(*tag).depth, context);
            break;
        default:
            if (isSoundEvent(tag->kind()) && context.audio)
                context.audio->soundEvent(SoundEvent{*tag, soundOwner(), frame});
            break;
        }
    }
    context.scripts->frameEntered(m_owner, frame);
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
            if (!object->isDynamic())
                placements.emplace(depth, object->placement());
        }
        from = m_frame + 1;
    }
    // Init actions of the frames passed over still run (once each); only
    // the target frame's own actions do.
    for (int f = from; f < target; ++f)
        forwardScripts(f, false, context);
    for (int f = from; f <= target; ++f)
        applyFrame(placements, m_timeline.frames[f], f, m_owner.movie());
    m_frame = target;
    forwardScripts(target, true, context);
    reconcile(placements, context);
    forwardSounds(target, context);
    context.scripts->frameEntered(m_owner, target);
}

void TimelineInstance::reconcile(const PlacementMap &placements, RuntimeContext &context)
{
    std::vector<int> gone;
    for (const auto &[depth, object] : m_list.objects()) {
        if (object->isDynamic())
            continue;
        const auto it = placements.find(depth);
        if (it == placements.end() || !sameCreation(it->second, object->placement()))
            gone.push_back(depth);
    }
    for (int depth : gone)
        removeChild(m_list, depth, context);
    for (const auto &[depth, state] : placements) {
        DisplayObject *object = m_list.at(depth);
        if (!object) {
            place(state, context);
        } else if (!object->isDynamic() && !samePlacement(object->placement(), state)) {
            object->applyTimelinePlacement(state);
            context.changed = true;
        }
    }
}

// Puts `state` at its depth: the object there is updated when it is the
// same creation, replaced otherwise. A depth a script's object holds is
// left to it.
void TimelineInstance::place(const PlacementState &state, RuntimeContext &context)
{
    DisplayObject *current = m_list.at(state.depth);
    context.changed = true;
    if (current && current->isDynamic())
        return;
    if (current && sameCreation(current->placement(), state)) {
        current->applyTimelinePlacement(state);
        return;
    }
    if (auto object = instantiate(state, &m_owner, context))
        addChild(m_list, std::move(object), context);
    else
        removeChild(m_list, state.depth, context);
}

void TimelineInstance::forwardScripts(int frame, bool frameActions, RuntimeContext &context)
{
    for (const auto &tag : m_timeline.frames[frame].tags) {
        switch (tag->kind()) {
        case ControlKind::DoInitAction:
            context.scripts->doInitAction(m_owner, static_cast<const DoInitAction &>(*tag));
            break;
        case ControlKind::DoAbc:
            context.scripts->doAbc(static_cast<const DoAbc &>(*tag));
            break;
        case ControlKind::DoAction:
            if (frameActions)
                context.scripts->doAction(m_owner, static_cast<const DoAction &>(*tag));
            break;
        default:
            break;
        }
    }
}

void TimelineInstance::forwardSounds(int frame, RuntimeContext &context)
{
    if (!context.audio)
        return;
    for (const auto &tag : m_timeline.frames[frame].tags) {
        if (isSoundEvent(tag->kind()))
            context.audio->soundEvent(SoundEvent{*tag, soundOwner(), frame});
    }
}

} // namespace swf
