// MovieClip: its timeline, the clips scripts make, depths, geometry and
// dragging. Display properties (_x, …) live in ClipObject.
#include "swf/avm1/arrayobject.h"
#include "swf/avm1/builtins.h"
#include "swf/avm1/clipobject.h"
#include "swf/avm1/dataloads.h"
#include "swf/avm1/machine.h"
#include "swf/avm1/movieloads.h"
#include "swf/log.h"
#include "swf/model/movie.h"
#include "swf/runtime/instancefactory.h"
#include "swf/runtime/player.h"
#include "swf/runtime/spriteinstance.h"
#include "swf/types.h"

#include <cmath>

namespace swf::avm1 {

namespace {

constexpr int kDepthOffset = 16384;
// What getBounds reports for a clip that covers nothing.
constexpr double kEmptyBound = 6710886.35;

DisplayObject *clipOf(Machine &m, const Value &self)
{
    return m.displayObjectOf(self);
}

Value play(Machine &m, const Value &self, const Args &)
{
    if (DisplayObject *clip = clipOf(m, self); clip && clip->timeline())
        clip->timeline()->setPlaying(true);
    return Value();
}

Value stop(Machine &m, const Value &self, const Args &)
{
    if (DisplayObject *clip = clipOf(m, self); clip && clip->timeline())
        clip->timeline()->setPlaying(false);
    return Value();
}

Value gotoAndPlay(Machine &m, const Value &self, const Args &args)
{
    if (DisplayObject *clip = clipOf(m, self))
        m.gotoClipFrame(*clip, args[0], true);
    return Value();
}

Value gotoAndStop(Machine &m, const Value &self, const Args &args)
{
    if (DisplayObject *clip = clipOf(m, self))
        m.gotoClipFrame(*clip, args[0], false);
    return Value();
}

Value nextFrame(Machine &m, const Value &self, const Args &)
{
    if (DisplayObject *clip = clipOf(m, self); clip && clip->timeline())
        m.gotoClipFrame(*clip, Value(clip->timeline()->frame() + 2), false);
    return Value();
}

Value prevFrame(Machine &m, const Value &self, const Args &)
{
    if (DisplayObject *clip = clipOf(m, self); clip && clip->timeline())
        m.gotoClipFrame(*clip, Value(clip->timeline()->frame()), false);
    return Value();
}

std::optional<int> depthArg(Machine &m, const Value &value)
{
    const double n = m.toNumber(value);
    if (std::isnan(n))
        return std::nullopt;
    return int(qBound(-1e9, std::trunc(n), 1e9));
}

Value createEmptyMovieClip(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *parent = clipOf(m, self);
    const auto depth = depthArg(m, args[1]);
    if (!parent || !parent->children() || !depth || args.size() < 2)
        return Value();
    PlacementState state;
    state.depth = *depth + kDepthOffset;
    state.name = m.toString(args[0]).text();
    auto clip = std::make_unique<SpriteInstance>(SpriteInstance::emptyTimeline(), state, parent,
                                                 parent->context());
    DisplayObject *added = m.addScriptClip(*parent, std::move(clip), nullptr);
    return added ? Value(m.objectOf(*added)) : Value();
}

Value attachMovie(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *parent = clipOf(m, self);
    const auto depth = depthArg(m, args[2]);
    if (!parent || !parent->children() || !depth || args.size() < 3)
        return Value();
    const auto id = parent->movie().symbols().exported(m.toString(args[0]).text());
    if (!id)
        return Value();
    PlacementState state;
    state.characterId = *id;
    state.depth = *depth + kDepthOffset;
    state.name = m.toString(args[1]).text();
    auto clip = instantiate(state, parent, parent->context());
    if (!clip)
        return Value();
    DisplayObject *added = m.addScriptClip(*parent, std::move(clip), args[3].asObject());
    return added ? Value(m.objectOf(*added)) : Value();
}

Value duplicateMovieClip(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *source = clipOf(m, self);
    const auto depth = depthArg(m, args[1]);
    if (!source || !depth || args.size() < 2)
        return Value();
    DisplayObject *made =
        m.duplicateClip(*source, m.toString(args[0]).text(), *depth, args[2].asObject());
    return made ? Value(m.objectOf(*made)) : Value();
}

Value removeMovieClip(Machine &m, const Value &self, const Args &)
{
    if (DisplayObject *clip = clipOf(m, self))
        m.removeClip(*clip);
    return Value();
}

Value getDepth(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    return clip ? Value(clip->depth() - kDepthOffset) : Value();
}

// swapDepths(depth) or swapDepths(clip): the two change places on their
// parent's list, and their timeline leaves them alone from then on.
Value swapDepths(Machine &m, const Value &self, const Args &args)
{
    // Depths a clip may be swapped to, as scripts count them.
    constexpr double kMinSwapDepth = -16384;
    constexpr double kMaxSwapDepth = 2130690044;
    DisplayObject *clip = clipOf(m, self);
    if (!clip || args[0].isUndefined())
        return Value();
    DisplayObject *parent = clip->parent();
    int depth = 0;
    if (DisplayObject *other = m.displayObjectOf(args[0])) {
        if (other->parent() != parent)
            return Value();
        depth = other->depth();
    } else {
        const double n = std::trunc(m.toNumber(args[0]));
        if (std::isnan(n) || n < kMinSwapDepth || n > kMaxSwapDepth)
            return Value();
        depth = int(n) + kDepthOffset;
    }
    // A level's main timeline only takes the number.
    if (!parent) {
        clip->placement().depth = depth;
        return Value();
    }
    if (!parent->children())
        return Value();
    DisplayList &list = *parent->children();
    if (DisplayObject *other = list.at(depth))
        other->placement().placedFrame = -1;
    clip->placement().placedFrame = -1;
    list.swap(clip->depth(), depth);
    parent->context().changed = true;
    return Value();
}

// setMask(mask): a clip, or the name of one beside this clip, masks it
// from now on; anything else takes the mask away.
Value setMask(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    DisplayObject *mask = m.displayObjectOf(args[0]);
    if (!mask && args[0].isString() && clip->parent())
        mask = m.resolvePath(args[0].string()->text(), clip->parent());
    clip->setScriptMask(mask);
    return Value();
}

Value getNextHighestDepth(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip || !clip->children())
        return Value();
    const auto &objects = clip->children()->objects();
    if (objects.empty())
        return Value(0);
    return Value(qMax(0, objects.rbegin()->first - kDepthOffset + 1));
}

Value getInstanceAtDepth(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip || !clip->children() || args[0].isUndefined())
        return Value();
    // Anything but a finite number asks for depth 0.
    const double n = m.toNumber(args[0]);
    const int depth = std::isfinite(n) ? int(qBound(-1e9, std::trunc(n), 1e9)) : 0;
    DisplayObject *found = clip->children()->at(depth + kDepthOffset);
    if (!found)
        return Value();
    // Shapes and bitmaps have no object of their own: their clip answers.
    switch (found->kind()) {
    case CharacterKind::Shape:
    case CharacterKind::MorphShape:
    case CharacterKind::Bitmap:
    case CharacterKind::Text:
        return Value(m.objectOf(*clip));
    default:
        return Value(m.objectOf(*found));
    }
}

Value getBounds(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    // Bounds in a space that is no clip: none.
    DisplayObject *space = args.size() > 0 ? m.displayObjectOf(args[0]) : clip;
    if (!space && args.size() > 0 && !args[0].isUndefined())
        return Value();
    // A bare record: no prototype, so it reads as "[type Object]".
    Object *result = m.heap().make<Object>(nullptr);
    const auto bounds = m.player().geometry().boundsIn(*clip, space);
    const double p = kTwipsPerPixel;
    m.set(result, QStringLiteral("xMin"), Value(bounds ? bounds->left() / p : kEmptyBound));
    m.set(result, QStringLiteral("xMax"), Value(bounds ? bounds->right() / p : kEmptyBound));
    m.set(result, QStringLiteral("yMin"), Value(bounds ? bounds->top() / p : kEmptyBound));
    m.set(result, QStringLiteral("yMax"), Value(bounds ? bounds->bottom() / p : kEmptyBound));
    return Value(result);
}

// hitTest(x, y, shapeFlag) with stage pixels, or hitTest(target): whether
// the two bounding boxes meet.
Value hitTest(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value(false);
    ObjectGeometry &geometry = m.player().geometry();
    if (args.size() >= 2) {
        const double x = m.toNumber(args[0]);
        const double y = m.toNumber(args[1]);
        if (std::isnan(x) || std::isnan(y))
            return Value(false);
        const QPointF point(x * kTwipsPerPixel, y * kTwipsPerPixel);
        return Value(geometry.hitTest(*clip, point, m.toBoolean(args[2])));
    }
    DisplayObject *other = m.displayObjectOf(args[0]);
    if (!other)
        return Value(false);
    const auto a = geometry.boundsIn(*clip, nullptr);
    const auto b = geometry.boundsIn(*other, nullptr);
    return Value(a && b && a->intersects(*b));
}

// Points are objects with x and y in pixels. Only a point of two numbers
// moves; each is taken in whole twips, wrapped to 32 bits as the player
// stores them (NaN and the infinities are 0).
Value convertPoint(Machine &m, const Value &self, const Args &args, bool toGlobal)
{
    DisplayObject *clip = clipOf(m, self);
    Object *point = args[0].asObject();
    if (!clip || !point)
        return Value();
    const Value x = m.get(point, QStringLiteral("x"));
    const Value y = m.get(point, QStringLiteral("y"));
    if (!x.isNumber() || !y.isNumber())
        return Value();
    const auto twips = [&](const Value &v) {
        return double(m.toInt32(Value(v.number() * kTwipsPerPixel)));
    };
    QTransform transform = ObjectGeometry::toStage(*clip);
    bool invertible = true;
    if (!toGlobal)
        transform = transform.inverted(&invertible);
    if (!invertible)
        return Value();
    const QPointF mapped = transform.map(QPointF(twips(x), twips(y))) / kTwipsPerPixel;
    m.set(point, QStringLiteral("x"), Value(mapped.x()));
    m.set(point, QStringLiteral("y"), Value(mapped.y()));
    return Value();
}

Value localToGlobal(Machine &m, const Value &self, const Args &args)
{
    return convertPoint(m, self, args, true);
}

Value globalToLocal(Machine &m, const Value &self, const Args &args)
{
    return convertPoint(m, self, args, false);
}

Value startDrag(Machine &m, const Value &self, const Args &args)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    std::optional<QRectF> bounds;
    if (args.size() >= 5) {
        bounds = QRectF(QPointF(m.toNumber(args[1]), m.toNumber(args[2])),
                        QPointF(m.toNumber(args[3]), m.toNumber(args[4])))
                     .normalized();
    }
    m.startDrag(*clip, m.toBoolean(args[0]), bounds);
    return Value();
}

Value stopDrag(Machine &m, const Value &, const Args &)
{
    m.stopDrag();
    return Value();
}

Value getBytes(Machine &m, const Value &self, const Args &)
{
    DisplayObject *clip = clipOf(m, self);
    if (!clip)
        return Value();
    return Value(double(clipBytesTotal(*clip)));
}

Value getUrl(Machine &m, const Value &, const Args &args)
{
    m.getUrl(m.toString(args[0]).text(), m.toString(args[1]).text());
    return Value();
}

// The version of the movie a clip came from; -1 for anything else.
Value getSwfVersion(Machine &m, const Value &self, const Args &)
{
    // Any display object answers: a text field borrowing it too.
    const DisplayObject *object = m.displayObjectOf(self);
    return object ? Value(object->movie().version()) : Value(-1);
}

} // namespace

void Machine::gotoClipFrame(DisplayObject &clip, const Value &frame, bool play, int bias)
{
    TimelineInstance *timeline = clip.timeline();
    if (!timeline || timeline->frameCount() == 0)
        return;
    int target = -1;
    if (frame.isString()) {
        QString text = frame.string()->text();
        DisplayObject *owner = &clip;
        const int colon = text.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            owner = resolvePath(text.left(colon), &clip);
            text = text.mid(colon + 1);
            if (!owner || !owner->timeline()) {
                return;
            }
            timeline = owner->timeline();
        }
        bool isNumber = false;
        const double n = text.toDouble(&isNumber);
        target = isNumber ? int(qBound(-1e9, n, 1e9)) - 1 + bias
                          : timeline->definition().frameOfLabel(text);
        if (target < 0)
            return;
        if (owner != &clip) {
            timeline->setPlaying(play);
            timeline->gotoFrame(qBound(0, target, timeline->frameCount() - 1), owner->context());
            return;
        }
    } else {
        const double n = toNumber(frame);
        if (std::isnan(n))
            return;
        target = int(qBound(-1e9, n, 1e9)) - 1 + bias;
    }
    // A frame before the first is no frame; one past the last is the last.
    if (target < 0)
        return;
    timeline->setPlaying(play);
    timeline->gotoFrame(qMin(target, timeline->frameCount() - 1), clip.context());
}

void installMovieClipClass(Machine &m)
{
    Object *proto = m.newObject();
    m.protos().movieClip = proto;
    m.defineClass(QStringLiteral("MovieClip"), proto, nullptr);
    // Methods the Flash Player added after version 5 are hidden from
    // older movies.
    const struct {
        const char *name;
        NativeFunction function;
        quint32 since;
    } methods[] = {
        {"play", play, 0},
        {"stop", stop, 0},
        {"gotoAndPlay", gotoAndPlay, 0},
        {"gotoAndStop", gotoAndStop, 0},
        {"nextFrame", nextFrame, 0},
        {"prevFrame", prevFrame, 0},
        {"createEmptyMovieClip", createEmptyMovieClip, PropertyFlag::OnlySwf6},
        {"attachMovie", attachMovie, 0},
        {"duplicateMovieClip", duplicateMovieClip, 0},
        {"removeMovieClip", removeMovieClip, 0},
        {"getDepth", getDepth, PropertyFlag::OnlySwf6},
        {"swapDepths", swapDepths, 0},
        {"setMask", setMask, PropertyFlag::OnlySwf6},
        {"getNextHighestDepth", getNextHighestDepth, PropertyFlag::OnlySwf7},
        {"getInstanceAtDepth", getInstanceAtDepth, PropertyFlag::OnlySwf7},
        {"getBounds", getBounds, 0},
        {"getRect", getBounds, PropertyFlag::OnlySwf8},
        {"hitTest", hitTest, 0},
        {"localToGlobal", localToGlobal, 0},
        {"globalToLocal", globalToLocal, 0},
        {"startDrag", startDrag, 0},
        {"stopDrag", stopDrag, 0},
        {"getBytesLoaded", getBytes, 0},
        {"getBytesTotal", getBytes, 0},
        {"getURL", getUrl, 0},
        {"loadMovie", clipLoadMovie, 0},
        {"loadVariables", clipLoadVariables, 0},
        {"unloadMovie", clipUnloadMovie, 0},
        {"getSWFVersion", getSwfVersion, 0},
    };
    for (const auto &method : methods)
        m.defineValue(proto, QString::fromLatin1(method.name), Value(m.newNative(method.function)),
                      PropertyFlag::DontEnum | method.since);
    installDrawingMethods(m, proto);
}

} // namespace swf::avm1
