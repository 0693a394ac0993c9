#include "swf/runtime/timelineinstance.h"

#include "swf/model/movie.h"
#include "swf/model/scripttags.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/runtimecontext.h"

#include <vector>

namespace swf {

namespace {

// Depths the timeline places at, as scripts see them -16384 to -1.
constexpr int kTimelineDepths = 16384;

// Fields a jump may change on an object that survives it.
bool samePlacement(const PlacementState &a, const PlacementState &b)
{
    return a.matrix == b.matrix && a.colorTransform == b.colorTransform && a.ratio == b.ratio &&
           (b.name.isEmpty() || a.name == b.name) && a.clipDepth == b.clipDepth &&
           a.blendMode == b.blendMode && a.filters == b.filters &&
           a.cacheAsBitmap == b.cacheAsBitmap && a.visible == b.visible &&
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
    executeTags(frame, false, nullptr, context);
}

// The frame's tags in order: what they place and remove, the scripts and
// sounds they hold. After a jump the display list already matches the
// frame but for the objects the frame itself creates, which are made here
// in tag order, so that their events and first frames queue in between
// the frame's own actions as when the frame is played into.
void TimelineInstance::executeTags(int frame, bool jumped, const PlacementMap *placements,
                                   RuntimeContext &context)
{
    for (const auto &tag : m_timeline.frames[frame].tags) {
        switch (tag->kind()) {
        case ControlKind::PlaceObject: {
            const auto &placeTag = static_cast<const PlaceObject &>(*tag);
            if (jumped) {
                const auto it = placements->find(placeTag.depth);
                if (it != placements->end() && it->second.placedFrame == frame &&
                    !m_list.at(placeTag.depth))
                    place(it->second, context);
                break;
            }
            DisplayObject *current = m_list.at(placeTag.depth);
            auto next = placedState(current ? &current->placement() : nullptr, placeTag, frame,
                                    m_owner.movie());
            const bool creates = placeTag.version == 1 || !placeTag.move;
            if (next)
                place(*next, context, creates ? Replacement::Silently : Replacement::Announced);
            break;
        }
        case ControlKind::RemoveObject:
            if (!jumped)
                removeChild(m_list, static_cast<const RemoveObject &>(*tag).depth, context);
            break;
        case ControlKind::DoInitAction:
            context.scripts->doInitAction(m_owner, static_cast<const DoInitAction &>(*tag));
            break;
        case ControlKind::DoAbc:
            context.scripts->doAbc(static_cast<const DoAbc &>(*tag));
            break;
        case ControlKind::DoAction:
            context.scripts->doAction(m_owner, static_cast<const DoAction &>(*tag));
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
            if (!object->isDynamic() && !object->isUnloading())
                placements.emplace(depth, object->placement());
        }
        from = m_frame + 1;
    }
    // Init actions and bytecode of the frames passed over still run (once
    // each); only the target frame's own actions do.
    for (int f = from; f < target; ++f)
        forwardScripts(f, context);
    for (int f = from; f <= target; ++f)
        applyFrame(placements, m_timeline.frames[f], f, m_owner.movie());
    m_frame = target;
    reconcile(placements, target, from == 0, context);
    executeTags(target, true, &placements, context);
}

// Going back, clips scripts made in the depths the timeline uses go as
// well; those below or above them stay.
void TimelineInstance::reconcile(const PlacementMap &placements, int deferred, bool rewound,
                                 RuntimeContext &context)
{
    std::vector<int> gone;
    for (const auto &[depth, object] : m_list.objects()) {
        if (object->isUnloading())
            continue;
        if (object->isDynamic()) {
            if (rewound && depth >= 0 && depth < kTimelineDepths)
                gone.push_back(depth);
            continue;
        }
        const auto it = placements.find(depth);
        if (it == placements.end() || !sameCreation(it->second, object->placement()))
            gone.push_back(depth);
    }
    for (int depth : gone)
        removeChild(m_list, depth, context);
    for (const auto &[depth, state] : placements) {
        DisplayObject *object = m_list.at(depth);
        if (!object) {
            if (state.placedFrame != deferred)
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
void TimelineInstance::place(const PlacementState &state, RuntimeContext &context,
                             Replacement replacement)
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
        addChild(m_list, std::move(object), context, replacement);
    else
        removeChild(m_list, state.depth, context);
}

void TimelineInstance::forwardScripts(int frame, RuntimeContext &context)
{
    for (const auto &tag : m_timeline.frames[frame].tags) {
        if (tag->kind() == ControlKind::DoInitAction)
            context.scripts->doInitAction(m_owner, static_cast<const DoInitAction &>(*tag));
        else if (tag->kind() == ControlKind::DoAbc)
            context.scripts->doAbc(static_cast<const DoAbc &>(*tag));
    }
}

} // namespace swf
