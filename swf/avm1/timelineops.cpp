// Actions on timelines and clips: frames, targets, clip properties by
// number, duplicating and removing clips, dragging, URLs.
#include "swf/avm1/clipobject.h"
#include "swf/avm1/dataloads.h"
#include "swf/avm1/movieloads.h"
#include "swf/avm1/ops.h"
#include "swf/model/movie.h"
#include "swf/model/scripttags.h"
#include "swf/runtime/player.h"
#include "swf/runtime/timelineinstance.h"

#include <cmath>

namespace swf::avm1 {

namespace {

// GotoFrame2's flags.
constexpr int kPlayFlag = 0x01;

} // namespace

bool Ops::timeline(quint8 code, const Operation &op)
{
    DisplayObject *target = targetDisplay();
    switch (code) {
    case Op::GotoFrame:
        if (target && target->timeline())
            m.gotoClipFrame(*target, Value(op.a + 1), target->timeline()->isPlaying());
        return true;
    case Op::GotoFrame2: {
        const Value frame = pop();
        if (target)
            m.gotoClipFrame(*target, frame, op.a & kPlayFlag, op.b);
        return true;
    }
    case Op::GoToLabel:
        if (target && target->timeline())
            m.gotoClipFrame(*target, Value(f.program->strings[size_t(op.a)]),
                            target->timeline()->isPlaying());
        return true;
    case Op::NextFrame:
    case Op::PrevFrame:
        if (target && target->timeline())
            m.gotoClipFrame(*target,
                            Value(target->timeline()->frame() + (code == Op::NextFrame ? 2 : 0)),
                            false);
        return true;
    case Op::Play:
    case Op::Stop:
        if (target && target->timeline())
            target->timeline()->setPlaying(code == Op::Play);
        return true;
    case Op::SetTarget:
        setTarget(f.program->strings[size_t(op.a)].text());
        return true;
    case Op::SetTarget2:
        // A clip too is taken by its path: of two clips of one name, the
        // path finds the first.
        setTarget(m.toString(pop()).text());
        return true;
    case Op::GetProperty: {
        const Value index = pop();
        DisplayObject *object = propertyTarget(pop());
        const double n = m.toNumber(index);
        push(object && n >= 0 && n < int(DisplayProperty::Count)
                 ? ClipObject::displayProperty(m, *object, int(n))
                 : Value());
        return true;
    }
    case Op::SetProperty: {
        const Value value = pop();
        const Value index = pop();
        DisplayObject *object = propertyTarget(pop());
        const double n = m.toNumber(index);
        if (object && n >= 0 && n < int(DisplayProperty::Count))
            ClipObject::setDisplayProperty(m, *object, int(n), value);
        return true;
    }
    case Op::CloneSprite: {
        const double depth = m.toNumber(pop());
        const StrRef name = m.toString(pop());
        DisplayObject *source = propertyTarget(pop());
        // The action names the depth as timelines count it, 16384 above
        // the depth duplicateMovieClip takes.
        if (source && !std::isnan(depth))
            m.duplicateClip(*source, name.text(), int(qBound(-1e9, depth, 1e9)) - 16384, nullptr);
        return true;
    }
    case Op::RemoveSprite:
        if (DisplayObject *object = propertyTarget(pop()))
            m.removeClip(*object);
        return true;
    case Op::StartDrag: {
        DisplayObject *object = propertyTarget(pop());
        const bool lockCenter = m.toBoolean(pop());
        const bool constrained = m.toBoolean(pop());
        std::optional<QRectF> bounds;
        if (constrained) {
            const double y2 = m.toNumber(pop());
            const double x2 = m.toNumber(pop());
            const double y1 = m.toNumber(pop());
            const double x1 = m.toNumber(pop());
            bounds = QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized();
        }
        if (object)
            m.startDrag(*object, lockCenter, bounds);
        return true;
    }
    case Op::EndDrag:
        m.stopDrag();
        return true;
    case Op::GetUrl:
        m.getUrl(f.program->strings[size_t(op.a)].text(), f.program->strings[size_t(op.b)].text());
        return true;
    case Op::GetUrl2: {
        const StrRef window = m.toString(pop());
        const StrRef url = m.toString(pop());
        // loadVariables and loadVariablesNum: the window names the clip
        // (or level) the variables go to.
        if (op.a & 0x80) {
            DisplayObject *base = m.displayObjectOf(Value(f.timeline));
            if (DisplayObject *clip = m.resolvePath(window.text(), base))
                DataLoads::of(m).startVariables(m, *clip, url.text());
            return true;
        }
        // loadMovie and unloadMovie: the window names the clip (or level)
        // the movie goes to.
        if (op.a & 0x40) {
            DisplayObject *base = m.displayObjectOf(Value(f.timeline));
            if (const auto into = MovieLoads::targetOf(m, window.text(), base))
                MovieLoads::of(m).start(m, *into, url.text(), nullptr);
            return true;
        }
        m.getUrl(url.text(), window.text());
        return true;
    }
    case Op::WaitForFrame:
        // Every frame is loaded: nothing is ever skipped.
        return true;
    case Op::WaitForFrame2:
        pop();
        return true;
    case Op::Call:
        callFrame(target, pop());
        return true;
    case Op::ToggleQuality:
        return true;
    case Op::StopSounds:
        m.stopSounds();
        return true;
    case Op::FsCommand2:
        popArgs();
        return true;
    default:
        return false;
    }
}

void Ops::setTarget(const QString &path)
{
    if (path.isEmpty()) {
        f.target = f.timeline;
        return;
    }
    // A path that names no clip (or names a plain object) leaves the
    // actions on the timeline the code belongs to.
    Object *object = pathObject(path, f.timeline, false);
    f.target = m.displayObjectOf(Value(object)) ? object : f.timeline;
}

// A clip given by value or path; the empty path is the current target.
DisplayObject *Ops::propertyTarget(const Value &value)
{
    if (DisplayObject *object = m.displayObjectOf(value))
        return object;
    const QString path = m.toString(value).text();
    if (path.isEmpty())
        return targetDisplay();
    return m.displayObjectOf(Value(pathObject(path, f.target, false)));
}

// Runs the actions of a frame of a clip now, as a subroutine.
void Ops::callFrame(DisplayObject *base, const Value &frame)
{
    QString text = m.toString(frame).text();
    DisplayObject *clip = base;
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        clip = resolveTarget(text.left(colon));
        text = text.mid(colon + 1);
    }
    const TimelineInstance *timeline = clip ? clip->timeline() : nullptr;
    if (!timeline)
        return;
    bool isNumber = false;
    const double n = text.toDouble(&isNumber);
    const int index = isNumber ? int(n) - 1 : timeline->definition().frameOfLabel(text);
    if (index < 0 || index >= timeline->frameCount())
        return;
    for (const auto &tag : timeline->definition().frames[size_t(index)].tags) {
        if (tag->kind() == ControlKind::DoAction)
            m.runProgram(m.program(static_cast<const DoAction &>(*tag).actions), *clip);
    }
}

} // namespace swf::avm1
