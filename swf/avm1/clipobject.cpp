#include "swf/avm1/clipobject.h"

#include "swf/avm1/machine.h"
#include "swf/avm1/movieloads.h"
#include "swf/runtime/edittextinstance.h"
#include "swf/runtime/player.h"
#include "swf/runtime/timelineinstance.h"
#include "swf/types.h"

#include <cmath>

namespace swf::avm1 {

namespace {

constexpr double kDegrees = 180.0 / M_PI;

const char *const kNames[] = {
    "_x",           "_y",           "_xscale",       "_yscale",       "_currentframe",
    "_totalframes", "_alpha",       "_visible",      "_width",        "_height",
    "_rotation",    "_target",      "_framesloaded", "_name",         "_droptarget",
    "_url",         "_highquality", "_focusrect",    "_soundbuftime", "_quality",
    "_xmouse",      "_ymouse"};
static_assert(std::size(kNames) == DisplayProperty::Count);

double xScaleOf(const Matrix &m)
{
    return std::hypot(m.scaleX, m.rotateSkew0);
}

double yScaleOf(const Matrix &m)
{
    return std::hypot(m.rotateSkew1, m.scaleY);
}

double rotationOf(const Matrix &m)
{
    return std::atan2(m.rotateSkew0, m.scaleX);
}

// The matrix with these scales and rotation (radians), its position kept.
void compose(Matrix &m, double xScale, double yScale, double rotation)
{
    // The skew between the axes is kept: the y axis turns with the x axis.
    const double skew = std::atan2(-m.rotateSkew1, m.scaleY) - rotationOf(m);
    m.scaleX = xScale * std::cos(rotation);
    m.rotateSkew0 = xScale * std::sin(rotation);
    m.rotateSkew1 = -yScale * std::sin(rotation + skew);
    m.scaleY = yScale * std::cos(rotation + skew);
}

int framesOf(const DisplayObject &object)
{
    const TimelineInstance *timeline = object.timeline();
    // A sprite defined with no frames has none.
    return timeline ? timeline->frameCount() : 1;
}

std::optional<double> finite(Machine &machine, const Value &value)
{
    const double n = machine.toNumber(value);
    if (std::isnan(n))
        return std::nullopt;
    return n;
}

qint32 toTwips(double pixels)
{
    const double twips = pixels * kTwipsPerPixel;
    if (!std::isfinite(twips))
        return twips > 0 ? std::numeric_limits<qint32>::max() : std::numeric_limits<qint32>::min();
    return qint32(qBound(-2147483648.0, std::trunc(twips), 2147483647.0));
}

QPointF pointerIn(Machine &machine, const DisplayObject &object)
{
    bool invertible = false;
    const QTransform fromStage = ObjectGeometry::toStage(object).inverted(&invertible);
    const QPointF stage = machine.player().pointerPosition();
    return invertible ? fromStage.map(stage) / kTwipsPerPixel : QPointF();
}

} // namespace

const char *DisplayProperty::name(int index)
{
    return index >= 0 && index < Count ? kNames[index] : "";
}

ClipObject::ClipObject(Object *proto, DisplayObject &object, ObjectClass objectClass, QString path)
    : Object(proto, Kind::Clip), m_handle(object.handle()), m_deadPath(std::move(path)),
      m_class(objectClass), m_clipActions(object.placement().clipActions)
{
}

DisplayObject *ClipObject::display(Machine &machine) const
{
    return machine.displayObjectOf(Value(const_cast<ClipObject *>(this)));
}

void ClipObject::keepScaleOf(const Matrix &matrix)
{
    if (!m_keptScale)
        m_keptScale = ScaleRotation{xScaleOf(matrix), yScaleOf(matrix), rotationOf(matrix)};
}

Value ClipObject::displayProperty(Machine &machine, DisplayObject &object, int index)
{
    const PlacementState &p = object.placement();
    const auto kept = [&]() -> std::optional<ScaleRotation> {
        ClipObject *clip = machine.objectOf(object);
        return clip ? clip->keptScale() : std::nullopt;
    };
    switch (index) {
    case DisplayProperty::X:
        return Value(p.matrix.translateX / double(kTwipsPerPixel));
    case DisplayProperty::Y:
        return Value(p.matrix.translateY / double(kTwipsPerPixel));
    case DisplayProperty::XScale: {
        const auto k = kept();
        return Value((k ? k->xScale : xScaleOf(p.matrix)) * 100.0);
    }
    case DisplayProperty::YScale: {
        const auto k = kept();
        return Value((k ? k->yScale : yScaleOf(p.matrix)) * 100.0);
    }
    case DisplayProperty::Rotation: {
        const auto k = kept();
        return Value((k ? k->rotation : rotationOf(p.matrix)) * kDegrees);
    }
    case DisplayProperty::CurrentFrame: {
        const TimelineInstance *timeline = object.timeline();
        return Value(timeline ? qMax(0, timeline->frame()) + 1 : 1);
    }
    case DisplayProperty::TotalFrames:
    case DisplayProperty::FramesLoaded:
        return Value(framesOf(object));
    case DisplayProperty::Alpha:
        return Value(p.colorTransform.multA * 100.0 / 256.0);
    case DisplayProperty::Visible:
        return Value(p.visible);
    case DisplayProperty::Width:
    case DisplayProperty::Height: {
        const auto bounds = machine.player().geometry().localBounds(object);
        if (!bounds)
            return Value(0);
        const QRectF box = p.matrix.toTransform().mapRect(*bounds);
        // Bounds are whole twips.
        const double twips = index == DisplayProperty::Width ? box.width() : box.height();
        return Value(std::round(twips) / kTwipsPerPixel);
    }
    case DisplayProperty::Target:
        return Value(machine.slashPathOf(object));
    case DisplayProperty::Name:
        // A level's main timeline has no name until a script gives it one.
        if (!object.parent() && !(object.locks() & ScriptLock::Name))
            return Value(QString());
        return Value(object.name());
    case DisplayProperty::DropTarget:
        return Value(QString());
    case DisplayProperty::Url:
        return Value(loadedUrlOf(machine, object));
    case DisplayProperty::HighQuality:
        return Value(1);
    case DisplayProperty::FocusRect: {
        // A root's is the movie's own setting, a number before version 6.
        ClipObject *clip = machine.objectOf(object);
        const std::optional<bool> on = clip ? clip->focusRect() : std::nullopt;
        if (object.parent())
            return on ? Value(*on) : Value::null();
        const bool rootOn = on.value_or(true);
        return machine.version() < 6 ? Value(rootOn ? 1 : 0) : Value(rootOn);
    }
    case DisplayProperty::SoundBufTime:
        return Value(5);
    case DisplayProperty::Quality:
        return Value(QStringLiteral("HIGH"));
    case DisplayProperty::XMouse:
        return Value(std::round(pointerIn(machine, object).x()));
    case DisplayProperty::YMouse:
        return Value(std::round(pointerIn(machine, object).y()));
    default:
        return Value();
    }
}

void ClipObject::setDisplayProperty(Machine &machine, DisplayObject &object, int index,
                                    const Value &value)
{
    PlacementState &p = object.placement();
    Matrix &m = p.matrix;
    object.context().changed = true;
    switch (index) {
    case DisplayProperty::X:
    case DisplayProperty::Y: {
        const auto n = finite(machine, value);
        if (!n)
            return;
        (index == DisplayProperty::X ? m.translateX : m.translateY) = toTwips(*n);
        object.lock(ScriptLock::Matrix);
        return;
    }
    case DisplayProperty::XScale:
    case DisplayProperty::YScale:
    case DisplayProperty::Rotation: {
        const auto n = finite(machine, value);
        if (!n)
            return;
        ClipObject *clip = machine.objectOf(object);
        const std::optional<ScaleRotation> kept = clip ? clip->keptScale() : std::nullopt;
        double xs = kept ? kept->xScale : xScaleOf(m);
        double ys = kept ? kept->yScale : yScaleOf(m);
        double r = kept ? kept->rotation : rotationOf(m);
        if (index == DisplayProperty::XScale)
            xs = *n / 100.0;
        else if (index == DisplayProperty::YScale)
            ys = *n / 100.0;
        else {
            // Into -180 … 180, either end kept as given.
            double degrees = std::fmod(*n, 360.0);
            if (degrees > 180)
                degrees -= 360;
            else if (degrees < -180)
                degrees += 360;
            r = degrees / kDegrees;
        }
        compose(m, xs, ys, r);
        if (clip)
            clip->setKeptScale(std::nullopt);
        object.lock(ScriptLock::Matrix);
        return;
    }
    case DisplayProperty::Alpha: {
        const auto n = finite(machine, value);
        if (!n)
            return;
        p.colorTransform.multA = qint16(qBound(-32768.0, std::trunc(*n * 2.56), 32767.0));
        object.lock(ScriptLock::ColorTransform);
        return;
    }
    case DisplayProperty::Visible:
        p.visible = machine.toBoolean(Value(machine.toNumber(value)));
        object.lock(ScriptLock::Visible);
        return;
    case DisplayProperty::Width:
    case DisplayProperty::Height: {
        const auto n = finite(machine, value);
        if (!n || *n < 0)
            return;
        const auto bounds = machine.player().geometry().localBounds(object);
        const double local = !bounds                           ? 0
                             : index == DisplayProperty::Width ? bounds->width()
                                                               : bounds->height();
        const double r = rotationOf(m);
        if (ClipObject *clip = machine.objectOf(object))
            clip->setKeptScale(std::nullopt);
        // Nothing to size: the Flash Player scales the clip to nothing.
        if (local <= 0) {
            compose(m, 0, 0, r);
            object.lock(ScriptLock::Matrix);
            return;
        }
        const double scale = *n * kTwipsPerPixel / local;
        if (index == DisplayProperty::Width)
            compose(m, scale, yScaleOf(m), r);
        else
            compose(m, xScaleOf(m), scale, r);
        object.lock(ScriptLock::Matrix);
        return;
    }
    case DisplayProperty::Name:
        p.name = machine.toString(value).text();
        object.lock(ScriptLock::Name);
        return;
    case DisplayProperty::FocusRect: {
        // undefined and null change nothing; a root takes numbers only.
        ClipObject *clip = machine.objectOf(object);
        if (!clip || value.isNullish())
            return;
        if (object.parent()) {
            clip->setFocusRect(machine.toBoolean(value));
            return;
        }
        const double n = machine.toNumber(value);
        if (!std::isnan(n))
            clip->setFocusRect(n != 0);
        return;
    }
    default:
        return; // read-only, or kept nowhere
    }
}

bool ClipObject::getBuiltin(Machine &machine, StringData *key, Value &out)
{
    const int index = machine.displayPropertyIndex(key);
    if (index < 0)
        return false;
    DisplayObject *object = display(machine);
    if (!object) {
        out = Value();
        return true;
    }
    if (object->kind() == CharacterKind::EditText)
        static_cast<EditTextInstance *>(object)->settleAutoSize();
    out = displayProperty(machine, *object, index);
    return true;
}

bool ClipObject::setBuiltin(Machine &machine, StringData *key, const Value &value)
{
    const int index = machine.displayPropertyIndex(key);
    if (index < 0)
        return false;
    if (DisplayObject *object = display(machine))
        setDisplayProperty(machine, *object, index, value);
    return true;
}

bool ClipObject::getChild(Machine &machine, StringData *key, Value &out)
{
    DisplayObject *object = display(machine);
    if (!object)
        return false;
    const Names &names = machine.names();
    if (key == names.parent.data()) {
        out = object->parent() ? Value(machine.objectOf(*object->parent())) : Value();
        return true;
    }
    if (key == names.root.data()) {
        out = Value(machine.objectOf(*machine.rootOf(*object)));
        return true;
    }
    const DisplayList *children = object->children();
    if (!children)
        return false;
    const Qt::CaseSensitivity cs = machine.version() >= 7 ? Qt::CaseSensitive : Qt::CaseInsensitive;
    DisplayObject *child = children->findByName(key->text(), cs);
    if (!child)
        return false;
    out = Value(machine.objectOf(*child));
    return true;
}

void ClipObject::builtinNames(Machine &machine, std::vector<StrRef> &names)
{
    DisplayObject *object = display(machine);
    // A video's own properties are listed as variables are.
    if (object && object->kind() == CharacterKind::Video) {
        for (const char *name : {"deblocking", "height", "smoothing", "width"})
            names.emplace_back(QString::fromLatin1(name));
    }
    if (!object || !object->children())
        return;
    for (const auto &[depth, child] : object->children()->objects()) {
        if (!child->name().isEmpty())
            names.emplace_back(child->name());
    }
}

} // namespace swf::avm1
